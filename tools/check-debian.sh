#!/usr/bin/env bash
# Runs the README's two commands on a freshly bootstrapped Debian release, as a new user would:
#   tools/check-debian.sh [--keep] RELEASE        (RELEASE: bookworm or trixie; as root)
# Bootstraps a minimal root of RELEASE (debootstrap, minbase, from the mirror this machine's apt
# sources name) in /var/tmp/corvane-roots/RELEASE (or $CORVANE_ROOTS/RELEASE), clones this checkout's commit HEAD into it, and runs
# tools/demo.sh and then tools/test.sh there in an empty environment (no locale). Prints each
# command's exit code and CTest's summary line; exits 0 only when both passed.
# --keep reuses a root made by an earlier run (packages already installed); without it the root
# is made afresh. The logs stay beside the root, in RELEASE-*.log. The roots live outside the
# project, so that nothing which cleans or walks the build tree meets the bind-mounted /dev.
set -euo pipefail
cd "$(dirname "$0")/.."
keep=0
if [ "${1:-}" = --keep ]; then keep=1; shift; fi
release=${1:-}
case $release in
  bookworm | trixie) ;;
  *) echo "usage: $0 [--keep] bookworm|trixie" >&2; exit 2 ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "$0: debootstrap and chroot need root" >&2; exit 2; }
command -v debootstrap >/dev/null || apt-get install -y -qq --no-install-recommends debootstrap

# The first Debian archive this machine's apt sources name (deb822 or one-line form).
mirror=$(cat /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null |
  grep -oE '(https?://[^ ]+/debian)/?( |$)' | grep -v -- '-security' | head -n 1 | tr -d ' ' || true)
mirror=${mirror:-http://deb.debian.org/debian}

roots=${CORVANE_ROOTS:-/var/tmp/corvane-roots}
root=$roots/$release
log=$roots/$release
mkdir -p "$roots"

# Every layer below the root, including those an interrupted run left (a second run mounts on top
# of them). Nothing is removed or mounted while one remains: it may be the host's /dev.
unmount_all() {
  tools/unmount-below.sh "$root"
}
trap unmount_all EXIT
unmount_all || { echo "$0: cannot unmount what is mounted below $root" >&2; exit 1; }

if [ $keep -eq 0 ] || [ ! -x "$root/bin/bash" ]; then
  rm -rf --one-file-system "$root"
  echo "bootstrapping $release from $mirror into $root"
  debootstrap --variant=minbase "$release" "$root" "$mirror" >"$log-bootstrap.log" 2>&1 ||
    { echo "debootstrap failed; see $log-bootstrap.log" >&2; exit 1; }
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
# The root is a mount point of its own, as on a real machine: the tests' private mount namespaces
# need one to change propagation on.
# Each bind is made private before anything is mounted below it: on a host whose mounts are
# shared (systemd's default), the mounts below would otherwise be copied to the bind's source,
# the host's /dev among them, and stack up there.
mount --bind "$root" "$root"
mount --make-private "$root"
mount -t proc proc "$root/proc"
mount -t sysfs sys "$root/sys"
mount --bind /dev "$root/dev"
mount --make-private "$root/dev"
mount -t devpts devpts "$root/dev/pts" -o newinstance,ptmxmode=0666
mount -t tmpfs shm "$root/dev/shm"

# The commit, cloned afresh: nothing of this checkout's build tree comes along.
rm -rf --one-file-system "$root/work/project"
mkdir -p "$root/work"
git clone -q --no-local "$PWD" "$root/work/project"

run_in_root() {
  chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root TERM=dumb /bin/bash -c "cd /work/project && $1"
}

set +e
run_in_root tools/demo.sh >"$log-demo.log" 2>&1
demo=$?
run_in_root tools/test.sh >"$log-test.log" 2>&1
tests=$?
set -e
echo "$release: tools/demo.sh exit code $demo (log $log-demo.log)"
sed -n "s|^Screenshot: /|$release: screenshot $root/|p" "$log-demo.log"
echo "$release: tools/test.sh exit code $tests (log $log-test.log)"
grep -E 'tests passed|tests failed' "$log-test.log" | tail -n 1 || echo "no CTest summary"
[ $demo -eq 0 ] && [ $tests -eq 0 ]
