# SPDX-License-Identifier: MIT
# shellcheck shell=bash disable=SC2034  # the package lists are read through a name reference
# Sourced by .ci/run and the scripts in tools/: the Debian packages each command
# needs, installed when missing (as root, or through sudo), and 32-bit execution.

# The demo: the 32-bit DLL built with mingw-w64 (Keccak with clang) and run under 32-bit Wine.
QV_DEMO_PACKAGES=(cmake ninja-build g++-mingw-w64-i686 clang wine wine32:i386)
# Every test and benchmark besides: the Linux library with libcrypto, the NIST
# vectors and Google Benchmark, their 32-bit forms for host32, the 64-bit DLL,
# import libraries through LLVM, libFuzzer's runtime, valgrind, the benchmark
# chart, the locales that give Wine other code pages, the language wrappers'
# tests (C# on Mono, Free Pascal, and its sources for the Windows units of the
# zip README's Pascal example), the consumer build test (pkg-config), the
# Debian packages' dependencies (dpkg-shlibdeps) and their judge (lintian), the
# README's NSIS example (makensis), the formatting check, and qemu-user, which runs the forms of a
# routine that this processor lacks, and the fall-back forms, on a model of
# another processor.
QV_TEST_PACKAGES=("${QV_DEMO_PACKAGES[@]}" g++ googletest libgtest-dev libssl-dev python3-cryptography-vectors
                  g++-mingw-w64-x86-64 wine64 lld llvm libclang-rt-14-dev valgrind
                  libbenchmark-dev g++-multilib libssl-dev:i386 libbenchmark-dev:i386 gnuplot-nox locales
                  mono-mcs mono-runtime fp-compiler fp-units-fcl fpc-source-3.2.2 pkgconf dpkg-dev lintian nsis
                  clang-format qemu-user)
# Wine reads its ANSI code page from the locale: 1251, 932, and 65001 (UTF-8),
# which it gives a Hindi locale.
QV_TEST_LOCALES=(ru_RU ja_JP hi_IN)

qv_can_root() {
    ((EUID == 0)) || command -v sudo >/dev/null
}

qv_as_root() {
    if ((EUID == 0)); then
        "$@"
    else
        sudo "$@"
    fi
}

# qv_setup demo|test: makes 32-bit x86 programs run, installs the group's
# missing packages and, for the tests, makes their locales. Says what it
# installs; QV_SET_UP_AT is the time it began when it did anything.
qv_setup() {
    local -n packages="QV_${1^^}_PACKAGES"
    local began=$SECONDS
    QV_SET_UP_AT=
    local exec32
    exec32="$(dirname "${BASH_SOURCE[0]}")/exec32.sh"
    if [[ "$("$exec32" --mode)" == none || "${QV_EXEC32_FORCE:-}" == 1 ]]; then
        QV_SET_UP_AT=$began
    fi
    "$exec32"
    # The tests run the compression forms this processor lacks under qemu-user.
    if [[ "$1" == test ]]; then
        command -v qemu-x86_64 >/dev/null || QV_SET_UP_AT=$began
        "$exec32" --qemu
    fi
    local missing=() package
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    if ((${#missing[@]})); then
        if ! qv_can_root; then
            echo "$(basename "$0"): this machine lacks ${missing[*]}; installing needs root: run it as root or install sudo" >&2
            return 1
        fi
        QV_SET_UP_AT=$began
        echo "installing: ${missing[*]}"
        if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
            qv_as_root dpkg --add-architecture i386
        fi
        qv_as_root apt-get update -qq
        qv_as_root env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
    if [[ "$1" == test ]]; then
        local locale
        for locale in "${QV_TEST_LOCALES[@]}"; do
            locale -a 2>/dev/null | grep -qx "$locale.utf8" && continue
            qv_can_root || { echo "$(basename "$0"): making the locale $locale.UTF-8 needs root" >&2; return 1; }
            QV_SET_UP_AT=$began
            echo "making the locale $locale.UTF-8"
            qv_as_root localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
        done
    fi
    if [[ -n "$QV_SET_UP_AT" ]]; then
        echo "set-up took $(qv_duration $((SECONDS - began)))"
    fi
}

qv_duration() {
    if (($1 >= 60)); then
        echo "$(($1 / 60)) min $(($1 % 60)) s"
    else
        echo "$1 s"
    fi
}

# The closing line of a run that set the machine up first.
qv_report_first_run() {
    [[ -n "${QV_SET_UP_AT:-}" ]] || return 0
    echo "$(basename "$0"): the first run on this machine, set-up included, took $(qv_duration $((SECONDS - QV_SET_UP_AT)))"
}
