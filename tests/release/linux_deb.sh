#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the Debian packages with cpack, checks their metadata and contents and
# has lintian judge them, installs them into a scratch root (through dpkg itself
# as root, else by unpacking them) and builds a consumer against them with
# pkg-config and with find_package. Usage: linux_deb.sh BUILD_DIR VERSION
set -euo pipefail
build="$(cd "$1" && pwd)"
version="$2"
here="$(cd "$(dirname "$0")" && pwd)"
rm -rf "$build/package"
(cd "$build" && cpack -G DEB >/dev/null)
arch="$(dpkg --print-architecture)"
multiarch="$(dpkg-architecture -qDEB_HOST_MULTIARCH)"
runtime="$build/package/libquorvalent1_${version}_$arch.deb"
dev="$build/package/libquorvalent-dev_${version}_$arch.deb"
# shellcheck source=tests/release/checks.sh
source "$here/checks.sh"

for deb in "$runtime" "$dev"; do
    [[ -f "$deb" ]] || { echo "FAIL: cpack made no ${deb##*/}; it made: $(ls "$build/package")"; exit 1; }
done
check "runtime package" "$(dpkg-deb -f "$runtime" Package Version Section)" \
      "Package: libquorvalent1"$'\n'"Version: $version"$'\n'"Section: libs"
check "runtime depends on libc6 of a version" "$(dpkg-deb -f "$runtime" Depends)" "libc6 (>= 2.*)"
check "runtime shlibs" "$(dpkg-deb -I "$runtime" shlibs)" "libquorvalent 1 libquorvalent1 (>= $version)"
check "dev package" "$(dpkg-deb -f "$dev" Package Version Section)" \
      "Package: libquorvalent-dev"$'\n'"Version: $version"$'\n'"Section: libdevel"
check "dev depends on its runtime" "$(dpkg-deb -f "$dev" Depends)" "libquorvalent1 (= $version)"

# Contents, directories left out: each file, and each link with its target.
contents() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 ($7 == "->" ? "->" $8 : "") }' | LC_ALL=C sort | xargs; }
# The library, and the files that find it, in the multiarch folder.
lib="/usr/lib/$multiarch"
check "runtime files" "$(contents "$runtime")" "$lib/libquorvalent.so.1->libquorvalent.so.$version \
$lib/libquorvalent.so.$version /usr/share/doc/libquorvalent1/changelog.gz /usr/share/doc/libquorvalent1/copyright"
check "dev files" "$(contents "$dev")" "/usr/include/quorvalent.h $lib/cmake/quorvalent/quorvalentConfig.cmake \
$lib/cmake/quorvalent/quorvalentConfigVersion.cmake $lib/cmake/quorvalent/quorvalentTargets-*.cmake \
$lib/cmake/quorvalent/quorvalentTargets.cmake $lib/libquorvalent.so->libquorvalent.so.1 \
$lib/pkgconfig/quorvalent.pc /usr/share/doc/libquorvalent-dev/changelog.gz /usr/share/doc/libquorvalent-dev/copyright"
check "runtime's ldconfig trigger" "$(dpkg-deb -I "$runtime" triggers)" "activate-noawait ldconfig"
for deb in "$runtime" "$dev"; do
    package="$(dpkg-deb -f "$deb" Package)"
    check "$package's copyright" "$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - "./usr/share/doc/$package/copyright" |
                                    grep -m1 -o 'MIT License')" "MIT License"
    check "$package's changelog" "$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - "./usr/share/doc/$package/changelog.gz" |
                                    gzip -dc | head -1)" "quorvalent ($version) unstable; urgency=medium"
done

# Debian's own judge: errors fail, warnings are shown.
command -v lintian >/dev/null || { echo "FAIL: lintian is missing: apt-get install lintian"; exit 1; }
verdict="$(lintian --fail-on error --tag-display-limit 0 "$runtime" "$dev" 2>&1 | grep -v 'root privileges')" &&
    lintian_status=0 || lintian_status=$?
[[ -z "$verdict" ]] || echo "$verdict"
check "lintian finds no error" "$lintian_status $(grep -c '^E: ' <<<"$verdict")" "0 0"

# The packaged library has neither a symbol table nor debug information.
dpkg-deb --fsys-tarfile "$runtime" | tar -xOf - ".$lib/libquorvalent.so.$version" >"$build/package/packaged.so"
check "runtime library stripped" "$(readelf -S "$build/package/packaged.so" | grep -cE '\.(symtab|debug_info) ')" 0

root="$build/package/root"
if ((EUID == 0)); then
    # A root of its own with an empty package database: dpkg unpacks and
    # configures both packages there, libc6 being the machine's. The root has
    # no shell, so the postinst runs outside it, and its ldconfig is pointed
    # into the root (dpkg names it in DPKG_ROOT).
    mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/etc" "$build/package/bin"
    touch "$root/var/lib/dpkg/status"
    printf '#!/bin/sh\nexec /sbin/ldconfig -r "${DPKG_ROOT:?}" "$@"\n' >"$build/package/bin/ldconfig"
    chmod +x "$build/package/bin/ldconfig"
    PATH="$build/package/bin:$PATH" dpkg --root="$root" --force-depends --force-script-chrootless --log=/dev/null \
        -i "$runtime" "$dev" >"$build/package/dpkg.log" 2>&1 || { cat "$build/package/dpkg.log"; exit 1; }
    check "dpkg installed both" "$(dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Package} ${Status}\n' | xargs)" \
          "libquorvalent-dev install ok installed libquorvalent1 install ok installed"
    check "the root's ldconfig cache" "$(/sbin/ldconfig -p -C "$root/etc/ld.so.cache" | grep -o 'libquorvalent.so.1 .*')" \
          "libquorvalent.so.1 (libc6,x86-64) => $lib/libquorvalent.so.1"
else
    echo "not root: the packages are unpacked into $root, not installed with dpkg"
    for deb in "$runtime" "$dev"; do dpkg-deb -x "$deb" "$root"; done
fi

report
"$here/linux_consumer.sh" "$build" "$version" "$root/usr"
