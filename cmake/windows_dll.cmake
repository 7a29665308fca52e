# roviro2.dll: the 79 PT_ functions at the ordinals of src/lib/roviro2.def and
# nothing else, importing only system DLLs.
#
# On 32-bit Windows the functions use __stdcall, whose symbols carry the size
# of their arguments (_PT_GW_SndMsg@8). The linker takes them from a module
# definition with those sizes and exports them undecorated (--kill-at); the
# import library is made from the same definition by dlltool, so that a
# __stdcall client links against the decorated names.

# Writes a module definition whose names carry their argument sizes: every
# argument of every function takes one 32-bit slot.
function(roviro2_stdcall_def header def out)
  file(READ ${header} text)
  string(REGEX MATCHALL "ROVIRO2_CALL[ \t\r\n]+PT_[A-Za-z0-9_]+\\([^)]*\\)" decls "${text}")
  foreach(decl ${decls})
    string(REGEX REPLACE "ROVIRO2_CALL[ \t\r\n]+(PT_[A-Za-z0-9_]+)\\((.*)\\)" "\\1" name "${decl}")
    string(REGEX REPLACE "ROVIRO2_CALL[ \t\r\n]+(PT_[A-Za-z0-9_]+)\\((.*)\\)" "\\2" args "${decl}")
    string(STRIP "${args}" args)
    if(args STREQUAL "void")
      set(count 0)
    else()
      string(REGEX MATCHALL "," commas "${args}")
      list(LENGTH commas count)
      math(EXPR count "${count} + 1")
    endif()
    math(EXPR size_${name} "${count} * 4")
  endforeach()
  file(STRINGS ${def} lines)
  set(result "")
  foreach(line ${lines})
    if(line MATCHES "^[ \t]+(PT_[A-Za-z0-9_]+)[ \t]+(@[0-9]+)")
      set(name ${CMAKE_MATCH_1})
      if(NOT DEFINED size_${name})
        message(FATAL_ERROR "${name} is in ${def} but not declared in ${header}")
      endif()
      string(APPEND result "    ${name}@${size_${name}} ${CMAKE_MATCH_2}\n")
    else()
      string(APPEND result "${line}\n")
    endif()
  endforeach()
  file(WRITE ${out}.new "${result}")
  file(COPY_FILE ${out}.new ${out} ONLY_IF_DIFFERENT)
  file(REMOVE ${out}.new)
endfunction()

set(ROVIRO2_DEF ${PROJECT_SOURCE_DIR}/src/lib/roviro2.def)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${ROVIRO2_DEF} ${PROJECT_SOURCE_DIR}/include/roviro2.h)

add_library(roviro2 SHARED $<TARGET_OBJECTS:roviro2_obj>)
target_include_directories(roviro2 INTERFACE ${PROJECT_SOURCE_DIR}/include)
target_link_libraries(roviro2 PRIVATE ws2_32 user32)
set_target_properties(roviro2 PROPERTIES
  PREFIX ""
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
  ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
# The compiler's own runtime goes into the DLL: only system DLLs are imported.
target_link_options(roviro2 PRIVATE -static -static-libgcc -static-libstdc++)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(stdcall_def ${CMAKE_BINARY_DIR}/roviro2-stdcall.def)
  roviro2_stdcall_def(${PROJECT_SOURCE_DIR}/include/roviro2.h ${ROVIRO2_DEF} ${stdcall_def})
  target_sources(roviro2 PRIVATE ${stdcall_def})
  target_link_options(roviro2 PRIVATE -Wl,--kill-at)
  # Replaces the import library the linker wrote, whose names lost their sizes.
  add_custom_command(TARGET roviro2 POST_BUILD
    COMMAND ${CMAKE_DLLTOOL} -k -d ${stdcall_def} -D roviro2.dll
            -l $<TARGET_LINKER_FILE:roviro2>
    VERBATIM)
else()
  target_sources(roviro2 PRIVATE ${ROVIRO2_DEF})
endif()
