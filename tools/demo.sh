#!/usr/bin/env bash
# Command A, the demo: builds the checker, starts the local update server with
# tools/demo-catalogue.json and runs the checker under Wine with a demo argument (or the one
# given: tools/demo.sh "Name|plat|type|version|display name|label|Y"). Without a DISPLAY it runs
# on a virtual display and saves a screenshot (its path is printed); with one, the dialog is
# yours to use. Everything runs in a private network namespace, as root.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j2 --target CorvaneUpdateChecker ui_probe trust_ca
exec tests/e2e/run-in-namespace.sh /usr/bin/python3 tools/demo_run.py "$@"
