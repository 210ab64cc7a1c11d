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
write_basic_package_version_file(${CMAKE_BINARY_DIR}/generated/quorvalentConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)

# qv_install_library(LIBDIR RUNTIME DEV [EXCLUDE_FROM_ALL]): the library and its
# soname link in LIBDIR as component RUNTIME; the header, the .so link, the
# pkg-config file (LIBDIR/pkgconfig) and the CMake package (LIBDIR/cmake, for
# find_package(quorvalent CONFIG) and its target quorvalent::quorvalent) as DEV.
function(qv_install_library libdir runtime dev)
  set(exclude ${ARGN})
  install(TARGETS quorvalent EXPORT quorvalentTargets_${runtime}
    LIBRARY DESTINATION ${libdir} COMPONENT ${runtime} NAMELINK_COMPONENT ${dev} ${exclude}
    PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT ${dev} ${exclude}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  # pkg-config: the prefix is the .pc file's own folder, climbed back up.
  set(QV_PC_LIBDIR ${libdir})
  file(RELATIVE_PATH QV_PC_PREFIX /prefix/${libdir}/pkgconfig /prefix)
  string(REGEX REPLACE "/$" "" QV_PC_PREFIX "${QV_PC_PREFIX}")
  configure_file(cmake/quorvalent.pc.in ${CMAKE_BINARY_DIR}/generated/${runtime}/quorvalent.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/generated/${runtime}/quorvalent.pc DESTINATION ${libdir}/pkgconfig
          COMPONENT ${dev} ${exclude})
  install(EXPORT quorvalentTargets_${runtime} NAMESPACE quorvalent:: FILE quorvalentTargets.cmake
          DESTINATION ${libdir}/cmake/quorvalent COMPONENT ${dev} ${exclude})
  install(FILES cmake/quorvalentConfig.cmake ${CMAKE_BINARY_DIR}/generated/quorvalentConfigVersion.cmake
          DESTINATION ${libdir}/cmake/quorvalent COMPONENT ${dev} ${exclude})
endfunction()

# cmake --install puts everything in place under the prefix, in the folders
# GNUInstallDirs gives it (lib for /usr/local), with the license.
qv_install_library(${CMAKE_INSTALL_LIBDIR} runtime dev)
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT dev)

# Debian packages (cpack -G DEB): libquorvalent1 (the library and its soname
# link) and libquorvalent-dev (what a build needs), the library and the files
# that find it in the multiarch folder (/usr/lib/x86_64-linux-gnu; GNUInstallDirs'
# folder for a compiler that names none), each package with the license as its
# copyright file and a changelog. These components go only into the packages.
set(QV_DEB_LIBDIR ${CMAKE_INSTALL_LIBDIR})
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(QV_DEB_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE})
endif()
qv_install_library(${QV_DEB_LIBDIR} deb_runtime deb_dev EXCLUDE_FROM_ALL)
set(CPACK_DEBIAN_DEB_RUNTIME_PACKAGE_NAME libquorvalent${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_DEB_DEV_PACKAGE_NAME libquorvalent-dev)
set(QV_DEB_MAINTAINER "quorvalent developers <maintainers@quorvalent.invalid>" CACHE STRING
    "The Maintainer of the Debian packages: a name and an address")
file(READ LICENSE QV_LICENSE)
file(WRITE ${CMAKE_BINARY_DIR}/generated/copyright
     "quorvalent ${PROJECT_VERSION}: ${PROJECT_DESCRIPTION}\n\nLicense: MIT\n\n${QV_LICENSE}")
foreach(component IN ITEMS deb_runtime deb_dev)
  string(TOUPPER ${component} upper)
  set(doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
  install(FILES ${CMAKE_BINARY_DIR}/generated/copyright DESTINATION ${doc} COMPONENT ${component} EXCLUDE_FROM_ALL)
  # The changelog is dated with the source, compressed without a name or time.
  install(CODE "
    include(\"${CMAKE_SOURCE_DIR}/cmake/SourceEpoch.cmake\")
    qv_source_epoch(epoch \"${CMAKE_SOURCE_DIR}\")
    set(ENV{SOURCE_DATE_EPOCH} \${epoch})
    string(TIMESTAMP date \"%a, %d %b %Y %H:%M:%S +0000\" UTC)
    set(changelog \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${doc}/changelog\")
    file(WRITE \"\${changelog}\" \"quorvalent (${PROJECT_VERSION}) unstable; urgency=medium\\n\\n  * quorvalent ${PROJECT_VERSION}.\\n\\n -- ${QV_DEB_MAINTAINER}  \${date}\\n\")
    execute_process(COMMAND gzip -9nf \"\${changelog}\" COMMAND_ERROR_IS_FATAL ANY)"
    COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvalent)
set(CPACK_PACKAGE_VENDOR "quorvalent developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_COMPONENTS_ALL deb_runtime deb_dev)
set(CPACK_DEB_COMPONENT_INSTALL ON)
# The packaged library is stripped, as cmake --install --strip leaves it.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QV_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_DEB_RUNTIME_PACKAGE_SECTION libs)
# libc6's version from dpkg-shlibdeps; a shlibs file for the packages built on
# this one. dpkg runs ldconfig through the trigger; CPack's postinst and postrm
# call it as well.
set(CPACK_DEBIAN_DEB_RUNTIME_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
file(WRITE ${CMAKE_BINARY_DIR}/generated/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_DEB_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/generated/triggers)
# Each description follows the project's one-line summary; lines stay short.
set(CPACK_COMPONENT_DEB_RUNTIME_DESCRIPTION "The shared library libquorvalent.so.1: lowercase hexadecimal MD5,
SHA-1, SHA-2 and SHA-3 digests of texts, bytes and files, and ROT13 of
texts, through nine C functions.")
set(CPACK_DEBIAN_DEB_DEV_PACKAGE_SECTION libdevel)
# The dev package requires the runtime package of its own version.
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_DEB_DEV_DEPENDS deb_runtime)
set(CPACK_COMPONENT_DEB_DEV_DESCRIPTION "Development files: the header quorvalent.h, the libquorvalent.so link,
quorvalent.pc for pkg-config and the CMake package for
find_package(quorvalent).")
include(CPack)
