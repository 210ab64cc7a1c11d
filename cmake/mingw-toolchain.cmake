# SPDX-License-Identifier: MIT
# Shared by the mingw-w64 toolchain files, which set QV_MINGW_TRIPLET and
# QV_WINE_LOADER first.
# The posix thread model gives GoogleTest its std::mutex; everything is linked
# statically, so no threading runtime DLL ships.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${QV_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QV_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QV_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QV_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Every program built here runs under Wine, in a prefix inside the build tree.
cmake_path(SET QV_WINE_RUN NORMALIZE ${CMAKE_CURRENT_LIST_DIR}/../tools/wine_run.sh)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QV_WINE_RUN} --wine ${QV_WINE_LOADER} --prefix ${CMAKE_BINARY_DIR}/wineprefix)
