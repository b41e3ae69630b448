#!/usr/bin/env bash
# The release: builds the checker afresh from a copy of this checkout in a temporary folder,
# signs it when given a PKCS#12 file, and writes dist/CorvaneUpdateChecker.exe and
# dist/SHA256SUMS. The old dist/ is replaced only once everything has succeeded.
#   tools/release.sh [--sign FILE.p12 [--timestamp URL]] [--out DIR]
# The PKCS#12 password comes from CORVANE_SIGN_PASSWORD, never from the command line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=CorvaneUpdateChecker.exe
out=$root/dist pkcs12='' timestamp=''
die() { echo "release: $*" >&2; exit 1; }
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
  [ -n "${CORVANE_SIGN_PASSWORD+set}" ] || die "set CORVANE_SIGN_PASSWORD to the password of $pkcs12"
  command -v osslsigncode >/dev/null || die "osslsigncode is missing (tools/setup.sh installs it)"
  # -legacy also opens files made with older ciphers (as Windows exports them).
  openssl pkcs12 -legacy -noout -in "$pkcs12" -passin env:CORVANE_SIGN_PASSWORD 2>/dev/null ||
    die "cannot open $pkcs12 with the password in CORVANE_SIGN_PASSWORD (wrong password, or not a PKCS#12 file)"
fi

mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-release.XXXXXX") stage=''
trap 'rm -rf "$work" ${stage:+"$stage"}' EXIT

if git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
  echo "release: commit $(git -C "$root" rev-parse HEAD)"
  git -C "$root" diff --quiet HEAD 2>/dev/null ||
    echo "release: warning: uncommitted changes are built in; the exe will not match the commit" >&2
fi
# Only the sources: no earlier build tree, cache or output comes along; flags from the
# environment stay out of it.
mkdir "$work/src"
tar -C "$root" --exclude=./build --exclude=./dist --exclude=./.git -cf - . | tar -C "$work/src" -xf -
unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS RCFLAGS
(cd "$work/src" && cmake --preset windows >/dev/null &&
  cmake --build --preset windows --target CorvaneUpdateChecker) || die "the build failed"
built=$work/src/build/windows/$exe

# Staged beside the output, on its file system, so that putting it in place is one rename.
stage=$(mktemp -d "$out.new.XXXXXX")
chmod 755 "$stage"
if [ -n "$pkcs12" ]; then
  # The password reaches osslsigncode through a pipe, never through its arguments.
  osslsigncode sign -pkcs12 "$pkcs12" -readpass <(printf '%s' "$CORVANE_SIGN_PASSWORD") -h sha256 \
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
