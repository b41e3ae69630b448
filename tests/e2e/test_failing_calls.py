"""A check ends right whatever USER32 call fails: a test copy of the checker in which the calls
named fail (every time, or their first N times), through the real program."""
import time

import pytest

import harness
from dialog_cases import (END_BOUND, IDCANCEL, IDC_DONT_REMIND, IDC_UPGRADE, INSTALLER, QUIET, SHOW_BOUND,
                          UPGRADE_NAME, UPGRADE_PAGE, RunAs, box_parts, launch, message_box_of, reply, run_unseen,
                          show)

RECORDED = b"Tone Lab|Studio=2.0\r\n"


def test_a_dialog_that_cannot_be_shown_ends_and_frees_its_product(checker, failing_checker, probe, update_server,
                                                                   roaming):
    update_server.set_catalogue(reply("2.0", INSTALLER))
    run_unseen(failing_checker("SetWindowPos,ShowWindow"), launch())
    # The product's lock went with the process: the next automatic check runs and shows.
    running = show(checker, probe, launch())[0]
    assert probe.press(IDCANCEL) is not None and running.wait(END_BOUND).exit_code == 0


def test_showing_falls_back_to_show_window(failing_checker, probe, update_server, roaming):
    update_server.set_catalogue(reply("2.0", INSTALLER))
    running = show(failing_checker("SetWindowPos"), probe, launch())[0]
    assert probe.press(IDCANCEL) is not None and running.wait(END_BOUND).exit_code == 0


# Calls that fail, the button (None: nothing on offer, the dialog closes unseen).
ENDS = [
    pytest.param("DestroyWindow", IDCANCEL, id="destroy-refused-not-now"),
    pytest.param("DestroyWindow", IDC_DONT_REMIND, id="destroy-refused-dont-remind"),
    pytest.param("DestroyWindow", None, id="destroy-refused-unseen"),
    pytest.param("PostMessageW", IDC_DONT_REMIND, id="hand-back-refused"),
    pytest.param("PostMessageW", IDCANCEL, id="hand-back-refused-not-now"),
]


@pytest.mark.parametrize("calls,button", ENDS)
def test_the_process_ends_all_the_same(failing_checker, probe, update_server, roaming, calls, button):
    program = failing_checker(calls)
    if button is None:
        update_server.set_catalogue(reply("1.0.0", INSTALLER))
        run_unseen(program, launch())
        return
    update_server.set_catalogue(reply("2.0", INSTALLER))
    running = show(program, probe, launch())[0]
    assert probe.press(button) is not None
    assert running.wait(END_BOUND).exit_code == 0
    assert roaming.read_bytes(harness.UPDATES_FILE) == (RECORDED if button == IDC_DONT_REMIND else None)


def test_an_elevated_checker_without_a_desktop_shell_shows_the_address(failing_checker, probe, update_server,
                                                                       shell_log, roaming):
    # With no shell windows to be had the desktop's shell cannot be reached; the checker, started
    # elevated, must not open the page itself.
    update_server.set_catalogue(reply("2.0", INSTALLER, UPGRADE_NAME, UPGRADE_PAGE))
    running = show(RunAs(failing_checker("CoCreateInstance")), probe, launch())[0]
    assert probe.press(IDC_UPGRADE) is not None
    caption, text, buttons = box_parts(message_box_of(probe, running))
    assert caption == "Update Checker" and UPGRADE_PAGE in text.splitlines() and buttons == [(1, "OK")], text
    time.sleep(QUIET)
    assert running.running() and shell_log.addresses() == []
    assert probe.dismiss() is not None and running.wait(END_BOUND).exit_code == 0
    assert shell_log.addresses() == [] and roaming.read_bytes(harness.UPGRADES_FILE) is None


def test_a_call_the_checker_does_not_make_is_refused(failing_checker):
    # The copy refuses to run with a fault it cannot inject, so no case above passes unarmed.
    assert failing_checker("SetWindowPosition").run(launch(), timeout=SHOW_BOUND).exit_code == 3
