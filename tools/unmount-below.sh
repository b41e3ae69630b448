#!/usr/bin/env bash
# Undoes every mount at or below a folder, deepest first, until none remain:
#   tools/unmount-below.sh FOLDER
# An interrupted run can leave the same bind mount stacked several times on one point, and
# whatever is left mounted would be walked into by a later removal of the folder (a bind-mounted
# /dev is the host's own). Exits 1, naming them, if some cannot be undone.
set -euo pipefail
folder=$(realpath -m -- "${1:?usage: $0 FOLDER}")
[ "$folder" != / ] || { echo "$0: refusing to unmount everything" >&2; exit 2; }

# Mount points at or below the folder, one per mount (a stacked point once per layer), longest
# path first: a mount's children come before it.
mounted_below() {
  local point
  while read -r _ _ _ _ point _; do
    point=$(printf '%b' "$point")  # mountinfo writes blanks and backslashes as octal escapes
    case $point in "$folder" | "$folder"/*) printf '%d %s\n' "${#point}" "$point" ;; esac
  done </proc/self/mountinfo | sort -rn -k1,1 | cut -d' ' -f2-
}

for _ in {1..20}; do
  points=$(mounted_below)
  [ -n "$points" ] || exit 0
  while IFS= read -r point; do
    umount -l -- "$point" 2>/dev/null || true
  done <<<"$points"
done
echo "$0: still mounted below $folder:" >&2
mounted_below >&2
exit 1
