# SPDX-License-Identifier: MIT
# Cross-build for 32-bit Windows with Debian's mingw-w64: the shipped DLL.
set(QV_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QV_WINE_LOADER wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
