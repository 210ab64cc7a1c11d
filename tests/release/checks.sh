# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Sourced by the release scripts: named checks that go on after a failure, and
# the closing count.
checks=0
failures=0

check() {  # check WHAT GOT PATTERN
    checks=$((checks + 1))
    # shellcheck disable=SC2053  # the third argument is a pattern
    if [[ "$2" == $3 ]]; then
        echo "ok   $1: ${2//$'\n'/ }"
    else
        echo "FAIL $1: '${2//$'\n'/ }', want '$3'"
        failures=$((failures + 1))
    fi
}

report() {
    echo "$((checks - failures)) passed, $failures failed"
    ((failures == 0))
}
