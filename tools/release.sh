#!/usr/bin/env bash
# The release: builds the checker afresh from this checkout's commit HEAD (as `git archive` gives
# it: uncommitted changes and untracked files are left out) in a temporary folder, signs it when
# given a PKCS#12 file, and writes dist/CorvaneUpdateChecker.exe and dist/SHA256SUMS. The old dist/
# is replaced only once everything has succeeded.
#   tools/release.sh [--sign FILE.p12 [--timestamp URL]] [--out DIR]
# The PKCS#12 password comes from CORVANE_SIGN_PASSWORD, never from the command line; it is taken
# out of the environment at once, so the build never sees it, and handed to the signer alone.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=CorvaneUpdateChecker.exe
out=$root/dist pkcs12='' timestamp=''
die() { echo "release: $*" >&2; exit 1; }
declare +x password=${CORVANE_SIGN_PASSWORD-} have_password=${CORVANE_SIGN_PASSWORD+set}
unset CORVANE_SIGN_PASSWORD
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
  CORVANE_SIGN_PASSWORD=$password openssl pkcs12 -legacy -noout -in "$pkcs12" \
    -passin env:CORVANE_SIGN_PASSWORD 2>/dev/null ||
    die "cannot open $pkcs12 with the password in CORVANE_SIGN_PASSWORD (wrong password, or not a PKCS#12 file)"
fi

# The commit, and nothing else (`git archive`): no edit, untracked file, earlier build tree, cache
# or output comes along. This folder must be the top of a git checkout, not a folder inside one.
prefix=$(git -C "$root" rev-parse --show-prefix) && [ -z "$prefix" ] &&
  commit=$(git -C "$root" rev-parse --verify -q 'HEAD^{commit}') ||
  die "$root is not a git checkout with a commit; the release builds the commit HEAD"
echo "release: commit $commit"
[ -z "$(git -C "$root" status --porcelain)" ] ||
  echo "release: note: uncommitted changes and untracked files are left out; the commit is built" >&2

mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-release.XXXXXX") stage=''
trap 'rm -rf "$work" ${stage:+"$stage"}' EXIT

mkdir "$work/src"
git -C "$root" archive --format=tar "$commit" | tar -C "$work/src" -xf - || die "cannot unpack $commit"
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
