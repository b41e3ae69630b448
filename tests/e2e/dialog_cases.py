"""Shared pieces of the dialog and decision cases: launch arguments, server replies, what the
dialog shows, and the steps that end a shown dialog."""
import json
import os
import shutil
import subprocess
import tempfile
import time

import harness

IDCANCEL = 2
IDC_DOWNLOAD = 1000
IDC_UPGRADE = 1001
IDC_DONT_REMIND = 1002
IDC_HEADLINE = 1003
IDC_CURRENT_VERSION = 1004
IDC_NEW_VERSION = 1005
IDC_DOWNLOAD_NOTE = 1006
IDC_UPGRADE_HEADLINE = 1007
DIALOG_IDS = {IDCANCEL, IDC_DOWNLOAD, IDC_UPGRADE, IDC_DONT_REMIND, IDC_HEADLINE, IDC_CURRENT_VERSION,
              IDC_NEW_VERSION, IDC_DOWNLOAD_NOTE, IDC_UPGRADE_HEADLINE}

# Texts the dialog keeps from its template.
DOWNLOAD_NOTE = ("After starting the download, be sure to save your work and quit your audio host "
                 "before installing the new version.")
NOT_NOW = "Not now. Remind me later."
OK_THANKS = "Ok, thanks! (Click here to close Update Checker)"
THIS_UPDATE = "Don't remind me again about THIS update."
THESE_UPDATES = "Don't remind me again about THESE updates."

NOTICE_CAPTION = "About to start download..."
NOTICE_TEXT = ("Your download is about to start. Be sure to save your work and quit your audio host "
               "before installing the new version.")
ERROR_CAPTION = "Update Checker Error"

INSTALLER = "https://update.corvane.com/downloads/ToneLab-2.0.exe"
UPGRADE_PAGE = "https://www.corvane.com/tone-lab-studio"
UPGRADE_NAME = "Tone Lab Studio"
KEY = "Tone Lab|Studio"  # the skip-list key of launch()'s default product

SHOW_BOUND = 20   # start to shown dialog or message box
END_BOUND = 10    # a button press to the end of the process
QUIET = 1.5       # how long to give a wrong effect (a shell request, a close) to show


def launch(display="Tone Lab", label="Studio", current="1.0.0", user=False, name="Tone Lab"):
    """The launch argument for a product, user-initiated with the trailing |Y."""
    return "|".join([name, "x64", "VST3", current, display, label]) + ("|Y" if user else "")


def reply(version=None, installer=None, upgrade_name=None, upgrade_page=None, result=0):
    """A catalogue answering every product with this reply; None leaves an element out."""
    entry = {"result": result}
    for field, value in (("version", version), ("installer", installer),
                         ("upgradeName", upgrade_name), ("upgradePage", upgrade_page)):
        if value is not None:
            entry[field] = value
    return {"*": entry}


def controls(window):
    """{id: control} of a window's controls."""
    return {c["id"]: c for c in window["controls"]}


def visible_texts(window):
    """{id: text} of the dialog controls that are visible: what the user sees."""
    return {c["id"]: c["text"] for c in window["controls"] if c["visible"] and c["id"] in DIALOG_IDS}


def dialog_of(windows):
    """The checker's main dialog among listed windows (visible or not), or None."""
    for window in windows:
        if window["class"] == "#32770" and not window["messageBox"] and set(controls(window)) >= DIALOG_IDS:
            return window
    return None


def show(checker, probe, argument):
    """Starts a check and waits for its dialog; returns (running, window)."""
    running = checker.start(argument)
    return running, shown_dialog(probe, running)


def shown_dialog(probe, running):
    """The dialog of a started check once it shows."""
    window = probe.wait_window(timeout=SHOW_BOUND)
    assert window is not None, "nothing became visible; stderr: %r" % running.stderr()[-400:]
    assert not window["messageBox"], "a message box instead of the dialog: %r" % window
    assert set(controls(window)) == DIALOG_IDS, "the dialog's controls: %r" % sorted(controls(window))
    return window


def offered(window):
    """(update shown, upgrade shown) as the dialog tells the user."""
    texts = visible_texts(window)
    return IDC_DOWNLOAD in texts, IDC_UPGRADE in texts


def close_and_end(probe, running, button=IDCANCEL):
    """Presses a button of the shown dialog and waits for the process to end with code 0."""
    assert probe.press(button) is not None, "button %d could not be pressed" % button
    result = running.wait(END_BOUND)
    assert result.exit_code == 0, result
    return result


def run_unseen(checker, argument, bound=SHOW_BOUND):
    """Runs a check that must end by itself with no window ever visible."""
    result = checker.run(argument, timeout=bound, watch=True)
    assert result.window is None, "a window became visible: %r" % result.window
    assert result.exit_code == 0, result
    return result


def pressed_line(debug_stream):
    """The one "... pressed: ..." line the check wrote to the debug stream."""
    pressed = [line for line in debug_stream().splitlines() if " pressed: " in line]
    assert len(pressed) == 1, pressed
    return pressed[0]


def message_box_of(probe, running):
    box = probe.wait_message_box(timeout=SHOW_BOUND)
    assert box is not None, "no message box; stderr: %r" % running.stderr()[-400:]
    return box


def box_parts(box):
    """(caption, text, [(id, text) of its visible buttons]) of a message box."""
    texts = [c["text"] for c in box["controls"] if c["id"] == 0xFFFF]
    buttons = [(c["id"], c["text"]) for c in box["controls"] if c["visible"] and c["class"] == "Button"]
    return box["title"], texts[0] if texts else None, buttons


def skip_files(roaming):
    """(SkippedUpdates.txt, SkippedUpgrades.txt) as bytes, None where missing."""
    return roaming.read_bytes(harness.UPDATES_FILE), roaming.read_bytes(harness.UPGRADES_FILE)


def write_skip_files(roaming, updates=None, upgrades=None):
    """Writes the lists that are given (bytes or Latin-1 text) before a run."""
    if updates is not None:
        roaming.write_skipped_updates(updates)
    if upgrades is not None:
        roaming.write_skipped_upgrades(upgrades)


def screenshot(probe, name, **kw):
    """Saves the visible window as <screenshot dir>/<name>.png and checks it is a real picture."""
    png = probe.screenshot(name, **kw)
    assert png is not None and os.path.getsize(png) > 1000, "no screenshot %s" % name
    return png


# --- programs the shell must never be handed ----------------------------------------------------

TRAP_NAME = "corvane-trap.exe"


class Trap:
    """A copy of the probe's stand-in dialog at C:\\corvane-trap.exe: if the checker handed a
    local address of it to the shell, it would run and show a window."""

    def __init__(self, desktop):
        self.desktop = desktop
        self.path = os.path.join(desktop.prefix, "drive_c", TRAP_NAME)
        shutil.copyfile(harness.env_path("CORVANE_PROBE_TARGET"), self.path)
        self.probe = harness.Probe(desktop, exe_name=TRAP_NAME)

    def sprung(self, wait=QUIET):
        """Whether the trap runs (looked for during `wait` seconds); closes it if so."""
        windows = self.probe.windows(timeout=wait)
        for _ in windows:
            self.probe.key("close", timeout=2)
        return bool(windows)

    def remove(self):
        if os.path.exists(self.path):
            os.remove(self.path)


def wait_until(condition, timeout, step=0.1):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(step)


# --- other processes at work beside the checker ----------------------------------------------------

def hold_list(desktop, roaming, *locks):
    """hold_file holding the update list open (and any lock named) until its input ends."""
    holder = subprocess.Popen(["wine", os.path.join(harness.env_path("CORVANE_BUILD_DIR"), "tests", "hold_file.exe"),
                               harness.windows_path(roaming.path(harness.UPDATES_FILE)), *locks],
                              env=desktop.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    assert holder.stdout.readline().strip() == b"held"
    return holder


def start_pinger(desktop, probe, seconds):
    """The probe pinging the checker's windows for `seconds`; pings_of() reads its report."""
    return subprocess.Popen(["wine", probe.exe_path, "--exe", probe.exe_name, "ping", str(seconds)], env=desktop.env,
                            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE)


def pings_of(pinger):
    return json.loads(pinger.communicate(timeout=60)[0].splitlines()[-1])


class StuckViewer:
    """A debug viewer that never reads: every line written waits 10 s for it."""

    def __init__(self, desktop):
        self.stop = tempfile.mktemp(prefix="corvane-stuck-", dir=desktop.work)
        self.viewer = subprocess.Popen(["wine", harness.env_path("CORVANE_DEBUG_LISTENER"), "--stuck",
                                        harness.windows_path(self.stop)],
                                       env=desktop.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE)
        assert self.viewer.stdout.readline() == b"ready\n"

    def close(self):
        open(self.stop, "w").close()
        self.viewer.communicate(timeout=30)
        os.remove(self.stop)


def log_lines(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return [line.rstrip("\n") for line in f]
    except FileNotFoundError:
        return []


def plain_start_is_limited(desktop):
    """Whether this Wine gives a plainly started process a limited token (Wine 10), not a full one."""
    path = os.path.join(desktop.work, "plain-start.log")
    desktop.wine(harness.env_path("CORVANE_ADDRESS_HANDLER"), harness.windows_path(path), "plain", timeout=60)
    lines = log_lines(path)
    os.remove(path)
    return lines == ["0 plain"]


class RunAs(harness.Program):
    """A program of the build started through the shell's "runas" verb, as a host running as
    administrator starts it; a helper waits for it and gives its exit code."""

    def __init__(self, program):
        super().__init__(program.desktop, harness.env_path("CORVANE_RUN_AS"), program.probe, program.env)
        self.target = harness.windows_path(program.exe)
        self.started = program.started  # killed with the program's own after the case

    def start(self, *args):
        return super().start(self.target, *args)
