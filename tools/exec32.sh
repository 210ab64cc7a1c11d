#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes 32-bit x86 programs (the 32-bit Wine loader, the host32 benchmark) run.
# Some kernels run them natively; others refuse them ("Exec format error"), and
# there qemu-i386 is registered with binfmt_misc as the handler for i386 ELF
# files. qemu-user comes from backports: older ones start Wine in about a minute.
#   tools/exec32.sh           nothing where they run already; otherwise set up qemu
#   tools/exec32.sh --force   register qemu even where the kernel runs them natively
#                             (also QV_EXEC32_FORCE=1 in the environment)
#   tools/exec32.sh --remove  remove the qemu-i386 handler
#   tools/exec32.sh --mode    print native, "emulated INTERPRETER" or none
#   tools/exec32.sh --qemu    install qemu-user 10 where it is missing, without
#                             registering it: the tests run the compression forms
#                             this processor lacks under qemu-x86_64 and qemu-i386
set -euo pipefail
# shellcheck source=tools/prereqs.sh
source "$(dirname "$0")/prereqs.sh"
binfmt=/proc/sys/fs/binfmt_misc
handler="qemu-i386"
qemu_minimum=10

action=ensure
[[ "${QV_EXEC32_FORCE:-}" == 1 ]] && action=force
case "${1:-}" in
    "") ;;
    --force | --remove | --mode | --qemu) action="${1#--}" ;;
    *) echo "usage: tools/exec32.sh [--force | --remove | --mode | --qemu]" >&2; exit 2 ;;
esac

die() {
    echo "exec32: $*" >&2
    exit 1
}

# A static i386 program of 104 bytes: read(0, esp, 1), then exit(42), through int 0x80.
write_probe() {
    local header='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'   # 32-bit, little-endian
    header+='\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08'               # executable, i386, entry
    header+='\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'               # program headers at 52
    header+='\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'               # one program header
    local load='\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'  # the whole file at 0x08048000
    load+='\x68\x00\x00\x00\x68\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'      # 104 bytes, read + execute
    local code='\x31\xdb\x89\xe1\x31\xd2\x42\x6a\x03\x58\xcd\x80'                 # read(0, esp, 1)
    code+='\x6a\x01\x58\x6a\x2a\x5b\xcd\x80'                                       # exit(42)
    printf %b "$header$load$code" >"$1"
    chmod +x "$1"
}

# Starts the probe with a pipe on its standard input, so that it waits while
# /proc/PID/exe tells who runs it: the probe itself when the kernel does, the
# interpreter when a binfmt_misc handler does. Prints native, "emulated PATH" or none.
probe() {
    local dir
    dir="$(mktemp -d)"
    write_probe "$dir/probe"
    local shell exe="" status
    shell="$(readlink /proc/$$/exe)"
    coproc PROBE { exec "$dir/probe" 2>/dev/null; }
    local pid=$PROBE_PID input=${PROBE[1]}
    # Until the exec, the child is this shell; a failed exec ends it.
    local tries
    for ((tries = 0; tries < 600; tries++)); do
        exe="$(readlink "/proc/$pid/exe" 2>/dev/null)" || { exe=""; break; }
        [[ "$exe" != "$shell" ]] && break
        sleep 0.05
    done
    eval "exec $input>&-"
    wait "$pid" && status=0 || status=$?
    rm -rf "$dir"
    if ((status != 42)); then
        echo none
    elif [[ "$exe" == "$dir/probe" ]]; then
        echo native
    else
        echo "emulated $exe"
    fi
}

# Root for the changes below: this script again through sudo, or one line saying why not.
need_root() {
    ((EUID == 0)) && return 0
    command -v sudo >/dev/null ||
        die "32-bit x86 programs need qemu-user and a binfmt_misc handler, and setting them up needs root: run this as root or install sudo"
    local again=()
    [[ "$action" == ensure ]] || again=("--$action")
    exec sudo "$0" "${again[@]}"
}

# The newest qemu-i386 on the machine, if it is recent enough.
find_qemu() {
    local candidate version
    for candidate in /usr/bin/qemu-i386-static /usr/bin/qemu-i386; do
        [[ -x "$candidate" ]] || continue
        version="$("$candidate" --version 2>/dev/null | sed -n 's/.* version \([0-9]*\)\..*/\1/p')"
        if [[ -n "$version" ]] && ((version >= qemu_minimum)); then
            echo "$candidate"
            return 0
        fi
    done
    return 1
}

# A backports entry made from the machine's own entry for its release, in the
# same format (one-line or deb822), so that mirror, components and key stay.
add_backports() {
    local release="$1" suite="$2" lists=() sources=() entry
    shopt -s nullglob
    lists=(/etc/apt/sources.list /etc/apt/sources.list.d/*.list)
    sources=(/etc/apt/sources.list.d/*.sources)
    shopt -u nullglob
    if grep -Eqs "^[^#]*[[:space:]]$suite([[:space:]]|$)" "${lists[@]}" "${sources[@]}" /dev/null; then
        return 0
    fi
    entry="$(awk -v release="$release" -v suite="$suite" '
        $1 == "deb" {
            i = 2
            if ($i ~ /^\[/) { while ($i !~ /\]$/ && i < NF) i++; i++ }
            if ($(i + 1) == release) { $(i + 1) = suite; print; exit }
        }' "${lists[@]}" /dev/null 2>/dev/null || true)"
    if [[ -n "$entry" ]]; then
        printf '%s\n' "$entry" >"/etc/apt/sources.list.d/$suite.list"
        return 0
    fi
    entry="$(awk -v release="$release" -v suite="$suite" '
        BEGIN { RS = ""; FS = "\n"; OFS = "\n" }
        {
            deb = 0; hit = 0
            for (i = 1; i <= NF; i++) {
                if ($i ~ /^Types:/ && (" " substr($i, 7) " ") ~ /[ \t]deb[ \t]/) deb = 1
                if ($i ~ /^Enabled:[ \t]*no/) deb = 0
                if ($i ~ /^Suites:/) {
                    n = split(substr($i, 8), words, /[ \t]+/)
                    for (j = 1; j <= n; j++) if (words[j] == release) { hit = 1; $i = "Suites: " suite }
                }
            }
            if (deb && hit) { print; exit }
        }' "${sources[@]}" /dev/null 2>/dev/null || true)"
    [[ -n "$entry" ]] || die "no apt source for $release in /etc/apt to take the mirror of $suite from"
    printf '%s\n' "$entry" >"/etc/apt/sources.list.d/$suite.sources"
}

install_qemu() {
    local release
    release="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
    [[ -n "$release" ]] || die "no VERSION_CODENAME in /etc/os-release, so no backports suite to take qemu-user from"
    local suite="$release-backports"
    add_backports "$release" "$suite"
    echo "exec32: installing qemu-user from $suite, to run 32-bit x86 programs and the forms this processor lacks"
    qv_install -t "$suite" qemu-user || exit 1
}

# magic and mask of i386 ELF executables and shared objects, as qemu's packages
# register them. F opens the interpreter now, so it serves chroots and
# containers too; P hands it the program's own argv[0].
register() {
    local qemu="$1"
    local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xfe\xfe\xfc\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    [[ -e "$binfmt/$handler" ]] && echo -1 >"$binfmt/$handler"
    printf '%s' ":$handler:M::$magic:$mask:$qemu:FP" >"$binfmt/register"
}

set_up() {
    need_root
    if [[ ! -e "$binfmt/register" ]]; then
        grep -qw binfmt_misc /proc/filesystems || modprobe binfmt_misc 2>/dev/null || true
        mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null ||
            die "this kernel does not run 32-bit x86 programs and binfmt_misc cannot be mounted at $binfmt to run them through qemu"
    fi
    local qemu
    qemu="$(find_qemu)" || {
        install_qemu
        qemu="$(find_qemu)" || die "no qemu-i386 of version $qemu_minimum or later after installing qemu-user"
    }
    register "$qemu"
    local mode
    mode="$(probe)"
    [[ "$mode" == emulated* ]] || die "registered $qemu for i386 programs, but the probe still runs $mode"
    echo "exec32: 32-bit x86 programs run through $qemu (binfmt_misc handler $handler)"
}

case "$action" in
    mode) probe ;;
    qemu)
        if ! find_qemu >/dev/null || ! command -v qemu-x86_64 >/dev/null; then
            need_root
            install_qemu
            find_qemu >/dev/null || die "no qemu-i386 of version $qemu_minimum or later after installing qemu-user"
        fi
        ;;
    ensure)
        if [[ "$(probe)" == none ]]; then set_up; fi
        ;;
    force)
        if [[ "$(probe)" != emulated* ]]; then set_up; fi
        ;;
    remove)
        if [[ -e "$binfmt/$handler" ]]; then
            need_root
            echo -1 >"$binfmt/$handler"
            echo "exec32: removed the binfmt_misc handler $handler"
        fi
        ;;
esac
