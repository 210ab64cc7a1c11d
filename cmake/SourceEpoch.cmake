# SPDX-License-Identifier: MIT
# The one time a release's files carry: SOURCE_DATE_EPOCH, else the last
# commit's, so that two builds of one source give the same packages.
function(qv_source_epoch out source_dir)
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
  if(NOT epoch MATCHES "^[0-9]+$")
    execute_process(COMMAND git -C "${source_dir}" log -1 --format=%ct
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(NOT epoch MATCHES "^[0-9]+$")
    set(epoch 1767225600)  # 2026-01-01, for a source without its history
  endif()
  set(${out} ${epoch} PARENT_SCOPE)
endfunction()
