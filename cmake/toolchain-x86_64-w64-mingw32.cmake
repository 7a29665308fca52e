# SPDX-License-Identifier: MIT
# roviro2.dll for 64-bit Windows.
set(ROVIRO2_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
