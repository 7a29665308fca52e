# SPDX-License-Identifier: MIT
# Cross build of roviro2.dll with Debian's MinGW-w64 compilers for the
# processor ROVIRO2_MINGW_ARCH (i686 or x86_64), included by the toolchain
# file of each. The posix thread model is the one whose C++ library has
# std::thread, which the tests use.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ROVIRO2_MINGW_ARCH})
set(triple ${ROVIRO2_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_DLLTOOL ${triple}-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test programs run under wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
