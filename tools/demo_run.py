#!/usr/bin/python3
"""Runs the demo inside the private network namespace (tools/demo.sh starts it): the local
update server with tools/demo-catalogue.json, and the checker under Wine with a demo argument.
Without a DISPLAY it uses a virtual one, saves a screenshot of what the checker shows, prints
its path and closes it; with a DISPLAY it leaves the dialog to the user."""
import json
import os
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import harness  # noqa: E402

DEMO_ARGUMENT = "Tone Lab Pro|x64|VST3|1.0.0|Tone Lab|Studio|Y"
WINDOWS_BUILD = os.path.join(ROOT, "build", "windows")
DEMO_DIR = os.path.join(ROOT, "build", "demo")


def main(argv):
    argument = argv[1] if len(argv) > 1 else DEMO_ARGUMENT
    os.environ.setdefault("CORVANE_UI_PROBE", os.path.join(WINDOWS_BUILD, "tests", "ui_probe.exe"))
    os.environ.setdefault("CORVANE_TRUST_CA", os.path.join(WINDOWS_BUILD, "tests", "trust_ca.exe"))
    os.environ.setdefault("CORVANE_SCREENSHOT_DIR", os.path.join(DEMO_DIR, "screenshots"))
    checker_exe = os.path.join(WINDOWS_BUILD, "CorvaneUpdateChecker.exe")
    interactive = bool(os.environ.get("DISPLAY"))

    print("Preparing Wine (first run: about half a minute)...", flush=True)
    desktop = harness.Desktop(work=DEMO_DIR, prefix=os.path.join(DEMO_DIR, "wineprefix"),
                              display=os.environ.get("DISPLAY"))
    server = None
    try:
        desktop.start()
        with open(os.path.join(ROOT, "tools", "demo-catalogue.json"), encoding="utf-8") as f:
            catalogue = json.load(f)
        server = harness.UpdateServer(desktop, os.path.join(DEMO_DIR, "server"), catalogue).start()
        print("Update server: https://update.corvane.com (127.0.0.1:443 in this namespace)")
        print("Checker: %s \"%s\"" % (os.path.relpath(checker_exe, ROOT), argument), flush=True)
        probe = harness.Probe(desktop)
        running = harness.Program(desktop, checker_exe, probe).start(argument)
        if interactive:
            print("The checker runs on your display; the demo ends when it does.", flush=True)
            result = running.wait(3600)
        else:
            result = show_headless(probe, running)
        print("Checker exit code: %d" % result.exit_code)
        for line in result.stderr.splitlines():
            if line.startswith("Status: "):
                print("  " + line)
        for request in server.requests():
            print("Server saw: %s %s" % (request["method"], request["path"]))
        if not server.requests():
            print("Server saw no request.")
    finally:
        if server is not None:
            server.stop()
        desktop.stop()
    return 0


def show_headless(probe, running):
    """Waits for a visible window of the checker, saves it as a PNG and closes it."""
    deadline = time.monotonic() + 30
    window = None
    while running.running() and time.monotonic() < deadline:
        window = probe.wait_window(timeout=1)
        if window is not None:
            break
    if window is None:
        result = running.wait(30)
        print("The checker ended without showing a window (nothing to show for this argument, "
              "or the dialog is not part of this build yet).")
        return result
    png = probe.screenshot("demo-" + ("message-box" if window["messageBox"] else "dialog"))
    print("Window: \"%s\"" % window["title"])
    print("Screenshot: %s" % png, flush=True)
    if window["messageBox"]:
        probe.dismiss()
    else:
        probe.key("close")
    if running.running():
        # A message box may follow the dialog (or the other way round): close what is left.
        time.sleep(1)
        for _ in range(3):
            left = probe.wait_window(timeout=1)
            if left is None:
                break
            probe.dismiss(timeout=1) if left["messageBox"] else probe.key("close", timeout=1)
    return running.wait(30)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
