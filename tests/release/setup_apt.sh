#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The set-up's install (tools/prereqs.sh) against stand-ins for apt-get, dpkg,
# sudo and sleep, which play a mirror in the middle of a sync, a package lock
# held by another apt or dpkg and an install cut short; the machine's own
# packages are never touched. Usage: setup_apt.sh SOURCE_DIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=tests/release/checks.sh
source "$here/checks.sh"
# shellcheck source=tools/prereqs.sh
source "$1/tools/prereqs.sh"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Each stand-in notes its call in $work/calls (apt-get and dpkg by their step,
# with the lock timeout apt was given) and fails as FAKE_FAILS asks: a rule
# STEP:TIMES:HOW fails the first TIMES calls of that step.
mkdir "$work/bin"
cat >"$work/bin/stand-in" <<'EOF'
#!/usr/bin/env bash
name="${0##*/}"
case "$name" in
    sudo) exec "$@" ;;
    sleep) echo "sleep/$1" >>"$FAKE_WORK/calls"; exit 0 ;;
esac
step=configure
[[ "$name" == dpkg ]] || for argument; do [[ "$argument" == update || "$argument" == install ]] && step="$argument"; done
timeout="$(printf '%s\n' "$@" | sed -n 's/^DPkg::Lock::Timeout=/\//p')"
echo "$step$timeout" >>"$FAKE_WORK/calls"
echo "$name $*" >>"$FAKE_WORK/commands"
echo "$step" >>"$FAKE_WORK/steps"
count="$(grep -cx "$step" "$FAKE_WORK/steps")"
for rule in ${FAKE_FAILS:-}; do
    IFS=: read -r rule_step times how <<<"$rule"
    [[ "$rule_step" == "$step" ]] && ((count <= times)) || continue
    case "$how:$step:$timeout" in
        mirror:*)
            echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 151.101.2.132 80]"
            echo "   Hashes of expected file:"
            echo "E: Some index files failed to download. They have been ignored, or old ones used instead." ;;
        unsigned:*) echo "E: The repository 'http://deb.debian.org/debian bookworm-backports InRelease' is not signed." ;;
        unknown:*) echo "E: Unable to locate package qemu-user" ;;
        broken:*) echo "dpkg: error processing package wine32:i386 (--configure): dependency problems - leaving unconfigured" ;;
        lock:update:)
            echo "E: Could not get lock /var/lib/apt/lists/lock. It is held by process 2770 (apt-get)"
            echo "E: Unable to lock directory /var/lib/apt/lists/" ;;
        lock:install:)
            echo "E: Could not get lock /var/lib/dpkg/lock-frontend. It is held by process 4321 (unattended-upgr)"
            echo "N: Be aware that removing the lock file is not a solution and may break your system."
            echo "E: Unable to acquire the dpkg frontend lock (/var/lib/dpkg/lock-frontend), is another process using it?" ;;
        lock:install:*) echo "E: Unable to acquire the dpkg frontend lock (/var/lib/dpkg/lock-frontend), is another process using it?" ;;
        lock:configure:) echo "dpkg: error: dpkg frontend lock was locked by another process with pid 4321"; exit 2 ;;
    esac >&2
    exit 100
done
echo "Setting up something"
EOF
chmod +x "$work/bin/stand-in"
for name in apt-get dpkg sudo sleep; do ln -s stand-in "$work/bin/$name"; done
export PATH="$work/bin:$PATH" FAKE_WORK="$work" DPKG_ADMINDIR="$work/dpkg"

me="${0##*/}"
# The table waits 30 s for a lock, in three polls; the last check has the real wait.
lock_wait="$QV_LOCK_WAIT"
QV_LOCK_WAIT=30
mirror="http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz (File has unexpected size (374820 != 376004). Mirror sync in progress?)"
waiting="holds the package lock (on a fresh machine, most often the upgrade that runs at boot): waiting for it, up to 30 s"
still_held="still holds the package lock after 30 s: run the same command again once it has finished"
# name | stand-ins' failures | dpkg's journal left behind | status | calls | output (a pattern)
rows=(
    "nothing in the way||no|0|update install|"
    "a mirror mid-sync for one try|update:1:mirror|no|0|update sleep/20 update install|apt-get update failed on the package index $mirror; trying again in 20 s (try 2 of 3)"
    "a mirror mid-sync through every try|update:3:mirror|no|1|update sleep/20 update sleep/20 update|apt-get update failed on the package index $mirror; trying again in 20 s (try 2 of 3)
apt-get update failed on the package index $mirror; trying again in 20 s (try 3 of 3)
$me: apt-get update failed 3 times, 20 s apart, on the package index $mirror: the mirror is probably in the middle of a sync, so run the same command again in a few minutes"
    "an index failure of another kind|update:3:unsigned|no|1|update sleep/20 update sleep/20 update|apt-get update failed; trying again in 20 s (try 2 of 3)
apt-get update failed; trying again in 20 s (try 3 of 3)
E: The repository 'http://deb.debian.org/debian bookworm-backports InRelease' is not signed.
$me: apt-get update failed 3 times, 20 s apart"
    "the index's lock held for two tries|update:2:lock|no|0|update sleep/10 update sleep/10 update install|process 2770 (apt-get) $waiting"
    "the index's lock held throughout|update:999:lock|no|1|update sleep/10 update sleep/10 update sleep/10 update|process 2770 (apt-get) $waiting
$me: process 2770 (apt-get) $still_held"
    "the lock held when installing: apt waits|install:1:lock|no|0|update install install/30|process 4321 (unattended-upgr) $waiting"
    "the lock held while apt waits|install:2:lock|no|1|update install install/30|process 4321 (unattended-upgr) $waiting
$me: process 4321 (unattended-upgr) $still_held"
    "a package apt does not know|install:1:unknown|no|1|update install|E: Unable to locate package qemu-user
$me: apt-get install failed"
    "an install cut short, the lock held|configure:1:lock|yes|0|configure sleep/10 configure update install|finishing an earlier install that was interrupted: dpkg --configure -a
process 4321 $waiting"
    "an install cut short that dpkg cannot finish|configure:1:broken|yes|1|configure|finishing an earlier install that was interrupted: dpkg --configure -a
dpkg: error processing package wine32:i386 (--configure): dependency problems - leaving unconfigured
$me: dpkg --configure -a failed"
)
for row in "${rows[@]}"; do
    IFS='|' read -r -d '' name fails journal want_status want_calls want_output <<<"$row" || true
    rm -rf "$work/calls" "$work/commands" "$work/steps" "$work/dpkg"
    mkdir -p "$work/dpkg/updates"
    [[ "$journal" == no ]] || touch "$work/dpkg/updates/0001"
    status=0
    # As tools/exec32.sh installs qemu-user from backports.
    output="$(FAKE_FAILS="$fails" qv_install -t bookworm-backports qemu-user 2>&1)" || status=$?
    check "$name: status" "$status" "$want_status"
    check "$name: calls" "$(xargs <"$work/calls")" "$want_calls"
    check "$name: output" "$output" "${want_output%$'\n'}"
done
# The command lines themselves, of an install cut short that then waits for the lock.
rm -f "$work/calls" "$work/commands" "$work/steps"
QV_LOCK_WAIT="$lock_wait"
touch "$work/dpkg/updates/0001"
FAKE_FAILS=install:1:lock qv_install -t bookworm-backports qemu-user >/dev/null
check "command lines" "$(cat "$work/commands")" "dpkg --force-confdef --force-confold --configure -a
apt-get update -qq
apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user
apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 -t bookworm-backports qemu-user"
report
