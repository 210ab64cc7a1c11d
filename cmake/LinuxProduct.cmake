# libquorvalent.so: the six exports and nothing else, with a soname, installable.
include(GNUInstallDirs)
add_library(quorvalent SHARED $<TARGET_OBJECTS:quorvalent_objects> runtime/loader_linux.cpp)
target_include_directories(quorvalent PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/include)
target_compile_options(quorvalent PRIVATE ${QV_WARNINGS} -fno-exceptions -fno-rtti -fvisibility=hidden)
target_link_options(quorvalent PRIVATE -Wl,--no-undefined
                    -Wl,--version-script=${CMAKE_SOURCE_DIR}/boundary/quorvalent.map)
set_target_properties(quorvalent PROPERTIES
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
  LINK_DEPENDS ${CMAKE_SOURCE_DIR}/boundary/quorvalent.map
  PUBLIC_HEADER include/quorvalent.h)
install(TARGETS quorvalent
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
