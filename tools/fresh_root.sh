#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the README's two commands as a new user meets them, in a fresh minimal
# Debian 12 root (debootstrap's minbase with git, the apt sources of Debian's
# own images), with this repository cloned at HEAD: the check for a change to
# what the set-up installs (tools/prereqs.sh, tools/exec32.sh).
#   tools/fresh_root.sh [--demo-only] [--mirror URL] [DIR]
# DIR (default build/fresh_root) is made afresh and stays for a look after the
# run. URL is the Debian archive (default deb.debian.org; the security updates
# come from deb.debian.org). Runs as root or through sudo, installs debootstrap
# where it is missing, and needs the network; the commands run as root in the
# root, in mount and process namespaces of their own, so that nothing is left
# mounted or running.
set -euo pipefail

usage() {
    echo "usage: tools/fresh_root.sh [--demo-only] [--mirror URL] [DIR]" >&2
    exit 2
}

die() {
    echo "fresh_root.sh: $*" >&2
    exit 1
}

arguments=("$@")
demo_only=false
mirror=http://deb.debian.org/debian
root=
while (($#)); do
    case "$1" in
        --demo-only) demo_only=true ;;
        --mirror) (($# > 1)) || usage; mirror="$2"; shift ;;
        -*) usage ;;
        *) root="$1" ;;
    esac
    shift
done

if ((EUID != 0)); then
    command -v sudo >/dev/null || die "debootstrap and chroot need root: run this as root or install sudo"
    exec sudo "$0" "${arguments[@]}"
fi
[[ -z "$root" ]] || root="$(realpath -m "$root")"
cd -P "$(dirname "$0")/.."
source tools/prereqs.sh
root="${root:-$PWD/build/fresh_root}"
if ! command -v debootstrap >/dev/null; then
    echo "installing: debootstrap"
    qv_install debootstrap || exit 1
fi

case "$root/" in
    "$PWD/build/"?*) ;;
    "$PWD/"*) die "$root is in the sources; give a folder under build/ or outside them" ;;
esac
# Only an earlier root is removed, and never while something is mounted in it.
if [[ -n "$(ls -A "$root" 2>/dev/null)" && ! -e "$root/debootstrap" && ! -e "$root/etc/debian_version" ]]; then
    die "$root is neither empty nor an earlier root; give another folder"
fi
if findmnt -rn -o TARGET | grep -q "^$root\(/\|$\)"; then
    die "something is mounted under $root; unmount it first"
fi
rm -rf --one-file-system "$root"
mkdir -p "$root"

commit="$(git rev-parse HEAD)"
if [[ -n "$(git status --porcelain --untracked-files=no)" ]]; then
    echo "fresh_root.sh: the changes not committed stay out of the root, which gets HEAD (${commit:0:7})"
fi

began=$SECONDS
echo "fresh_root.sh: making a minimal Debian 12 root in $root from $mirror"
debootstrap --variant=minbase --include=git bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
    { tail -n 20 "$root.debootstrap.log" >&2; die "debootstrap failed; its log is $root.debootstrap.log"; }
# The sources of Debian's own images, the security updates among them.
rm -f "$root/etc/apt/sources.list"
cat >"$root/etc/apt/sources.list.d/debian.sources" <<EOF
Types: deb
URIs: $mirror
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
git -c safe.directory="$PWD" clone -q --no-hardlinks "$PWD" "$root/root/quorvalent"
git -C "$root/root/quorvalent" checkout -q --detach "$commit"
echo "fresh_root.sh: root made in $(qv_duration $((SECONDS - began))), with quorvalent ${commit:0:7} in /root/quorvalent"

commands=('tools/demo.sh "Hello, World!"')
$demo_only || commands+=(tools/test_all.sh)

# Inside the namespaces: the root's /proc, /sys and the machine's /dev, then
# each command in a login shell of the root, as on a machine just installed.
run_in_root() {
    local root="$1" command status failed=0 began
    shift
    mount -t proc proc "$root/proc"
    mount -t sysfs sysfs "$root/sys"
    mount --rbind /dev "$root/dev"
    for command; do
        echo "fresh_root.sh: # $command"
        began=$SECONDS
        status=0
        chroot "$root" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" \
            PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
            /bin/bash -lc "cd /root/quorvalent && $command" || status=$?
        echo "fresh_root.sh: $command ended with status $status after $(qv_duration $((SECONDS - began)))"
        ((status == 0)) || failed=1
    done
    return $failed
}
unshare --mount --pid --fork --propagation private \
    bash -c "$(declare -f run_in_root qv_duration); run_in_root \"\$@\"" run_in_root "$root" "${commands[@]}"
