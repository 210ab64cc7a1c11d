# SPDX-License-Identifier: MIT
# CPack's post-build script for the release zip: every entry gets the time of
# SOURCE_DATE_EPOCH, else of the last commit, and nothing else of the machine
# that built it, so that two builds of one source give the same zip.
if(NOT CPACK_QV_PYTHON)
  message(FATAL_ERROR "the release zip is written by Python's zipfile: install python3 and configure again")
endif()
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(NOT epoch MATCHES "^[0-9]+$")
  execute_process(COMMAND git -C "${CPACK_QV_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  set(epoch 1767225600)  # 2026-01-01, for a source without its history
endif()
foreach(zip IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND "${CPACK_QV_PYTHON}" "${CPACK_QV_SOURCE_DIR}/cmake/reproducible_zip.py" "${zip}" ${epoch}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
