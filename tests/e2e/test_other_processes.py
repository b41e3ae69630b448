"""The checker among other processes, through the real program: two checkers of two products
declining at once, a list file another process holds open at the press (also while the user
logs off, or another program posts WM_QUIT), and two automatic starts of one product."""
import json
import subprocess
import time

import pytest

import harness
from dialog_cases import (END_BOUND, IDCANCEL, IDC_DONT_REMIND, IDC_UPGRADE, INSTALLER, SHOW_BOUND, UPGRADE_NAME,
                          UPGRADE_PAGE, RunAs, StuckViewer, hold_list, launch, message_box_of, pings_of,
                          plain_start_is_limited, reply, start_pinger, wait_until)

OTHER = b"Other|Studio=1.0\r\n"
SKIP_LISTS_LOCK = "Local\\CorvaneUpdateChecker.SkipLists"


def dialogs(probe, count):
    assert wait_until(lambda: len(probe.windows(visible_only=True)) == count, SHOW_BOUND), "not %d dialogs" % count
    return probe.windows(visible_only=True)


def press(probe, window, button):
    assert probe.run("press", button, extra=["--hwnd", str(window["hwnd"])])[0] == 0, window["title"]


def test_two_checkers_declining_at_once_keep_both_choices(checker, probe, update_server, roaming):
    update_server.set_catalogue(reply("2.0", INSTALLER))
    roaming.write_skipped_updates(OTHER)
    started = {name: checker.start(launch(name, name=name)) for name in ("Beta Box", "Alpha Box")}
    # Both have loaded the lists once both dialogs are shown; Beta declines first, then Alpha.
    windows = {w["title"].split(" - ")[0]: w for w in dialogs(probe, 2)}
    for name, running in started.items():
        press(probe, windows[name], IDC_DONT_REMIND)
        assert running.wait(END_BOUND).exit_code == 0
    assert roaming.read_bytes(harness.UPDATES_FILE) == OTHER + b"Beta Box|Studio=2.0\r\nAlpha Box|Studio=2.0\r\n"


def test_a_press_held_up_by_other_processes_lands_and_never_freezes(desktop, checker, probe, update_server, roaming):
    update_server.set_catalogue(reply("2.0", INSTALLER))
    roaming.write_skipped_updates(OTHER)
    running = checker.start(launch())
    window = dialogs(probe, 1)[0]
    # Another checker's save holds the lock for 2 s, a backup tool the list for 5 s.
    holder = hold_list(desktop, roaming, SKIP_LISTS_LOCK)
    pinger = start_pinger(desktop, probe, 30)
    press(probe, window, IDC_DONT_REMIND)
    assert wait_until(lambda: not probe.windows(visible_only=True), 2), "the dialog stays up while it saves"
    time.sleep(2)
    holder.stdin.write(b"\n")
    holder.stdin.flush()
    time.sleep(3)
    assert running.running() and roaming.read_bytes(harness.UPDATES_FILE) == OTHER, "replaced while held open"
    holder.communicate(timeout=30)  # its input ends: it lets go
    assert running.wait(END_BOUND).exit_code == 0
    assert roaming.read_bytes(harness.UPDATES_FILE) == OTHER + b"Tone Lab|Studio=2.0\r\n"
    answers = pings_of(pinger)
    assert answers["pings"] >= 10 and answers["late"] == 0, answers


def decline_while_held(desktop, checker, probe, update_server, roaming):
    """A dialog's "don't remind me" pressed while a backup tool holds the update list."""
    update_server.set_catalogue(reply("2.0", INSTALLER))
    roaming.write_skipped_updates(OTHER)
    running = checker.start(launch())
    window = dialogs(probe, 1)[0]
    holder = hold_list(desktop, roaming)
    press(probe, window, IDC_DONT_REMIND)
    return running, window, holder


def log_off(desktop, probe, window):
    """Windows asks the hidden dialog, then tells it, and ends the process once that returns."""
    return subprocess.Popen(["wine", probe.exe_path, "--exe", probe.exe_name, "--hwnd", str(window["hwnd"]),
                             "--timeout", "60", "endsession"], env=desktop.env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE)


def log_off_report(logging_off):
    report = json.loads(logging_off.communicate(timeout=90)[0].splitlines()[-1])
    # The checker may end by itself once WM_ENDSESSION has returned, before Windows ends it.
    assert report["queryAnswer"] == 1 and (report["terminated"] or report["endedAlready"]), report
    return report


def test_log_off_during_a_held_save_keeps_the_choice(desktop, checker, probe, update_server, roaming):
    running, window, holder = decline_while_held(desktop, checker, probe, update_server, roaming)
    assert wait_until(lambda: not probe.windows(visible_only=True), 2), "the dialog stays up"
    pinger = start_pinger(desktop, probe, 20)
    logging_off = log_off(desktop, probe, window)
    time.sleep(3)
    holder.communicate(timeout=30)  # the backup tool lets go while WM_ENDSESSION waits
    assert log_off_report(logging_off)["endSessionMs"] >= 2000
    running.wait(END_BOUND)
    assert roaming.read_bytes(harness.UPDATES_FILE) == OTHER + b"Tone Lab|Studio=2.0\r\n"
    answers = pings_of(pinger)  # answered while it waited
    assert answers["pings"] >= 5 and answers["late"] == 0, answers


@pytest.mark.case_timeout(240)
def test_log_off_waits_no_longer_than_the_work_may_take(desktop, checker, probe, update_server, roaming):
    running, window, holder = decline_while_held(desktop, checker, probe, update_server, roaming)
    # Held past the save's 10 s, and each line the work writes after it waits 10 s for a viewer:
    # the work would run on for half a minute, past the 12 s log-off gives it from the press.
    viewer = StuckViewer(desktop)
    try:
        report = log_off_report(log_off(desktop, probe, window))
        assert report["endSessionAnswered"] and report["endSessionMs"] <= 12000 + 2000, report
    finally:
        holder.communicate(timeout=30)
        viewer.close()
    running.wait(END_BOUND)
    assert roaming.read_bytes(harness.UPDATES_FILE) == OTHER, "a save cut short left the list as it was"


def test_log_off_waits_for_no_box_the_work_shows(desktop, failing_checker, probe, update_server, roaming):
    # Elevated with no desktop shell to be had: the address is shown, and the box is all that is left.
    update_server.set_catalogue(reply("2.0", INSTALLER, UPGRADE_NAME, UPGRADE_PAGE))
    program = failing_checker("CoCreateInstance")
    running = (RunAs(program) if plain_start_is_limited(desktop) else program).start(launch())
    window = dialogs(probe, 1)[0]
    press(probe, window, IDC_UPGRADE)
    assert message_box_of(probe, running)
    assert log_off_report(log_off(desktop, probe, window))["endSessionMs"] < 6000, "waited out the work's 12 s"


def test_a_quit_message_from_outside_waits_for_the_save(desktop, checker, probe, update_server, roaming):
    running, window, holder = decline_while_held(desktop, checker, probe, update_server, roaming)
    assert probe.run("post", 0x12, 7, 0, extra=["--hwnd", str(window["hwnd"]), "--force"])[0] == 0  # WM_QUIT
    time.sleep(2)
    assert running.running(), "ended with the save still waiting"
    holder.communicate(timeout=30)
    assert running.wait(END_BOUND).exit_code == 0
    assert roaming.read_bytes(harness.UPDATES_FILE) == OTHER + b"Tone Lab|Studio=2.0\r\n"


def test_a_quit_message_from_outside_before_any_press_ends_with_code_0(checker, probe, update_server, roaming):
    update_server.set_catalogue(reply("2.0", INSTALLER))
    running = checker.start(launch())
    window = dialogs(probe, 1)[0]
    assert probe.run("post", 0x12, 7, 0, extra=["--hwnd", str(window["hwnd"])])[0] == 0  # WM_QUIT(7)
    assert running.wait(END_BOUND).exit_code == 0


def test_two_automatic_starts_of_one_product_give_one_dialog(checker, probe, update_server, roaming):
    update_server.set_catalogue(reply("2.0", INSTALLER))
    started = [checker.start(launch()), checker.start(launch())]
    ended = wait_until(lambda: [s for s in started if not s.running()], SHOW_BOUND)
    assert len(ended) == 1 and ended[0].wait(END_BOUND).exit_code == 0, "one of the two ends by itself"
    dialogs(probe, 1)
    assert len(update_server.requests()) == 1
    started.append(checker.start(launch(user=True)))  # one the user asks for runs all the same
    for window in dialogs(probe, 2):
        press(probe, window, IDCANCEL)
    assert [s.wait(END_BOUND).exit_code for s in started] == [0, 0, 0]
    assert len(update_server.requests()) == 2
