# SPDX-License-Identifier: MIT
# Cross-build for 64-bit Windows with Debian's mingw-w64, for 64-bit callers.
set(QV_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
# Straight to the 64-bit loader: the wine script would start the 32-bit one first.
set(QV_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
