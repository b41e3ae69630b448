#!/usr/bin/env bash
# rebuild DIR EXE: a release built in DIR is EXE byte for byte. signed DIR EXE: with a throw-away CA
# and code-signing certificate, bad input stops the release with its message and no dist/; a signed
# release verifies against that CA, matches its sums, is EXE less its signature, shows the dialog;
# the build tools saw neither the password nor GCC's search paths.
# EXE is built from this working tree, so both release a copy of it committed as it is, then given
# an uncommitted edit to a source and an untracked CMakeUserPresets.json that breaks any configure.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd) dir=$2 exe=CorvaneUpdateChecker.exe
src=$dir/src
release() { "${checkout:-$src}/tools/release.sh" --out "$dir/dist" "$@"; }
fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$dir"
mkdir -p "$src"
tar -C "$root" --exclude=./build --exclude=./dist --exclude=./.git -cf - . | tar -C "$src" -xf -
git -C "$src" init -q && git -C "$src" add -A
git -C "$src" -c user.name=test -c user.email=test@invalid -c commit.gpgsign=false \
  commit -qm "the build tree's sources"
sed -i 's/"Corvane Update Checker: "/"Uncommitted edit: "/' "$src/presentation/debug_lines.cpp"
! git -C "$src" diff --quiet || fail "the uncommitted edit did not apply"
echo '{' >"$src/CMakeUserPresets.json"
if [ "$1" = rebuild ]; then
  release
  (cd "$(dirname "$3")" && sha256sum -c "$dir/dist/SHA256SUMS") || fail "the rebuild differs from $3"
  exit 0
fi
export CORVANE_SIGN_PASSWORD="test password"
"$root/tools/make_test_ca.sh" "$dir/ca"
openssl pkcs12 -export -inkey "$dir/ca/codesign.key" -in "$dir/ca/codesign.pem" -out "$dir/signer.p12" \
  -passout env:CORVANE_SIGN_PASSWORD
refused() {  # message, release arguments
  ! said=$(release "${@:2}" 2>&1) || fail "release $* went through"
  grep -qF "$1" <<<"$said" && ! compgen -G "$dir/dist*" >/dev/null || fail "release $*: $said"
}
refused "cannot read the PKCS#12 file" --sign "$dir/missing.p12"
CORVANE_SIGN_PASSWORD=wrong refused "wrong password" --sign "$dir/signer.p12"
mkdir -p "$dir/plain/tools" && cp "$src/tools/release.sh" "$dir/plain/tools/"
checkout=$dir/plain refused "is not a git checkout"
# A ninja first on PATH writes down the environment of the build: no password, no GCC search path.
mkdir "$dir/bin"
printf '#!/bin/sh\nenv >>"%s"\nexec %s "$@"\n' "$dir/build.env" "$(command -v ninja)" >"$dir/bin/ninja"
chmod +x "$dir/bin/ninja"
g=$dir/gcc
PATH=$dir/bin:$PATH CPATH=$g C_INCLUDE_PATH=$g CPLUS_INCLUDE_PATH=$g LIBRARY_PATH=$g GCC_EXEC_PREFIX=$g \
  COMPILER_PATH=$g release --sign "$dir/signer.p12"
[ -s "$dir/build.env" ] || fail "the build did not run the ninja first on PATH"
! grep -F -e "$CORVANE_SIGN_PASSWORD" -e "$g" "$dir/build.env" || fail "the build saw the above"
osslsigncode verify -CAfile "$dir/ca/ca.pem" -in "$dir/dist/$exe"
(cd "$dir/dist" && sha256sum -c SHA256SUMS)
osslsigncode remove-signature -in "$dir/dist/$exe" -out "$dir/unsigned.exe"
cmp "$dir/unsigned.exe" "$3"
CORVANE_CHECKER_EXE=$dir/dist/$exe CORVANE_SCREENSHOT_DIR=$dir/screenshots \
  "$root/tests/e2e/run-in-namespace.sh" /usr/bin/python3 -m pytest -q -p no:cacheprovider -p harness \
  "$root/tests/e2e/test_dialog.py" -k "test_result_dialog and update-only"
