#!/usr/bin/env bash
# rebuild DIR EXE: a release built in DIR is EXE byte for byte. signed DIR EXE: with a throw-away CA
# and code-signing certificate, bad input stops the release with its message and no dist/; a signed
# release verifies against that CA, matches its sums, is EXE less its signature, shows the dialog;
# the build tools saw no GCC search path, and no password in their own or any parent's environment
# or command line.
# EXE is built from this working tree, so both release a copy of it committed as it is (with a
# .gitattributes that drops every source from `git archive`), then given an uncommitted edit to a
# source, an untracked CMakeUserPresets.json that breaks any configure, and git settings that would
# change what a checkout or `git archive` gives: CR LF line ends and a manifest left out.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd) dir=$2 exe=CorvaneUpdateChecker.exe
src=$dir/src
release() { "${checkout:-$src}/tools/release.sh" --out "$dir/dist" "$@"; }
fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$dir"
mkdir -p "$src"
tar -C "$root" --exclude=./build --exclude=./dist --exclude=./.git -cf - . | tar -C "$src" -xf -
echo '*.cpp export-ignore' >>"$src/.gitattributes"
git -C "$src" init -q && git -C "$src" add -A
git -C "$src" -c user.name=test -c user.email=test@invalid -c commit.gpgsign=false \
  commit -qm "the build tree's sources"
sed -i 's/"Corvane Update Checker: "/"Uncommitted edit: "/' "$src/presentation/debug_lines.cpp"
! git -C "$src" diff --quiet || fail "the uncommitted edit did not apply"
echo '{' >"$src/CMakeUserPresets.json"
git -C "$src" config core.autocrlf true
echo '*.manifest export-ignore' >>"$src/.git/info/attributes"
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
# A ninja first on PATH writes down the environment of the build, and the environment and command
# line of itself and every process above it: no GCC search path in the first, no password anywhere.
mkdir "$dir/bin"
{ printf "#!/bin/sh\nlog='%s' ninja='%s'\n" "$dir" "$(command -v ninja)" && cat <<'EOF'
env >>"$log/build.env"
p=$$
while [ "$p" -gt 1 ]; do  # what this user may not read, the build may not either
  tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null; tr '\0' ' ' <"/proc/$p/cmdline"; echo
  p=$(sed -n 's/^PPid:\t//p' "/proc/$p/status")
done >>"$log/ancestors"
exec "$ninja" "$@"
EOF
} >"$dir/bin/ninja"
chmod +x "$dir/bin/ninja"
g=$dir/gcc
PATH=$dir/bin:$PATH CPATH=$g C_INCLUDE_PATH=$g CPLUS_INCLUDE_PATH=$g LIBRARY_PATH=$g GCC_EXEC_PREFIX=$g \
  COMPILER_PATH=$g release --sign "$dir/signer.p12"
[ -s "$dir/build.env" ] || fail "the build did not run the ninja first on PATH"
grep -qF "$src/tools/release.sh" "$dir/ancestors" || fail "the ninja wrapper did not reach the release"
! grep -F "$g" "$dir/build.env" || fail "the build saw the above"
! grep -F "$CORVANE_SIGN_PASSWORD" "$dir/ancestors" || fail "the build could read the above"
osslsigncode verify -CAfile "$dir/ca/ca.pem" -in "$dir/dist/$exe"
(cd "$dir/dist" && sha256sum -c SHA256SUMS)
osslsigncode remove-signature -in "$dir/dist/$exe" -out "$dir/unsigned.exe"
cmp "$dir/unsigned.exe" "$3"
CORVANE_CHECKER_EXE=$dir/dist/$exe CORVANE_SCREENSHOT_DIR=$dir/screenshots \
  "$root/tests/e2e/run-in-namespace.sh" /usr/bin/python3 -m pytest -q -p no:cacheprovider -p harness \
  "$root/tests/e2e/test_dialog.py" -k "test_result_dialog and update-only"
