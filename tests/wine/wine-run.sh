#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix (never ~/.wine).
# Used as CMake's cross-compiling emulator and by the end-to-end harness.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/wine-env.sh"
corvane_wine_prefix
exec wine "$@"
