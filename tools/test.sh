#!/usr/bin/env bash
# Command B, all tests: installs what is missing, builds the Windows tree (the checker, its
# Windows tests and the e2e helpers) and the native tree, then runs every test through the
# native tree: native unit tests, fuzzers, Windows tests under Wine and the e2e suite.
# Ends with CTest's summary; the exit code is CTest's.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset windows
cmake --build --preset windows -j2
cmake --preset native
cmake --build --preset native -j2
set +e
ctest --preset all
status=$?
# Nothing of Wine outlives the run, even after a failure.
for prefix in build/wineprefix build/windows/e2e/wineprefix; do
  [ -d "$prefix" ] && WINEPREFIX=$PWD/$prefix wineserver -k >/dev/null 2>&1
done
exit $status
