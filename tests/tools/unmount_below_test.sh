#!/usr/bin/env bash
# tools/unmount-below.sh in a private mount namespace, over a scratch folder holding what an
# interrupted run leaves: the root (a blank in its name) bound on itself twice, an empty folder
# bound three times on dev with more below it. A sibling whose name starts the same stays.
set -euo pipefail
[ "${UNMOUNT_TEST_NS:-}" = 1 ] ||
  exec unshare --mount --propagation private env UNMOUNT_TEST_NS=1 "$0" "$@"
tool=$(cd "$(dirname "$0")/../.." && pwd)/tools/unmount-below.sh
scratch=$(mktemp -d)
trap 'set +e; umount -l "$scratch/my root2"; rm -rf --one-file-system "$scratch"' EXIT
root="$scratch/my root"
mkdir -p "$scratch/empty/pts" "$root/dev" "$root/proc" "$scratch/my root2"
for _ in 1 2; do mount --bind "$root" "$root"; done
for _ in 1 2 3; do mount --bind "$scratch/empty" "$root/dev"; done
mount --bind "$scratch/empty" "$root/dev/pts"
mount -t tmpfs none "$root/proc"
mount -t tmpfs none "$scratch/my root2"
below() { grep -c -F -e " ${1// /\\040}/" -e " ${1// /\\040} " /proc/self/mountinfo || true; }
[ "$(below "$root")" -eq 7 ] || { echo "set-up: $(below "$root") mounts, not 7" >&2; exit 1; }

"$tool" "$root"
[ "$(below "$root")" -eq 0 ] || { echo "left mounted:" >&2; grep -F "${root// /\\040}" /proc/self/mountinfo >&2; exit 1; }
[ "$(below "$scratch/my root2")" -eq 1 ] || { echo "the sibling was unmounted" >&2; exit 1; }
echo "all 7 mounts below the root undone, the sibling kept"
