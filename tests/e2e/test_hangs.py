"""Nothing the checker waits on keeps it running: a shell that does not answer or has no browser,
calls that never return, and messages other programs post to its dialog."""
import json
import os
import signal
import subprocess
import time

import pytest

from dialog_cases import (END_BOUND, IDC_DONT_REMIND, IDC_DOWNLOAD, IDC_UPGRADE, INSTALLER, QUIET, SHOW_BOUND,
                          UPGRADE_NAME, UPGRADE_PAGE, RunAs, close_and_end, dialog_of, launch, message_box_of,
                          plain_start_is_limited, pressed_line, reply, show, shown_dialog, skip_files, wait_until,
                          write_skip_files)

WM_TIMER = 0x113
WORK_DONE = 0x8002  # WM_APP + 2
OLD = b"Other|Studio=1.0\r\n"
TIME_LIMIT = "Corvane Update Checker: ended by its time limit with nothing on screen; still running: "


def post(probe, window, *messages):
    """Posts each message to the window, hidden or not; whether every post was taken."""
    return all([probe.run("post", message, wparam, lparam, extra=["--hwnd", str(window["hwnd"]), "--force"])[0] == 0
                for message, wparam, lparam in messages])


STRAY = [(WM_TIMER, timer, 0) for timer in range(4)]


@pytest.mark.parametrize("user", [False, True], ids=["automatic", "user-initiated"])
def test_messages_other_programs_post_change_nothing(checker, probe, update_server, roaming, user):
    catalogue = reply("2.0", INSTALLER)
    catalogue["*"].update(fault="slow", pieces=2, pieceDelay=3)  # the reply takes 3 s
    update_server.set_catalogue(catalogue)
    running = checker.start(launch(user=user))
    post(probe, wait_until(lambda: dialog_of(probe.windows()), SHOW_BOUND), *STRAY)
    window = shown_dialog(probe, running)
    assert post(probe, window, *STRAY, (WORK_DONE, 0, 0), (WORK_DONE, 0, 0x5EED))
    time.sleep(QUIET)
    assert running.running() and probe.windows(visible_only=True), "the dialog went without a press"
    close_and_end(probe, running)


def explorer_pids(desktop):
    """Linux pids of this prefix's explorer.exe (the desktop's shell)."""
    pids = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                command = f.read().split(b"\0")[0].lower()
            with open("/proc/%s/environ" % pid, "rb") as f:
                environment = f.read().split(b"\0")
        except OSError:
            continue
        if command.endswith(b"\\explorer.exe") and ("WINEPREFIX=" + desktop.prefix).encode() in environment:
            pids.append(int(pid))
    return pids


def signal_all(pids, number):
    for pid in pids:
        os.kill(pid, number)


def elevated(program, desktop):
    return RunAs(program) if plain_start_is_limited(desktop) else program


# The button, what keeps the address from being handed on, and what the pressed line says.
SHOWN = [
    pytest.param(IDC_UPGRADE, "hung-shell", "the shell did not answer in time", id="hung-shell-upgrade"),
    pytest.param(IDC_DOWNLOAD, "hung-shell", "the shell did not answer in time", id="hung-shell-download"),
    pytest.param(IDC_UPGRADE, "stalled-hand-off", "the shell did not answer in time", id="stalled-hand-off"),
    pytest.param(IDC_UPGRADE, "no-browser", "no web browser is set up", id="no-browser-upgrade"),
    pytest.param(IDC_DOWNLOAD, "no-browser", "no web browser is set up", id="no-browser-download"),
]


@pytest.mark.case_timeout(150)
@pytest.mark.parametrize("button,fault,why", SHOWN)
def test_an_address_not_handed_on_is_shown(request, desktop, checker, failing_checker, probe, update_server,
                                           roaming, debug_stream, button, fault, why):
    address = INSTALLER if button == IDC_DOWNLOAD else UPGRADE_PAGE
    update_server.set_catalogue(reply("2.0", INSTALLER, UPGRADE_NAME, UPGRADE_PAGE))
    if fault == "no-browser":
        request.getfixturevalue("no_browser")
    # A new GUI process of Wine waits for explorer: the box is looked for by a probe started
    # before explorer stops, and the hand-off held up until it has.
    stall = {"hung-shell": "CoCreateInstance:1:4000", "stalled-hand-off": "CoCreateInstance:1:150000"}.get(fault)
    program = elevated(failing_checker("", stall) if stall else checker, desktop)
    running = show(program, probe, launch())[0]
    if button == IDC_DOWNLOAD:
        assert probe.press(button) is not None and message_box_of(probe, running)
    looking = subprocess.Popen(["wine", probe.exe_path, "--title", "Update Checker", "--timeout", "40", "dismiss"],
                               env=desktop.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE)
    time.sleep(5)  # its start, which needs explorer (slower on a loaded machine)
    stopped = explorer_pids(desktop) if fault == "hung-shell" else []
    try:
        # The hand-off starts: at the press, or at OK on the download's notice.
        assert (probe.dismiss() if button == IDC_DOWNLOAD else probe.press(button)) is not None
        signal_all(stopped, signal.SIGSTOP)
        out = looking.communicate(timeout=60)[0].decode("latin-1").splitlines()
        assert looking.returncode == 0, "no box gave the address in time; running: %s" % running.running()
        assert address in json.loads(out[-1])["text"].splitlines(), out
        assert running.wait(END_BOUND).exit_code == 0
    finally:
        looking.kill()
        signal_all(stopped, signal.SIGCONT)
    assert "not opened (%s); the address was shown to the user" % why in pressed_line(debug_stream)
    close_and_end(probe, show(checker, probe, launch())[0])  # the product is free again


# The stalled call, the button pressed (None: none, nothing shows) and the bound from the start or press.
LAST_RESORT = [
    pytest.param("CreateFileW:1:150000", None, 75, id="list-open"),
    pytest.param("ReadFile:1:150000", None, 75, id="list-read"),
    pytest.param("LoadLibraryExW:1:150000", None, 75, id="network-library-load"),
    pytest.param("FlushFileBuffers:1:150000", IDC_DONT_REMIND, 45, id="save-flush"),
    pytest.param("MoveFileExW:1:150000", IDC_DONT_REMIND, 45, id="save-replace"),
]


@pytest.mark.case_timeout(150)
@pytest.mark.parametrize("stall,button,bound", LAST_RESORT)
def test_a_checker_with_nothing_on_screen_ends_in_time(failing_checker, probe, update_server, roaming, debug_stream,
                                                       stall, button, bound):
    update_server.set_catalogue(reply("2.0", INSTALLER))
    write_skip_files(roaming, OLD, OLD)
    program = failing_checker("", stall)
    if button is None:
        result = program.run(launch(), timeout=bound, watch=True)
        assert result.window is None, result.window
    else:
        running = show(program, probe, launch())[0]
        assert probe.press(button) is not None
        result = running.wait(bound)
    assert result.exit_code == 0 and TIME_LIMIT in result.stderr and TIME_LIMIT in debug_stream(), result
    assert skip_files(roaming) == (OLD, OLD)


@pytest.mark.case_timeout(120)
def test_a_dialog_on_screen_outlives_the_time_limit(checker, probe, update_server, roaming):
    update_server.set_catalogue(reply("2.0", INSTALLER))
    running = show(checker, probe, launch())[0]
    time.sleep(65)
    assert running.running() and probe.windows(visible_only=True), "a dialog on screen was ended"
    close_and_end(probe, running)
