# SPDX-License-Identifier: MIT
# Installation, the CMake package, the pkg-config file and CPack.
#
# What a consumer gets: the shared library with its SONAME links (on
# Windows the DLL and its import library), both headers, a CMake package
# whose roviro2::roviro2 target brings the include folder and the link in
# one, a relocatable roviro2.pc, the tools, their manual pages and the
# documents.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ROVIRO2_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/roviro2)

target_include_directories(roviro2 INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
install(TARGETS roviro2 EXPORT roviro2Targets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
if(WIN32)
  install(FILES ${PROJECT_BINARY_DIR}/roviro2.lib ${PROJECT_SOURCE_DIR}/src/lib/roviro2.def
          DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
# The extensions are POSIX-only.
install(FILES ${PROJECT_SOURCE_DIR}/include/roviro2.h
              $<$<NOT:$<BOOL:${WIN32}>>:${PROJECT_SOURCE_DIR}/include/roviro2_ext.h>
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT roviro2Targets NAMESPACE roviro2:: DESTINATION ${ROVIRO2_CMAKE_DIR})

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/roviro2Config.cmake.in
  ${PROJECT_BINARY_DIR}/roviro2Config.cmake INSTALL_DESTINATION ${ROVIRO2_CMAKE_DIR})
# Within one major version every release only adds: a consumer asking for
# 1.1 takes any 1.x from 1.1 on.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/roviro2ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/roviro2Config.cmake
              ${PROJECT_BINARY_DIR}/roviro2ConfigVersion.cmake
        DESTINATION ${ROVIRO2_CMAKE_DIR})

# The .pc file finds the prefix from its own place, so that the installed
# tree can be moved or unpacked anywhere.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  message(FATAL_ERROR "roviro2.pc needs CMAKE_INSTALL_LIBDIR and CMAKE_INSTALL_INCLUDEDIR "
                      "relative to the prefix")
endif()
file(RELATIVE_PATH ROVIRO2_PC_TO_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" ROVIRO2_PC_TO_PREFIX "${ROVIRO2_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/roviro2.pc.in ${PROJECT_BINARY_DIR}/roviro2.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/roviro2.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

if(TARGET roviro2-cli)
  # The tool finds the library from its own place, wherever the tree is.
  file(RELATIVE_PATH ROVIRO2_BIN_TO_LIB "/${CMAKE_INSTALL_BINDIR}" "/${CMAKE_INSTALL_LIBDIR}")
  set_target_properties(roviro2-cli PROPERTIES INSTALL_RPATH "$ORIGIN/${ROVIRO2_BIN_TO_LIB}")
  install(TARGETS roviro2-cli roviro2-gwsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/docs/simulator.md ${PROJECT_SOURCE_DIR}/docs/performance.md
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  foreach(page roviro2.1 roviro2-gwsim.1)
    configure_file(${PROJECT_SOURCE_DIR}/docs/man/${page}.in ${PROJECT_BINARY_DIR}/man/${page} @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/man/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
endif()
if(TARGET roviro2-bridge)
  file(RELATIVE_PATH ROVIRO2_BIN_TO_LIB "/${CMAKE_INSTALL_BINDIR}" "/${CMAKE_INSTALL_LIBDIR}")
  set_target_properties(roviro2-bridge PROPERTIES INSTALL_RPATH "$ORIGIN/${ROVIRO2_BIN_TO_LIB}")
  install(TARGETS roviro2-bridge RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/docs/bridge.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
  configure_file(${PROJECT_SOURCE_DIR}/docs/man/roviro2-bridge.1.in
                 ${PROJECT_BINARY_DIR}/man/roviro2-bridge.1 @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/man/roviro2-bridge.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md
              ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# cpack -G DEB: one package with the library, what building against it
# needs, and the tools; cpack -G TGZ: the same tree as an archive. For
# Windows, cpack -G ZIP (scripts/windows-kit.sh) makes the kit: bin/ with
# the DLL, lib/ with both import libraries, include/.
set(CPACK_PACKAGE_NAME roviro2)
set(CPACK_PACKAGE_VENDOR "The roviro2 developers")
set(CPACK_PACKAGE_CONTACT "The roviro2 developers <roviro2@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Client library for field devices behind TCP gateways, with a simulator and a tool")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR "DEB;TGZ")
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
find_program(ROVIRO2_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(ROVIRO2_DPKG_SHLIBDEPS AND NOT WIN32)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
