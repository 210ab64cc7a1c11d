# SPDX-License-Identifier: MIT
# qv_clang_object(SOURCE VARIABLE INCLUDE_DIR...): compiles one library source with
# clang for the build's target, with the library's flags and the given include
# directories (its layer's), and appends the object to VARIABLE.
find_program(QV_CLANGXX NAMES clang++-14 clang++ REQUIRED)

function(qv_clang_object source variable)
  set(flags -std=c++20 -fno-exceptions -fno-rtti -fvisibility=hidden ${QV_WARNINGS})
  foreach(dir IN LISTS ARGN)
    list(APPEND flags -I${dir})
  endforeach()
  string(TOUPPER "${CMAKE_BUILD_TYPE}" config)
  separate_arguments(config_flags UNIX_COMMAND "${CMAKE_CXX_FLAGS_${config}}")
  # DWARF 4: valgrind 3.19 cannot read the DWARF 5 that clang 14 writes.
  list(TRANSFORM config_flags REPLACE "^-g$" "-gdwarf-4")
  list(APPEND flags ${config_flags})
  if(WIN32)
    # GCC's own C++ and mingw-w64 headers; clang keeps its built-in ones.
    list(APPEND flags --target=${QV_MINGW_TRIPLET})
    foreach(dir IN LISTS CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES)
      if(dir MATCHES "/c\\+\\+" OR dir STREQUAL "/usr/${QV_MINGW_TRIPLET}/include")
        list(APPEND flags -isystem ${dir})
      endif()
    endforeach()
  else()
    list(APPEND flags -fPIC)
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # GCC's baseline for these targets (no SSE), and on Windows the same 4-byte
    # stack boundary as the rest of the library (QV_REALIGN_STACK).
    list(APPEND flags -march=i686)
    if(NOT WIN32)
      list(APPEND flags -m32)
    elseif(QV_REALIGN_STACK)
      list(APPEND flags -mstack-alignment=4)
    endif()
  endif()
  get_filename_component(name ${source} NAME)
  set(object ${CMAKE_BINARY_DIR}/clang/${name}${CMAKE_CXX_OUTPUT_EXTENSION})
  add_custom_command(
    OUTPUT ${object}
    COMMAND ${QV_CLANGXX} ${flags} -MD -MF ${object}.d -c ${CMAKE_SOURCE_DIR}/${source} -o ${object}
    DEPENDS ${CMAKE_SOURCE_DIR}/${source}
    DEPFILE ${object}.d
    COMMENT "Building ${source} with clang"
    COMMAND_EXPAND_LISTS VERBATIM)
  set(${variable} ${${variable}} ${object} PARENT_SCOPE)
endfunction()
