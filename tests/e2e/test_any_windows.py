"""The checker where machines differ: another ANSI code page, a program talking to the dialog, a
wininet.dll planted beside the exe or none to be had."""
import shutil
import time

import pytest

import harness
from dialog_cases import (END_BOUND, ERROR_CAPTION, IDC_DONT_REMIND, IDC_DOWNLOAD, INSTALLER, NOTICE_CAPTION,
                          QUIET, SHOW_BOUND, UPGRADE_NAME, UPGRADE_PAGE, box_parts, dialog_of, launch,
                          message_box_of, reply, show, skip_files, visible_texts)

CAFE_INSTALLER = "https://update.corvane.com/downloads/Caf\u00e9.exe"


@pytest.mark.case_timeout(120)
@pytest.mark.parametrize("locale,code_page", [("ru_RU.UTF-8", 1251), ("ja_JP.UTF-8", 932)])
def test_latin1_texts_under_other_code_pages(desktop, checker, probe, update_server, shell_log, monkeypatch,
                                             locale, code_page):
    for name in ("LANG", "LC_ALL"):
        monkeypatch.setitem(desktop.env, name, locale)
    assert probe.run("acp")[1] == code_page, "Wine did not take the locale (tools/setup.sh makes it)"
    update_server.set_catalogue(reply("2.0", CAFE_INSTALLER, "\u00c9chos Pro", UPGRADE_PAGE))
    running, window = show(checker, probe, launch("Caf\u00e9 Box", "S\u00e9rie"))
    texts = visible_texts(window)
    assert (window["title"], texts[1003], texts[1000], texts[1001]) == (
        "Caf\u00e9 Box - Update Available!", "A FREE update for your S\u00e9rie software is now available!",
        "Download the FREE update for Caf\u00e9 Box now!", "Upgrade to \u00c9chos Pro now!")
    assert probe.press(IDC_DOWNLOAD) and box_parts(message_box_of(probe, running))[0] == NOTICE_CAPTION
    assert probe.dismiss() and shell_log.wait_for(1) == [CAFE_INSTALLER]
    assert running.wait(END_BOUND).exit_code == 0


@pytest.mark.case_timeout(90)
def test_messages_from_other_programs_start_no_download(checker, probe, update_server, shell_log, roaming):
    update_server.set_catalogue(reply("2.0", INSTALLER, UPGRADE_NAME, UPGRADE_PAGE))
    running, window = show(checker, probe, launch())
    # Completion messages that do not come from the query change nothing.
    assert probe.run("post", 0x8001, 0, 0x1234)[0] == 0 and probe.run("post", 0x8001, 0, 0)[0] == 0
    time.sleep(QUIET)
    assert visible_texts(dialog_of(probe.windows(visible_only=True))) == visible_texts(window)
    # Behind the notice the dialog is disabled, but commands sent to it still arrive: a second
    # Download opens no second notice, and the last choice wins over the download.
    assert probe.press(IDC_DOWNLOAD)
    box = message_box_of(probe, running)
    assert box["owner"] == window["hwnd"] and probe.press(IDC_DOWNLOAD)
    time.sleep(QUIET)
    assert [w["hwnd"] for w in probe.windows(visible_only=True) if w["messageBox"]] == [box["hwnd"]]
    assert probe.press(IDC_DONT_REMIND) and running.wait(END_BOUND).exit_code == 0
    assert skip_files(roaming)[0] == b"Tone Lab|Studio=2.0\r\n"
    time.sleep(QUIET)
    assert shell_log.addresses() == []


@pytest.mark.case_timeout(90)
@pytest.mark.parametrize("override,title", [("wininet=n,b", "Tone Lab - Update Available!"),
                                            ("wininet=", ERROR_CAPTION)], ids=["planted", "missing"])
def test_a_planted_wininet_is_never_loaded(desktop, checker, probe, update_server, tmp_path, monkeypatch, override,
                                           title):
    checker.exe = shutil.copy(harness.env_path("CORVANE_CHECKER_EXE"), tmp_path)
    shutil.copy(harness.env_path("CORVANE_FAKE_WININET"), tmp_path / "wininet.dll")
    monkeypatch.setitem(desktop.env, "WINEDLLOVERRIDES", "mscoree,mshtml=;" + override)  # wininet= : none at all
    update_server.set_catalogue(reply("2.0", INSTALLER))
    running = checker.start(launch(user=True))
    window = probe.wait_window(timeout=SHOW_BOUND)
    assert window is not None and window["title"] == title, running.stderr()[-400:]
    assert probe.key("close") and running.wait(END_BOUND).exit_code == 0
    assert "planted" not in running.stderr()
