# SPDX-License-Identifier: MIT
# 32-bit Linux build with g++ -m32: the code generation of the shipped DLL, on a
# platform where the 32-bit libcrypto and Google Benchmark run natively.
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
# pkg-config would otherwise hand out the 64-bit libraries' paths.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig)
