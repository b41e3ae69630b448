#!/usr/bin/env bash
# The release: builds the checker afresh from this checkout's commit HEAD (its files exactly as git
# stores them: uncommitted changes and untracked files are left out) in a temporary folder, signs it
# when given a PKCS#12 file, and writes dist/CorvaneUpdateChecker.exe and dist/SHA256SUMS. The old
# dist/ is replaced only once everything has succeeded.
#   tools/release.sh [--sign FILE.p12 [--timestamp URL]] [--out DIR]
# The PKCS#12 password comes from CORVANE_SIGN_PASSWORD, never from the command line, and is handed
# to openssl and the signer alone, through pipes.
set -euo pipefail
# The kernel keeps the environment a process was started with (/proc/PID/environ), and any build
# step may read its parents'. So this process starts the script again in its place without the
# variable, handing the password over on a pipe, which is read and closed before anything runs.
if [ -n "${CORVANE_SIGN_PASSWORD+set}" ]; then
  exec 3<<<"$CORVANE_SIGN_PASSWORD"
  unset CORVANE_SIGN_PASSWORD
  CORVANE_SIGN_PASSWORD_FD=3 exec "$BASH" "$0" "$@"
fi
password='' have_password=''
if [ -n "${CORVANE_SIGN_PASSWORD_FD-}" ]; then
  fd=$CORVANE_SIGN_PASSWORD_FD have_password=set
  unset CORVANE_SIGN_PASSWORD_FD
  IFS= read -r -d '' password <&"$fd" || true
  password=${password%$'\n'}
  exec {fd}<&-
fi
root=$(cd "$(dirname "$0")/.." && pwd)
exe=CorvaneUpdateChecker.exe
out=$root/dist pkcs12='' timestamp=''
die() { echo "release: $*" >&2; exit 1; }
# Replaced objects (`git replace`) would swap what the commit holds.
git() { command git --no-replace-objects -C "$root" "$@"; }
usage="usage: $0 [--sign FILE.p12 [--timestamp URL]] [--out DIR]"
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || die "$usage"
  case $1 in
    --sign) pkcs12=$2 ;;
    --timestamp) timestamp=$2 ;;
    --out) out=$2 ;;
    *) die "$usage" ;;
  esac
  shift 2
done
[ -z "$timestamp" ] || [ -n "$pkcs12" ] || die "--timestamp needs --sign"

# Bad signing input stops the release before anything is built.
if [ -n "$pkcs12" ]; then
  [ -f "$pkcs12" ] && [ -r "$pkcs12" ] || die "cannot read the PKCS#12 file $pkcs12"
  [ -n "$have_password" ] || die "set CORVANE_SIGN_PASSWORD to the password of $pkcs12"
  command -v osslsigncode >/dev/null || die "osslsigncode is missing (tools/setup.sh installs it)"
  # -legacy also opens files made with older ciphers (as Windows exports them).
  openssl pkcs12 -legacy -noout -in "$pkcs12" -passin stdin <<<"$password" 2>/dev/null ||
    die "cannot open $pkcs12 with the password in CORVANE_SIGN_PASSWORD (wrong password, or not a PKCS#12 file)"
fi

# The commit, and nothing else: no edit, untracked file, earlier build tree, cache or output comes
# along. This folder must be the top of a git checkout, not a folder inside one.
prefix=$(git rev-parse --show-prefix) && [ -z "$prefix" ] &&
  commit=$(git rev-parse --verify -q 'HEAD^{commit}') ||
  die "$root is not a git checkout with a commit; the release builds the commit HEAD"
echo "release: commit $commit"
[ -z "$(git status --porcelain)" ] ||
  echo "release: note: uncommitted changes and untracked files are left out; the commit is built" >&2

mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-release.XXXXXX") stage=''
trap 'rm -rf "$work" ${stage:+"$stage"}' EXIT

# Each blob as stored, not `git archive` or a checkout: they apply line-end settings (core.autocrlf,
# core.eol), filters and attributes (info/attributes, or the commit's own export-ignore/export-subst).
git ls-tree -r -t -z "$commit" >"$work/tree" || die "cannot list $commit"
mkdir "$work/src"
while IFS= read -r -d '' entry; do
  path=$work/src/${entry#*$'\t'}
  read -r mode _ blob <<<"${entry%%$'\t'*}"
  case $mode in
    040000) mkdir "$path" ;;
    100644 | 100755)
      git cat-file blob "$blob" >"$path"
      [ "$mode" = 100644 ] || chmod +x "$path"
      printf '%s\n' "$path" >>"$work/paths" && printf '%s\n' "$blob" >>"$work/blobs" ;;
    120000) ln -s -- "$(git cat-file blob "$blob")" "$path" ;;
    *) die "cannot build ${entry#*$'\t'}: a submodule" ;;
  esac
done <"$work/tree"
# A check: each file written hashes, unfiltered, to its blob.
git hash-object --no-filters --stdin-paths <"$work/paths" | cmp -s - "$work/blobs" ||
  die "the files written differ from the blobs of $commit"
# Flags and search paths from the environment stay out of the build.
unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS RCFLAGS \
  CPATH C_INCLUDE_PATH CPLUS_INCLUDE_PATH LIBRARY_PATH GCC_EXEC_PREFIX COMPILER_PATH
(cd "$work/src" && cmake --preset windows >/dev/null &&
  cmake --build --preset windows --target CorvaneUpdateChecker) || die "the build failed"
built=$work/src/build/windows/$exe

# Staged beside the output, on its file system, so that putting it in place is one rename.
stage=$(mktemp -d "$out.new.XXXXXX")
chmod 755 "$stage"
if [ -n "$pkcs12" ]; then
  # The password reaches osslsigncode through a pipe, never through its arguments.
  osslsigncode sign -pkcs12 "$pkcs12" -readpass <(printf '%s' "$password") -h sha256 \
    -n "Corvane Update Checker" ${timestamp:+-ts "$timestamp"} -in "$built" -out "$stage/$exe" >&2 ||
    die "signing failed"
else
  cp "$built" "$stage/$exe"
fi
(cd "$stage" && sha256sum "$exe" >SHA256SUMS)

rm -rf "$out"
mv "$stage" "$out"
echo "release: $out/$exe"
cat "$out/SHA256SUMS"
