# SPDX-License-Identifier: MIT
# shellcheck shell=bash disable=SC2034  # the package lists are read through a name reference
# Sourced by .ci/run and the scripts in tools/: the Debian packages each command
# needs, installed when missing (as root, or through sudo), and 32-bit execution.
# After changing what it installs, tools/fresh_root.sh runs the README's two
# commands in a fresh minimal Debian 12 root.

# The demo: the 32-bit DLL built with mingw-w64 (Keccak with clang) and run under 32-bit Wine.
QV_DEMO_PACKAGES=(cmake ninja-build g++-mingw-w64-i686 clang wine wine32:i386)
# Every test and benchmark besides: the Linux library with libcrypto, the NIST
# vectors and Google Benchmark, their 32-bit forms for host32, the 64-bit DLL,
# import libraries through LLVM, libFuzzer's runtime, valgrind, the benchmark
# chart, the locales that give Wine other code pages, the language wrappers'
# tests (C# on Mono, Free Pascal, and its sources for the Windows units of the
# zip README's Pascal example), the consumer build test (pkg-config), the
# Debian packages' dependencies (dpkg-shlibdeps, and file, through which CPack
# finds the libraries to give it) and their judge (lintian), the README's NSIS
# example (makensis), the formatting check, and qemu-user, which runs the forms of a
# routine that this processor lacks, and the fall-back forms, on a model of
# another processor.
QV_TEST_PACKAGES=("${QV_DEMO_PACKAGES[@]}" g++ googletest libgtest-dev libssl-dev python3-cryptography-vectors
                  g++-mingw-w64-x86-64 wine64 lld llvm libclang-rt-14-dev valgrind
                  libbenchmark-dev g++-multilib libssl-dev:i386 libbenchmark-dev:i386 gnuplot-nox locales
                  mono-mcs mono-runtime fp-compiler fp-units-fcl fpc-source-3.2.2 pkgconf dpkg-dev file lintian nsis
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

# On a fresh machine apt meets three obstacles that waiting or dpkg clears: the
# package lock, held by another apt or dpkg (most often the upgrade that runs at
# boot), which the set-up waits for this long; an install cut short, which dpkg
# finishes; and a mirror in the middle of a sync, whose indexes do not match its
# Release file for a minute or two, so that apt-get update is tried this many
# times, this far apart.
QV_LOCK_WAIT=600
QV_UPDATE_TRIES=3
QV_UPDATE_PAUSE=20

# qv_install APT_INSTALL_ARGUMENTS...: finishes an install that was cut short,
# brings the package index up to date and installs; says why when it cannot.
qv_install() {
    qv_finish_interrupted_install && qv_apt_update && qv_apt_install "$@"
}

# Runs a package command as root with its output dropped; its messages go to qv_messages.
qv_package_command() {
    qv_messages="$(qv_as_root "$@" 2>&1 >/dev/null)"
}

# Who holds the package lock, from apt's or dpkg's complaint in qv_messages;
# fails when they complain of something else.
qv_lock_holder() {
    grep -qE 'Could not get lock|Unable to (lock|acquire the dpkg frontend lock)|locked by another process' \
        <<<"$qv_messages" || return 1
    local holder
    holder="$(sed -n -e 's/.*Could not get lock .* held by \(process [0-9]*\( ([^)]*)\)\?\).*/\1/p' \
                     -e 's/.*locked by another process with pid \([0-9]*\).*/process \1/p' <<<"$qv_messages")"
    holder="${holder%%$'\n'*}"
    echo "${holder:-another process}"
}

qv_say_waiting() {
    echo "$1 holds the package lock (on a fresh machine, most often the upgrade that runs at boot): waiting for it, up to $(qv_duration "$QV_LOCK_WAIT")"
}

qv_say_still_held() {
    echo "$(basename "$0"): $1 still holds the package lock after $(qv_duration "$QV_LOCK_WAIT"): run the same command again once it has finished" >&2
}

qv_show_messages() {
    [[ -z "$qv_messages" ]] || printf '%s\n' "$qv_messages" >&2
}

# After a command that failed of something else than the lock: its messages, and what failed.
qv_say_failed() {
    qv_show_messages
    echo "$(basename "$0"): $1" >&2
}

# qv_package_command, again every 10 s while another apt or dpkg holds the lock,
# for up to QV_LOCK_WAIT seconds: apt-get update and dpkg fail at once on a held
# lock. Returns 2 when the lock stayed held, having said so.
qv_waiting_for_lock() {
    local waited=0 holder
    until qv_package_command "$@"; do
        holder="$(qv_lock_holder)" || return 1
        if ((waited >= QV_LOCK_WAIT)); then
            qv_say_still_held "$holder"
            return 2
        fi
        ((waited > 0)) || qv_say_waiting "$holder"
        sleep 10
        waited=$((waited + 10))
    done
}

# dpkg leaves its journal behind when an install is cut short (the machine went
# down, the terminal closed), and apt refuses to install until dpkg has replayed
# it and configured what it had unpacked. Changed configuration files are kept.
qv_finish_interrupted_install() {
    compgen -G "${DPKG_ADMINDIR:-/var/lib/dpkg}/updates/[0-9]*" >/dev/null || return 0
    echo "finishing an earlier install that was interrupted: dpkg --configure -a"
    local status=0
    qv_waiting_for_lock env DEBIAN_FRONTEND=noninteractive \
        dpkg --force-confdef --force-confold --configure -a || status=$?
    case $status in
        0) qv_show_messages ;;
        1) qv_say_failed "dpkg --configure -a failed"; return 1 ;;
        *) return 1 ;;
    esac
}

qv_apt_update() {
    local try status failed
    for ((try = 1; ; try++)); do
        status=0
        qv_waiting_for_lock apt-get update -qq || status=$?
        case $status in
            0) qv_show_messages; return 0 ;;
            2) return 1 ;;
        esac
        # The first index that failed, as "URL (apt's reason)".
        failed="$(awk '/^[EW]: Failed to fetch / {
                           url = $5; sub(/^.*Failed to fetch [^ ]+ +/, ""); sub(/ *\[IP: [^]]*\]$/, "")
                           print url " (" $0 ")"; exit
                       }' <<<"$qv_messages")"
        ((try < QV_UPDATE_TRIES)) || break
        echo "apt-get update failed${failed:+ on the package index $failed}; trying again in $QV_UPDATE_PAUSE s (try $((try + 1)) of $QV_UPDATE_TRIES)"
        sleep "$QV_UPDATE_PAUSE"
    done
    local tries="apt-get update failed $QV_UPDATE_TRIES times, $QV_UPDATE_PAUSE s apart"
    if [[ -n "$failed" ]]; then
        echo "$(basename "$0"): $tries, on the package index $failed: the mirror is probably in the middle of a sync, so run the same command again in a few minutes" >&2
    else
        qv_say_failed "$tries"
    fi
    return 1
}

# apt-get install; when another apt or dpkg holds the lock, says so and lets apt
# wait for it (DPkg::Lock::Timeout).
qv_apt_install() {
    local install=(env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends) holder
    if ! qv_package_command "${install[@]}" "$@"; then
        holder="$(qv_lock_holder)" || { qv_say_failed "apt-get install failed"; return 1; }
        qv_say_waiting "$holder"
        if ! qv_package_command "${install[@]}" -o "DPkg::Lock::Timeout=$QV_LOCK_WAIT" "$@"; then
            if qv_lock_holder >/dev/null; then qv_say_still_held "$holder"; else qv_say_failed "apt-get install failed"; fi
            return 1
        fi
    fi
    qv_show_messages
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
        qv_install "${missing[@]}" || return 1
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
    if (($1 >= 60 && $1 % 60 == 0)); then
        echo "$(($1 / 60)) min"
    elif (($1 >= 60)); then
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
