#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix (never ~/.wine).
# Used as CMake's cross-compiling emulator and by the end-to-end harness.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/wine-env.sh"
corvane_wine_prefix
if [ -z "${DISPLAY:-}" ]; then
  # Windows tests that create windows need a display: give the run a virtual one of its own.
  exec xvfb-run -a -s "-screen 0 1024x768x24" wine "$@"
fi
exec wine "$@"
