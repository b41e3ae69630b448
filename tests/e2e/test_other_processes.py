"""The checker among other processes, through the real program: two checkers of two products
declining at once, a list file another process holds open at the press (also while the user
logs off, or another program posts WM_QUIT), and two automatic starts of one product."""
import json
import os
import subprocess
import time

import harness
from dialog_cases import END_BOUND, IDCANCEL, IDC_DONT_REMIND, INSTALLER, SHOW_BOUND, launch, reply, wait_until

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


def hold_list(desktop, roaming, *locks):
    """hold_file holding the update list open (and any lock named) until its input ends."""
    holder = subprocess.Popen(["wine", os.path.join(harness.env_path("CORVANE_BUILD_DIR"), "tests", "hold_file.exe"),
                               harness.windows_path(roaming.path(harness.UPDATES_FILE)), *locks],
                              env=desktop.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    assert holder.stdout.readline().strip() == b"held"
    return holder


def test_a_press_held_up_by_other_processes_lands_and_never_freezes(desktop, checker, probe, update_server, roaming):
    update_server.set_catalogue(reply("2.0", INSTALLER))
    roaming.write_skipped_updates(OTHER)
    running = checker.start(launch())
    window = dialogs(probe, 1)[0]
    # Another checker's save holds the lock for 2 s, a backup tool the list for 5 s.
    holder = hold_list(desktop, roaming, SKIP_LISTS_LOCK)
    pinger = subprocess.Popen(["wine", probe.exe_path, "--exe", probe.exe_name, "ping", "30"], env=desktop.env,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE)
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
    answers = json.loads(pinger.communicate(timeout=30)[0].splitlines()[-1])
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


def test_log_off_during_a_held_save_keeps_the_choice(desktop, checker, probe, update_server, roaming):
    running, window, holder = decline_while_held(desktop, checker, probe, update_server, roaming)
    assert wait_until(lambda: not probe.windows(visible_only=True), 2), "the dialog stays up"
    pinger = subprocess.Popen(["wine", probe.exe_path, "--exe", probe.exe_name, "ping", "20"], env=desktop.env,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE)
    # Windows asks the hidden dialog, then tells it, and ends the process once that returns.
    log_off = subprocess.Popen(["wine", probe.exe_path, "--exe", probe.exe_name, "--hwnd", str(window["hwnd"]),
                                "--timeout", "30", "endsession"], env=desktop.env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE)
    time.sleep(3)
    holder.communicate(timeout=30)  # the backup tool lets go while WM_ENDSESSION waits
    report = json.loads(log_off.communicate(timeout=60)[0].splitlines()[-1])
    assert report["queryAnswer"] == 1 and report["endSessionMs"] >= 2000 and report["terminated"], report
    running.wait(END_BOUND)
    assert roaming.read_bytes(harness.UPDATES_FILE) == OTHER + b"Tone Lab|Studio=2.0\r\n"
    answers = json.loads(pinger.communicate(timeout=60)[0].splitlines()[-1])  # answered while it waited
    assert answers["pings"] >= 5 and answers["late"] == 0, answers


def test_a_quit_message_from_outside_waits_for_the_save(desktop, checker, probe, update_server, roaming):
    running, window, holder = decline_while_held(desktop, checker, probe, update_server, roaming)
    assert probe.run("post", 0x12, 7, 0, extra=["--hwnd", str(window["hwnd"]), "--force"])[0] == 0  # WM_QUIT
    time.sleep(2)
    assert running.running(), "ended with the save still waiting"
    holder.communicate(timeout=30)
    assert running.wait(END_BOUND).exit_code == 0
    assert roaming.read_bytes(harness.UPDATES_FILE) == OTHER + b"Tone Lab|Studio=2.0\r\n"


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
