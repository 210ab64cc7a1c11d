# SPDX-License-Identifier: MIT
# libquorvalent.so: the DLL's exports and nothing else, with a soname, installable.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)
add_library(quorvalent SHARED ${QV_LIBRARY_OBJECTS} ${QV_LINUX_LOADER_SOURCE})
# The loader shim is boundary code: it sees what that layer sees.
target_include_directories(quorvalent PRIVATE $<TARGET_PROPERTY:quorvalent_boundary,INTERFACE_INCLUDE_DIRECTORIES>)
target_compile_options(quorvalent PRIVATE ${QV_WARNINGS} -fno-exceptions -fno-rtti -fvisibility=hidden)
target_link_options(quorvalent PRIVATE -Wl,--no-undefined
                    -Wl,--version-script=${CMAKE_SOURCE_DIR}/boundary/quorvalent.map)
set_target_properties(quorvalent PROPERTIES
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
  LINK_DEPENDS ${CMAKE_SOURCE_DIR}/boundary/quorvalent.map
  PUBLIC_HEADER include/quorvalent.h)

# The installed tree is relocatable: the pkg-config file and the CMake package
# find the library and header relative to themselves, so every directory is
# taken relative to the prefix given at install time.
foreach(dir LIBDIR INCLUDEDIR DOCDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    message(FATAL_ERROR "CMAKE_INSTALL_${dir} must be relative to the prefix, not ${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
set(QV_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/quorvalent)

# Two components, packaged as Debian packages below: runtime (the library and
# its soname link) and dev (what a build needs: header, .so link, pkg-config file
# and CMake package). A plain cmake --install puts everything in place.
install(TARGETS quorvalent EXPORT quorvalentTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

# pkg-config: the prefix is the .pc file's own folder, climbed back up.
file(RELATIVE_PATH QV_PC_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" QV_PC_PREFIX "${QV_PC_PREFIX}")
configure_file(cmake/quorvalent.pc.in ${CMAKE_BINARY_DIR}/generated/quorvalent.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/generated/quorvalent.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# CMake: find_package(quorvalent CONFIG) gives the target quorvalent::quorvalent.
install(EXPORT quorvalentTargets NAMESPACE quorvalent:: DESTINATION ${QV_CMAKE_PACKAGE_DIR} COMPONENT dev)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/generated/quorvalentConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES cmake/quorvalentConfig.cmake ${CMAKE_BINARY_DIR}/generated/quorvalentConfigVersion.cmake
        DESTINATION ${QV_CMAKE_PACKAGE_DIR} COMPONENT dev)

# Debian packages (cpack -G DEB): libquorvalent1 and libquorvalent-dev, each with
# the license as its copyright file. Those files go only into the packages.
set(QV_DEB_RUNTIME libquorvalent${PROJECT_VERSION_MAJOR})
file(READ LICENSE QV_LICENSE)
file(WRITE ${CMAKE_BINARY_DIR}/generated/copyright
     "quorvalent ${PROJECT_VERSION}: ${PROJECT_DESCRIPTION}\n\nLicense: MIT\n\n${QV_LICENSE}")
install(FILES ${CMAKE_BINARY_DIR}/generated/copyright DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${QV_DEB_RUNTIME}
        COMPONENT runtime EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_BINARY_DIR}/generated/copyright DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/libquorvalent-dev
        COMPONENT dev EXCLUDE_FROM_ALL)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvalent)
set(CPACK_PACKAGE_VENDOR "quorvalent developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_COMPONENTS_ALL runtime dev)
set(CPACK_DEB_COMPONENT_INSTALL ON)
# The packaged library is stripped, as cmake --install --strip leaves it.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "quorvalent developers")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${QV_DEB_RUNTIME})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# libc6's version from dpkg-shlibdeps; a shlibs file for the packages built on
# this one. CPack adds the postinst and postrm that run ldconfig.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "The shared library libquorvalent.so.1: lowercase hexadecimal MD5, SHA-1,
SHA-2 and SHA-3 digests of texts, bytes and files, and ROT13 of texts, through nine C functions.")
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libquorvalent-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
# The dev package requires the runtime package of its own version.
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_COMPONENT_DEV_DESCRIPTION "Development files: the header quorvalent.h, the libquorvalent.so link,
quorvalent.pc for pkg-config and the CMake package for find_package(quorvalent).")
include(CPack)
