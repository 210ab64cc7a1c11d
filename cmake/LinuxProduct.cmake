# SPDX-License-Identifier: MIT
# libquorvalent.so: the six exports and nothing else, with a soname, installable.
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

install(TARGETS quorvalent EXPORT quorvalentTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# Stripped when installed, whatever the install command says; the build tree's
# copy keeps its debug information.
if(NOT CMAKE_STRIP)
  message(FATAL_ERROR "no strip program found for the installed library")
endif()
install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded
  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:quorvalent>\"
  COMMAND_ERROR_IS_FATAL ANY)")
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

# pkg-config: the prefix is the .pc file's own folder, climbed back up.
file(RELATIVE_PATH QV_PC_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" QV_PC_PREFIX "${QV_PC_PREFIX}")
configure_file(cmake/quorvalent.pc.in ${CMAKE_BINARY_DIR}/generated/quorvalent.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/generated/quorvalent.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# CMake: find_package(quorvalent CONFIG) gives the target quorvalent::quorvalent.
install(EXPORT quorvalentTargets NAMESPACE quorvalent:: DESTINATION ${QV_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/generated/quorvalentConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES cmake/quorvalentConfig.cmake ${CMAKE_BINARY_DIR}/generated/quorvalentConfigVersion.cmake
        DESTINATION ${QV_CMAKE_PACKAGE_DIR})
