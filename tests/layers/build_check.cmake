# SPDX-License-Identifier: MIT
# Builds TARGET in BUILD and checks the outcome: EXPECT "builds", or "fails"
# because HEADER was not found (a failure for any other reason is a failure).
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} --target ${TARGET}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(EXPECT STREQUAL "builds")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${TARGET}: an include the layers allow did not build:\n${output}")
  endif()
elseif(result EQUAL 0)
  message(FATAL_ERROR "${TARGET} built: ${HEADER} is reachable from a layer below it")
else()
  string(FIND "${output}" "${HEADER}: No such file" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "${TARGET} failed, but not for want of ${HEADER}:\n${output}")
  endif()
endif()
