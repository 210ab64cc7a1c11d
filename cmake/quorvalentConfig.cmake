# SPDX-License-Identifier: MIT
# find_package(quorvalent CONFIG): the imported target quorvalent::quorvalent,
# located relative to this file.
include(${CMAKE_CURRENT_LIST_DIR}/quorvalentTargets.cmake)
