"""The real result dialog under Wine, fed by the local server: its caption, texts and visible
controls for each result, the error box, the four buttons, the title bar's close box and the keys
that must do nothing. Screenshots of each state go to the harness's screenshot folder."""
import time

import pytest

pytest.register_assert_rewrite("dialog_cases")  # rich failure messages from the shared helpers
from dialog_cases import (  # noqa: E402
    DOWNLOAD_NOTE, END_BOUND, ERROR_CAPTION, IDC_DONT_REMIND, IDC_DOWNLOAD, IDC_UPGRADE, IDCANCEL,
    INSTALLER, NOT_NOW, NOTICE_CAPTION, NOTICE_TEXT, OK_THANKS, QUIET, THESE_UPDATES, THIS_UPDATE,
    TRAP_NAME, UPGRADE_NAME, UPGRADE_PAGE, Trap, box_parts, close_and_end, dialog_of,
    launch, message_box_of, reply, run_unseen, screenshot, show, skip_files,
    visible_texts, wait_until)


@pytest.fixture
def trap(desktop):
    t = Trap(desktop)
    yield t
    t.remove()


UPDATE_TEXTS = {
    1003: "A FREE update for your Studio software is now available!",
    1004: "Your current version: 1.0.0",
    1005: "New version available:  2.0",
    1000: "Download the FREE update for Tone Lab now!",
    1006: DOWNLOAD_NOTE,
}
UPGRADE_TEXTS = {
    1007: "An UPGRADE for your Studio software is available!",
    1001: "Upgrade to Tone Lab Studio now!",
}
UP_TO_DATE = {1003: "Your Studio software is up to date!", 1004: "Your current version: 1.0.0"}

UPDATE_ONLY = reply("2.0", INSTALLER)
UPGRADE_ONLY = reply(upgrade_name=UPGRADE_NAME, upgrade_page=UPGRADE_PAGE)
BOTH = reply("2.0", INSTALLER, UPGRADE_NAME, UPGRADE_PAGE)
NOTHING = reply("1.0.0", INSTALLER)  # the version the user has

CONNECT_ERROR = ("There was an error attempting to connect to the Corvane server. Check your "
                 "internet connections, or try again later.")
BAD_DATA = "There was an error in the data sent to the Corvane server."
NOT_SUPPORTED = "The Corvane server does not currently support checking for updates for this product."
UNREADABLE = "There was an error interpreting the response from the Corvane server."


# --- what each result shows ------------------------------------------------------------------

def end_with_download(probe, running, shell_log, roaming):
    """The notice comes first; the installer reaches the shell only once it is dismissed."""
    assert probe.press(IDC_DOWNLOAD) is not None
    box = message_box_of(probe, running)
    assert box_parts(box) == (NOTICE_CAPTION, NOTICE_TEXT, [(1, "OK")])
    screenshot(probe, "dialog-download-notice", title=NOTICE_CAPTION)
    time.sleep(QUIET)
    assert shell_log.addresses() == [], "the installer was opened while the notice was up"
    assert running.running() and dialog_of(probe.windows(visible_only=True)) is not None, \
        "the dialog must stay until the notice is dismissed"
    assert probe.dismiss() is not None
    assert shell_log.wait_for(1) == [INSTALLER]
    result = running.wait(END_BOUND)
    assert result.exit_code == 0, result
    assert skip_files(roaming) == (None, None), "a download records no suppression"


def end_with_upgrade(probe, running, shell_log, roaming):
    """The page opens with no notice: the process ends without anything being dismissed."""
    assert probe.press(IDC_UPGRADE) is not None
    result = running.wait(END_BOUND)
    assert result.exit_code == 0, result
    assert shell_log.wait_for(1) == [UPGRADE_PAGE]
    assert skip_files(roaming) == (None, None)


def end_with_dont_remind(probe, running, shell_log, roaming):
    """Both lists are written, in their line format, before the dialog is gone."""
    assert probe.press(IDC_DONT_REMIND) is not None
    files_when_gone = wait_until(lambda: dialog_of(probe.windows()) is None and [skip_files(roaming)], 10)
    assert files_when_gone, "the dialog did not close"
    assert files_when_gone[0] == (b"Tone Lab|Studio=2.0\r\n", b"Tone Lab|Studio=Tone Lab Studio\r\n")
    result = running.wait(END_BOUND)
    assert result.exit_code == 0, result
    assert skip_files(roaming) == files_when_gone[0]
    assert shell_log.addresses() == []


def end_with_close_box(probe, running, shell_log, roaming):
    assert probe.key("close") is not None
    result = running.wait(END_BOUND)
    assert result.exit_code == 0, result
    assert skip_files(roaming) == (None, None), "closing records nothing"
    time.sleep(QUIET)
    assert shell_log.addresses() == []


RESULTS = [
    pytest.param(UPDATE_ONLY, False, "Tone Lab - Update Available!",
                 {**UPDATE_TEXTS, 1002: THIS_UPDATE, 2: NOT_NOW}, "dialog-update", end_with_download,
                 id="update-only"),
    pytest.param(UPGRADE_ONLY, False, "Tone Lab - Update Available!",
                 {**UP_TO_DATE, **UPGRADE_TEXTS, 1002: THIS_UPDATE, 2: NOT_NOW}, "dialog-upgrade",
                 end_with_upgrade, id="upgrade-only"),
    pytest.param(BOTH, True, "Tone Lab - Update Available!",
                 {**UPDATE_TEXTS, **UPGRADE_TEXTS, 1002: THESE_UPDATES, 2: NOT_NOW}, "dialog-both",
                 end_with_dont_remind, id="update-and-upgrade"),
    pytest.param(NOTHING, True, "Tone Lab", {**UP_TO_DATE, 2: OK_THANKS}, "dialog-up-to-date",
                 end_with_close_box, id="nothing-on-offer-user-initiated"),
]


@pytest.mark.case_timeout(90)
@pytest.mark.parametrize("catalogue,user,title,texts,shot,end", RESULTS)
def test_result_dialog(checker, probe, update_server, roaming, shell_log, catalogue, user, title, texts,
                       shot, end):
    update_server.set_catalogue(catalogue)
    running, window = show(checker, probe, launch(user=user))
    assert window["title"] == title
    assert visible_texts(window) == texts
    screenshot(probe, shot)
    end(probe, running, shell_log, roaming)


@pytest.mark.case_timeout(60)
def test_nothing_on_offer_automatic_shows_nothing(checker, update_server, roaming, shell_log):
    update_server.set_catalogue(NOTHING)
    run_unseen(checker, launch())
    assert len(update_server.requests()) == 1, "the check must have been made"
    assert skip_files(roaming) == (None, None)
    assert shell_log.addresses() == []


# --- failed checks ------------------------------------------------------------------------------

def serving(catalogue):
    return lambda start_server: start_server(catalogue)


ERRORS = [
    pytest.param(serving(reply(result=1)), BAD_DATA, id="result-1"),
    pytest.param(serving(reply("2.0", INSTALLER, result=2)), NOT_SUPPORTED, id="result-2"),
    pytest.param(serving({"*": {"raw": "Service Unavailable"}}), UNREADABLE, id="unreadable-reply"),
    pytest.param(lambda start_server: None, CONNECT_ERROR, id="no-server"),
]


@pytest.mark.case_timeout(90)
@pytest.mark.parametrize("setup,message", ERRORS)
def test_failed_user_initiated_check_shows_only_the_error_box(checker, probe, start_server, roaming,
                                                              setup, message):
    setup(start_server)
    running = checker.start(launch(user=True))
    box = message_box_of(probe, running)
    assert box_parts(box) == (ERROR_CAPTION, message, [(1, "OK")])
    if message == NOT_SUPPORTED:
        screenshot(probe, "dialog-error", title=ERROR_CAPTION)
    # While the box is up the dialog exists but has never been shown.
    dialog = dialog_of(probe.windows())
    assert dialog is not None and dialog["visible"] is False, dialog
    assert dialog["title"] == "Update Available!", "the dialog was filled: %r" % dialog["title"]
    assert probe.dismiss() is not None
    # Nothing is left to press: the process ends on its own once the box is gone.
    result = running.wait(END_BOUND)
    assert result.exit_code == 0, result
    assert skip_files(roaming) == (None, None)


@pytest.mark.case_timeout(90)
@pytest.mark.parametrize("setup,message", ERRORS)
def test_failed_automatic_check_shows_nothing(checker, start_server, setup, message):
    setup(start_server)
    run_unseen(checker, launch())


# --- buttons and keys ---------------------------------------------------------------------------

@pytest.mark.case_timeout(90)
def test_keys_change_nothing_and_the_close_button_records_nothing(checker, probe, update_server, roaming,
                                                                   shell_log):
    update_server.set_catalogue(BOTH)
    running, window = show(checker, probe, launch())
    before = (window["title"], visible_texts(window))

    # The accelerators carry a command nothing handles.
    for key in ("alt+?", "alt+/"):
        assert probe.key(key) is not None
    # Esc is not turned into a close; Tab does not move the focus (no dialog keyboard handling).
    tabs = [probe.key("tab") for _ in range(2)]
    assert None not in tabs, "the probe could not post Tab"
    focus = [tab["target"] for tab in tabs]
    assert probe.key("esc") is not None
    time.sleep(QUIET)
    assert running.running(), "a key ended the program"
    now = dialog_of(probe.windows(visible_only=True))
    assert now is not None, "a key closed or hid the dialog"
    assert (now["title"], visible_texts(now)) == before
    assert focus[0] == focus[1], "Tab moved the focus"
    assert focus[0] in {c["hwnd"] for c in now["controls"]} | {now["hwnd"]}
    assert skip_files(roaming) == (None, None) and shell_log.addresses() == []

    close_and_end(probe, running, IDCANCEL)
    assert skip_files(roaming) == (None, None), "the close button records nothing"
    time.sleep(QUIET)
    assert shell_log.addresses() == [], "the close button opens nothing"


@pytest.mark.case_timeout(90)
def test_long_texts_are_cut_to_their_buffers(checker, probe, update_server):
    # Display name of 20, label of 15, version of 12, upgrade name of 47 characters.
    upgrade_name = "Tone Lab Studio Edition with Extended Features!"
    assert len(upgrade_name) == 47
    update_server.set_catalogue(reply("2.0", INSTALLER, upgrade_name, UPGRADE_PAGE))
    running, window = show(checker, probe, launch("Resonance Twin Delay", "Virtual Console", "1.2.3-beta.4",
                                                  user=True))
    assert window["title"] == "Resonance Twin Delay - Update Available!"
    texts = visible_texts(window)
    assert texts[1000] == "Download the FREE update for Resonance Twin Del"
    assert texts[1003] == "A FREE update for your Virtual Console software is now availabl"
    assert texts[1004] == "Your current version: 1.2.3-bet"
    assert texts[1007] == "An UPGRADE for your Virtual Console software is available!"
    assert texts[1001] == "Upgrade to Tone Lab Studio Edition with Extended Features! now!"
    close_and_end(probe, running)


@pytest.mark.case_timeout(90)
def test_longest_uncut_texts(checker, probe, update_server):
    # Display name of 31 and label of 13 characters: every text fits whole.
    update_server.set_catalogue(reply("2.0", INSTALLER))
    running, window = show(checker, probe, launch("Tone Lab Pro Max Deluxe Edition", "Studio Master", user=True))
    assert window["title"] == "Tone Lab Pro Max Deluxe Edition - Update Available!"
    texts = visible_texts(window)
    assert texts[1003] == "A FREE update for your Studio Master software is now available!"
    assert texts[1000] == "Download the FREE update for Tone Lab Pro Max D"
    close_and_end(probe, running)


# --- addresses that are not web addresses -------------------------------------------------------

LOCAL_ADDRESSES = ["file:///C:/" + TRAP_NAME, "C:\\" + TRAP_NAME]
QUOTED = 'https://update.corvane.com/x.exe" --new-window "file:///C:/' + TRAP_NAME  # a quote ends the argument


@pytest.mark.case_timeout(90)
@pytest.mark.parametrize("address", LOCAL_ADDRESSES + [QUOTED], ids=["file-url", "local-path", "quoted"])
def test_local_installer_offers_no_update_and_never_reaches_the_shell(checker, probe, update_server, shell_log,
                                                                       trap, address):
    update_server.set_catalogue(reply("2.0", address, UPGRADE_NAME, UPGRADE_PAGE))
    running, window = show(checker, probe, launch())
    assert visible_texts(window) == {**UP_TO_DATE, **UPGRADE_TEXTS, 1002: THIS_UPDATE, 2: NOT_NOW}
    # Even a press of the hidden download button hands nothing to the shell.
    code, _ = probe.run("press", IDC_DOWNLOAD, extra=["--force"])
    assert code == 0
    box = message_box_of(probe, running)
    assert box_parts(box)[0] == NOTICE_CAPTION
    assert probe.dismiss() is not None
    result = running.wait(END_BOUND)
    assert result.exit_code == 0, result
    assert not trap.sprung(), "the local installer address was run"
    assert shell_log.addresses() == []


@pytest.mark.case_timeout(90)
@pytest.mark.parametrize("address", LOCAL_ADDRESSES, ids=["file-url", "local-path"])
def test_local_upgrade_page_offers_no_upgrade_and_never_reaches_the_shell(checker, probe, update_server,
                                                                          shell_log, trap, address):
    update_server.set_catalogue(reply("2.0", INSTALLER, UPGRADE_NAME, address))
    running, window = show(checker, probe, launch())
    assert visible_texts(window) == {**UPDATE_TEXTS, 1002: THIS_UPDATE, 2: NOT_NOW}
    code, _ = probe.run("press", IDC_UPGRADE, extra=["--force"])
    assert code == 0
    result = running.wait(END_BOUND)
    assert result.exit_code == 0, result
    assert not trap.sprung(), "the local upgrade address was run"
    assert shell_log.addresses() == []
