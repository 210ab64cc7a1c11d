# SPDX-License-Identifier: MIT
# qv_use_clang(TARGET): compiles an object library's sources with clang.
# A CMake build has one C++ compiler. A compiler launcher on the target runs clang
# on the very command line CMake writes for that compiler, so the sources keep the
# flags of the rest of the library, whatever the preset adds (sanitizers, the
# fuzzer's instrumentation, -m32), without a second list of them to drift.
# Only what clang needs beyond GCC's command line is added here.
find_program(QV_CLANGXX NAMES clang++-14 clang++ REQUIRED)

# DWARF 4 where the build asks for debug information: valgrind 3.19 cannot read
# the DWARF 5 that clang 14 writes.
set(QV_CLANG_EXTRA -fdebug-default-version=4)
if(WIN32)
  # GCC's own C++ and mingw-w64 headers; clang keeps its built-in ones.
  list(APPEND QV_CLANG_EXTRA --target=${QV_MINGW_TRIPLET})
  foreach(dir IN LISTS CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES)
    if(dir MATCHES "/c\\+\\+" OR dir STREQUAL "/usr/${QV_MINGW_TRIPLET}/include")
      list(APPEND QV_CLANG_EXTRA -isystem ${dir})
    endif()
  endforeach()
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # GCC's baseline for these targets (no SSE).
  list(APPEND QV_CLANG_EXTRA -march=i686)
endif()

function(qv_use_clang target)
  set_target_properties(${target} PROPERTIES
    QV_CLANG ON
    CXX_COMPILER_LAUNCHER "${CMAKE_SOURCE_DIR}/cmake/clang-instead;${QV_CLANGXX};${QV_CLANG_EXTRA};--")
endfunction()
