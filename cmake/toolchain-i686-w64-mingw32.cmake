# SPDX-License-Identifier: MIT
# roviro2.dll for 32-bit Windows.
set(ROVIRO2_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
