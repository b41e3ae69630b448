#!/usr/bin/env bash
# rebuild DIR EXE: a release built in DIR is EXE byte for byte. signed DIR EXE: with a throw-away CA
# and code-signing certificate, bad input stops the release with its message and no dist/; a signed
# release verifies against that CA, matches its sums, is EXE less its signature, shows the dialog.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd) dir=$2 exe=CorvaneUpdateChecker.exe
release() { "$root/tools/release.sh" --out "$dir/dist" "$@"; }
fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$dir"
mkdir -p "$dir"
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
release --sign "$dir/signer.p12"
osslsigncode verify -CAfile "$dir/ca/ca.pem" -in "$dir/dist/$exe"
(cd "$dir/dist" && sha256sum -c SHA256SUMS)
osslsigncode remove-signature -in "$dir/dist/$exe" -out "$dir/unsigned.exe"
cmp "$dir/unsigned.exe" "$3"
CORVANE_CHECKER_EXE=$dir/dist/$exe CORVANE_SCREENSHOT_DIR=$dir/screenshots \
  "$root/tests/e2e/run-in-namespace.sh" /usr/bin/python3 -m pytest -q -p no:cacheprovider -p harness \
  "$root/tests/e2e/test_dialog.py" -k "test_result_dialog and update-only"
