"""A check ends right whatever imported call fails: a test copy of the checker in which the calls
named fail (every time, or their first N times), through the real program."""
import time

import pytest

import harness
from dialog_cases import (END_BOUND, IDCANCEL, IDC_DONT_REMIND, IDC_UPGRADE, INSTALLER, QUIET, SHOW_BOUND,
                          UPGRADE_NAME, UPGRADE_PAGE, RunAs, box_parts, hold_list, launch, message_box_of, pings_of,
                          reply, run_unseen, show, start_pinger, wait_until)

RECORDED = b"Tone Lab|Studio=2.0\r\n"


def test_a_dialog_that_cannot_be_shown_ends_and_frees_its_product(checker, failing_checker, probe, update_server,
                                                                   roaming, debug_stream):
    update_server.set_catalogue(reply("2.0", INSTALLER))
    run_unseen(failing_checker("SetWindowPos,ShowWindow"), launch())
    assert "; dialog could not be shown; closed unseen\n" in debug_stream()
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
    pytest.param("SetTimer,PostMessageW", IDC_DONT_REMIND, id="no-timer-and-hand-back-refused"),
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


def test_without_a_timer_a_held_save_still_never_freezes_the_dialog(desktop, failing_checker, probe, update_server,
                                                                   roaming):
    update_server.set_catalogue(reply("2.0", INSTALLER))
    roaming.write_skipped_updates(b"")
    running = show(failing_checker("SetTimer"), probe, launch())[0]
    holder = hold_list(desktop, roaming)
    pinger = start_pinger(desktop, probe, 20)
    assert probe.press(IDC_DONT_REMIND) is not None
    assert wait_until(lambda: not probe.windows(visible_only=True), 2), "the dialog stays up while it saves"
    time.sleep(3)
    holder.communicate(timeout=30)  # lets go
    assert running.wait(END_BOUND).exit_code == 0 and roaming.read_bytes(harness.UPDATES_FILE) == RECORDED
    answers = pings_of(pinger)
    assert answers["pings"] >= 10 and answers["late"] == 0, answers


NO_CONNECTION = ("There was an error attempting to connect to the Corvane server. Check your internet connections, "
                 "or try again later.")


# Without its time limit the check ends at once, on the dialog's own thread, inside its creation;
# the completion's post is refused, and then the timer that stands in for it too.
@pytest.mark.parametrize("calls", ["CreateTimerQueueTimer,PostMessageW", "CreateTimerQueueTimer,PostMessageW,SetTimer"])
@pytest.mark.parametrize("user", [False, True], ids=["automatic", "user-initiated"])
def test_a_check_ending_on_the_dialogs_thread_ends_or_shows(failing_checker, probe, update_server, roaming, calls,
                                                            user):
    update_server.set_catalogue(reply("2.0", INSTALLER))
    if not user:
        run_unseen(failing_checker(calls), launch())
        return
    running = failing_checker(calls).start(launch(user=True))
    assert box_parts(message_box_of(probe, running))[1] == NO_CONNECTION
    assert probe.dismiss() is not None and running.wait(END_BOUND).exit_code == 0


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


# A call it does not know, a stall without its time, a token it cannot make.
@pytest.mark.parametrize("calls,stalls,token", [("SetWindowPosition", None, None), ("", "ReadFileEx:1:10", None),
                                                ("", "ReadFile:1", None), ("", None, "elevated")])
def test_a_fault_the_copy_cannot_make_is_refused(failing_checker, calls, stalls, token):
    # The copy refuses to run with a fault it cannot inject, so no case above passes unarmed.
    assert failing_checker(calls, stalls, token).run(launch(), timeout=SHOW_BOUND).exit_code == 3
