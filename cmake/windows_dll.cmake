# SPDX-License-Identifier: MIT
# roviro2.dll: the 79 PT_ functions at the ordinals of src/lib/roviro2.def and
# nothing else, importing only system DLLs, with a version resource; beside
# it the import libraries for MinGW (libroviro2.dll.a) and Microsoft's
# linker (roviro2.lib).
#
# On 32-bit Windows the functions use __stdcall, whose symbols carry the size
# of their arguments (_PT_GW_SndMsg@8). The linker takes them from a module
# definition with those sizes, made from the argument counts of roviro2.def,
# and exports them undecorated (--kill-at); the import library is made from
# the same definition by dlltool, so that a __stdcall client links against
# the decorated names. A count that differs from the function's definition
# fails the link.

# Writes the module definition as the linker reads it: without the argument
# counts (its parser takes no comment after an entry), and with `decorate`
# the names carrying their argument sizes, each counted argument taking one
# 32-bit slot.
function(roviro2_link_def def out decorate)
  file(STRINGS ${def} lines)
  set(result "")
  foreach(line ${lines})
    if(line MATCHES "^[ \t]+(PT_[A-Za-z0-9_]+)[ \t]+(@[0-9]+)[ \t]*;[ \t]*([0-9]+) argument")
      math(EXPR size "${CMAKE_MATCH_3} * 4")
      if(decorate)
        string(APPEND result "    ${CMAKE_MATCH_1}@${size} ${CMAKE_MATCH_2}\n")
      else()
        string(APPEND result "    ${CMAKE_MATCH_1} ${CMAKE_MATCH_2}\n")
      endif()
    elseif(line MATCHES "^[ \t]+PT_")
      message(FATAL_ERROR "${def}: no argument count in: ${line}")
    else()
      string(APPEND result "${line}\n")
    endif()
  endforeach()
  file(WRITE ${out}.new "${result}")
  file(COPY_FILE ${out}.new ${out} ONLY_IF_DIFFERENT)
  file(REMOVE ${out}.new)
endfunction()

set(ROVIRO2_DEF ${PROJECT_SOURCE_DIR}/src/lib/roviro2.def)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ROVIRO2_DEF})

add_library(roviro2 SHARED $<TARGET_OBJECTS:roviro2_obj>)
target_include_directories(roviro2 INTERFACE $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>)
target_link_libraries(roviro2 PRIVATE ws2_32 user32)
set_target_properties(roviro2 PROPERTIES
  PREFIX ""
  RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
  ARCHIVE_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
# The compiler's own runtime goes into the DLL: only system DLLs are imported.
target_link_options(roviro2 PRIVATE -static -static-libgcc -static-libstdc++
                    $<$<CONFIG:Release,MinSizeRel>:-s>)

set(link_def ${PROJECT_BINARY_DIR}/roviro2-link.def)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  roviro2_link_def(${ROVIRO2_DEF} ${link_def} ON)
  target_link_options(roviro2 PRIVATE -Wl,--kill-at)
  # Replaces the import library the linker wrote, whose names lost their sizes.
  add_custom_command(TARGET roviro2 POST_BUILD
    COMMAND ${CMAKE_DLLTOOL} -k -d ${link_def} -D roviro2.dll
            -l $<TARGET_LINKER_FILE:roviro2>
    VERBATIM)
else()
  roviro2_link_def(${ROVIRO2_DEF} ${link_def} OFF)
endif()

# roviro2.lib: the import library for Microsoft's linker, in its own short
# import format, from the same definition. -k makes the 32-bit imports the
# undecorated names the DLL exports, while the client still links against
# _PT_GW_SndMsg@8. Without llvm-dlltool, binutils' dlltool makes one that
# the linker reads too.
find_program(ROVIRO2_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-16 llvm-dlltool-15
                                        llvm-dlltool-14)
if(ROVIRO2_LLVM_DLLTOOL)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(lib_command ${ROVIRO2_LLVM_DLLTOOL} -m i386 -k)
  else()
    set(lib_command ${ROVIRO2_LLVM_DLLTOOL} -m i386:x86-64)
  endif()
else()
  set(lib_command ${CMAKE_DLLTOOL} -k)
endif()
add_custom_command(TARGET roviro2 POST_BUILD
  COMMAND ${lib_command} -d ${link_def} -D roviro2.dll -l ${PROJECT_BINARY_DIR}/roviro2.lib
  VERBATIM)
target_sources(roviro2 PRIVATE ${link_def})

# The version resource, so that Windows shows the version in the DLL's
# properties and installers can compare it.
enable_language(RC)
configure_file(${PROJECT_SOURCE_DIR}/cmake/roviro2.rc.in ${PROJECT_BINARY_DIR}/roviro2.rc @ONLY)
target_sources(roviro2 PRIVATE ${PROJECT_BINARY_DIR}/roviro2.rc)
