# SPDX-License-Identifier: MIT
# CPack's post-build script for the release zip: every entry gets the source's
# time (cmake/SourceEpoch.cmake) and nothing else of the machine that built it,
# so that two builds of one source give the same zip.
if(NOT CPACK_QV_PYTHON)
  message(FATAL_ERROR "the release zip is written by Python's zipfile: install python3 and configure again")
endif()
include("${CPACK_QV_SOURCE_DIR}/cmake/SourceEpoch.cmake")
qv_source_epoch(epoch "${CPACK_QV_SOURCE_DIR}")
foreach(zip IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND "${CPACK_QV_PYTHON}" "${CPACK_QV_SOURCE_DIR}/cmake/reproducible_zip.py" "${zip}" ${epoch}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
