# SPDX-License-Identifier: MIT
# quorvalent.dll with its version resource, import libraries and release zip.
set(QV_ARCHITECTURE_NAME win32)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QV_ARCHITECTURE_NAME win64)
endif()

configure_file(${CMAKE_SOURCE_DIR}/boundary/version.rc.in ${CMAKE_BINARY_DIR}/generated/version.rc @ONLY)
add_library(quorvalent SHARED ${QV_LIBRARY_OBJECTS} boundary/quorvalent.def
                              ${CMAKE_BINARY_DIR}/generated/version.rc)
# The linker's own import library would name the exports without their stdcall
# decoration; the ones callers link against are made below.
set_target_properties(quorvalent PROPERTIES PREFIX "" OUTPUT_NAME quorvalent ARCHIVE_OUTPUT_NAME quorvalent-linker)
# The GCC runtime goes into the DLL, so it imports only KERNEL32 and msvcrt;
# stdcall fixup binds the undecorated .def names to the decorated symbols. No
# timestamp and no build paths make two builds of one source byte-identical.
target_link_options(quorvalent PRIVATE -static -s -Wl,--enable-stdcall-fixup -Wl,--no-insert-timestamp)

# Import libraries. A 32-bit caller's __stdcall declarations reference decorated
# names (_cifrado_SHA2@8), which --kill-at maps to the DLL's undecorated exports.
# The byte counts come from the header's prototypes, which the exports are
# compiled against: every argument is a pointer or a size_t, one 4-byte stack slot.
file(READ ${CMAKE_SOURCE_DIR}/include/quorvalent.h QV_HEADER_TEXT)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/include/quorvalent.h)
string(REGEX MATCHALL "QUORVALENT_CALL [A-Za-z0-9_]+\\([^)]*\\)" QV_PROTOTYPES "${QV_HEADER_TEXT}")
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(QV_DLLTOOL_MACHINE i386)
  set(QV_KILL_AT -k)
else()
  set(QV_DLLTOOL_MACHINE i386:x86-64)
  set(QV_KILL_AT)
endif()
set(QV_IMPORT_DEF "LIBRARY \"quorvalent.dll\"\nEXPORTS\n")
file(STRINGS ${CMAKE_SOURCE_DIR}/boundary/quorvalent.def QV_DEF_LINES REGEX "@[0-9]+")
foreach(line IN LISTS QV_DEF_LINES)
  string(REGEX MATCH "([A-Za-z0-9_]+) +@([0-9]+)" _ "${line}")
  set(name ${CMAKE_MATCH_1})
  set(ordinal ${CMAKE_MATCH_2})
  set(prototype ${QV_PROTOTYPES})
  list(FILTER prototype INCLUDE REGEX "^QUORVALENT_CALL ${name}\\(")
  if(NOT prototype MATCHES "\\((.*)\\)")
    message(FATAL_ERROR "include/quorvalent.h declares no export ${name}")
  endif()
  set(bytes 0)
  if(NOT CMAKE_MATCH_1 STREQUAL "void")
    string(REPLACE "," ";" arguments "${CMAKE_MATCH_1}")
    foreach(argument IN LISTS arguments)
      if(NOT argument MATCHES "\\*" AND NOT argument MATCHES "^ *size_t ")
        message(FATAL_ERROR "${name}: the argument '${argument}' is neither a pointer nor a size_t; its stack size is not known here")
      endif()
      math(EXPR bytes "${bytes} + 4")
    endforeach()
  endif()
  if(QV_KILL_AT)
    string(APPEND QV_IMPORT_DEF "    ${name}@${bytes} @${ordinal}\n")
  else()
    string(APPEND QV_IMPORT_DEF "    ${name} @${ordinal}\n")
  endif()
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/generated/quorvalent-import.def "${QV_IMPORT_DEF}")

set(QV_IMPLIB_DIR ${CMAKE_BINARY_DIR}/implib)
# The demo loads the DLL by name and builds without them, and so without LLVM.
option(QV_IMPORT_LIBRARIES "Build the import libraries (needs llvm-dlltool)" ON)
set(QV_IMPORT_LIBRARY_FILES)
if(QV_IMPORT_LIBRARIES)
  file(MAKE_DIRECTORY ${QV_IMPLIB_DIR})
  find_program(QV_DLLTOOL ${QV_MINGW_TRIPLET}-dlltool REQUIRED)
  find_program(QV_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 REQUIRED)
  # Run from their own folder with bare output names: GNU dlltool names its
  # members and symbols after the output path (__head_libquorvalent_dll_a), so a
  # path would put the build folder into the library.
  add_custom_command(
    OUTPUT ${QV_IMPLIB_DIR}/libquorvalent.dll.a ${QV_IMPLIB_DIR}/quorvalent.lib
    COMMAND ${QV_DLLTOOL} ${QV_KILL_AT} --deterministic-libraries -d ${CMAKE_BINARY_DIR}/generated/quorvalent-import.def
            -D quorvalent.dll -l libquorvalent.dll.a
    COMMAND ${QV_LLVM_DLLTOOL} -m ${QV_DLLTOOL_MACHINE} ${QV_KILL_AT}
            -d ${CMAKE_BINARY_DIR}/generated/quorvalent-import.def -l quorvalent.lib
    WORKING_DIRECTORY ${QV_IMPLIB_DIR}
    DEPENDS ${CMAKE_SOURCE_DIR}/boundary/quorvalent.def ${CMAKE_SOURCE_DIR}/include/quorvalent.h
            ${CMAKE_SOURCE_DIR}/cmake/WindowsProduct.cmake
    COMMENT "Making the import libraries")
  add_custom_target(quorvalent_import_libraries ALL
    DEPENDS ${QV_IMPLIB_DIR}/libquorvalent.dll.a ${QV_IMPLIB_DIR}/quorvalent.lib)
  set(QV_IMPORT_LIBRARY_FILES ${QV_IMPLIB_DIR}/libquorvalent.dll.a ${QV_IMPLIB_DIR}/quorvalent.lib)
elseif(QV_TESTS)
  message(FATAL_ERROR "the tests link against the import libraries: QV_TESTS needs QV_IMPORT_LIBRARIES")
endif()

# The release zip: everything in one folder, the language wrappers in bindings/,
# with checksums of the rest. Its README is written for someone who has only the
# zip; the repository's own is about building and testing.
install(FILES $<TARGET_FILE:quorvalent> include/quorvalent.h boundary/quorvalent.def packaging/README.txt LICENSE
              ${QV_IMPORT_LIBRARY_FILES}
        DESTINATION .)
install(FILES bindings/quorvalent.py bindings/Quorvalent.cs bindings/quorvalent.pas bindings/Quorvalent.bas
        DESTINATION bindings)
install(CODE [[
  set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
  file(GLOB_RECURSE files RELATIVE "${root}" "${root}/*")
  list(REMOVE_ITEM files SHA256SUMS)
  list(SORT files)
  set(sums "")
  foreach(name IN LISTS files)
    file(SHA256 "${root}/${name}" hash)
    string(APPEND sums "${hash}  ${name}\n")
  endforeach()
  file(WRITE "${root}/SHA256SUMS" "${sums}")
]])
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME quorvalent-${PROJECT_VERSION}-${QV_ARCHITECTURE_NAME})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
# The zip CPack writes holds each file's access and change times; it is written
# again with one time for every entry (cmake/ReproducibleZip.cmake).
# Only cpack needs it: the demo builds without Python.
find_package(Python3 COMPONENTS Interpreter)
set(CPACK_QV_PYTHON ${Python3_EXECUTABLE})
set(CPACK_QV_SOURCE_DIR ${CMAKE_SOURCE_DIR})
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/ReproducibleZip.cmake)
include(CPack)
