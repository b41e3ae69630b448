"""A checker started elevated (by an audio host run as administrator) never starts a browser with
its rights: the desktop's shell opens the address with the user's normal ones. Seen only where a
plain process gets a limited token and "runas" a full one (Wine 10); skipped where every process
is elevated (Wine 8), whose own Download and Upgrade cases take the desktop route; there the test
copy's token that reads as limited takes the other."""
import os

import pytest

import harness
from dialog_cases import (END_BOUND, IDC_DOWNLOAD, IDC_UPGRADE, INSTALLER, UPGRADE_NAME, UPGRADE_PAGE, RunAs,
                          launch, log_lines, message_box_of, plain_start_is_limited, pressed_line, reply, show,
                          wait_until)

# Wine's HKEY_CLASSES_ROOT is the machine's classes alone, with no per-user part.
HANDLER = "HKEY_LOCAL_MACHINE\\Software\\Classes\\%s\\shell\\open\\command"


def set_handlers(desktop, command):
    # Through "runas": where a plain process is limited, the machine's keys are not its to write.
    path = os.path.join(desktop.work, "handlers.reg")
    value = command.replace("\\", "\\\\").replace('"', '\\"')
    with open(path, "w") as f:
        f.write("REGEDIT4\n" + "".join('\n[%s]\n@="%s"\n' % (HANDLER % s, value) for s in ("http", "https")))
    desktop.wine(harness.env_path("CORVANE_RUN_AS"), "regedit.exe", "/S", harness.windows_path(path), timeout=120)


@pytest.fixture
def handler_log(desktop):
    """For the case the prefix's http and https handler is a program that logs its own elevation
    with the address (the browser's command is put back after): calling this gives its lines."""
    path = os.path.join(desktop.work, "address-handler.log")
    if os.path.exists(path):
        os.remove(path)
    query = desktop.wine("reg", "query", HANDLER % "https", "/ve").stdout.decode(errors="replace")
    try:
        set_handlers(desktop, '"%s" "%s" "%%1"' % (harness.windows_path(harness.env_path("CORVANE_ADDRESS_HANDLER")),
                                                   harness.windows_path(path)))
        yield lambda: log_lines(path)
    finally:
        set_handlers(desktop, query.split("REG_SZ", 1)[1].strip())


# Started through "runas" or plainly, the button, the address and how the checker says it went.
CASES = [
    pytest.param(True, IDC_DOWNLOAD, INSTALLER, "handed to the desktop shell", id="runas-download"),
    pytest.param(True, IDC_UPGRADE, UPGRADE_PAGE, "handed to the desktop shell", id="runas-upgrade"),
    pytest.param(False, IDC_UPGRADE, UPGRADE_PAGE, "opened by the checker", id="plain-upgrade"),
]


@pytest.mark.case_timeout(120)
@pytest.mark.parametrize("elevated,button,address,route", CASES)
def test_the_browser_runs_with_normal_rights(desktop, checker, probe, update_server, roaming, handler_log,
                                             debug_stream, elevated, button, address, route):
    if not plain_start_is_limited(desktop):
        pytest.skip("this Wine gives every process a full token: nothing to tell elevated from plain")
    update_server.set_catalogue(reply("2.0", INSTALLER, UPGRADE_NAME, UPGRADE_PAGE))
    running = show(RunAs(checker) if elevated else checker, probe, launch())[0]
    assert probe.press(button) is not None
    if button == IDC_DOWNLOAD:
        assert message_box_of(probe, running) and probe.dismiss() is not None
    assert running.wait(END_BOUND).exit_code == 0
    assert wait_until(handler_log, 15) == ["0 " + address], "the handler's elevation and address"
    assert address + " " + route in pressed_line(debug_stream)


# The failing calls, the token, whether a browser is set up, and what the pressed line says.
ROUTES = [
    pytest.param("", "limited", True, UPGRADE_PAGE + " opened by the checker", id="limited"),
    pytest.param("", "limited", False, "not opened: the shell could not open it (error ", id="limited-no-browser"),
    pytest.param("GetTokenInformation", None, True,
                 UPGRADE_PAGE + " handed to the desktop shell (the checker's rights could not be read)", id="rights-unread"),
]


@pytest.mark.parametrize("calls,token,browser,said", ROUTES)
def test_the_route_follows_the_rights_read(request, failing_checker, probe, update_server, roaming, shell_log,
                                          debug_stream, calls, token, browser, said):
    update_server.set_catalogue(reply("2.0", INSTALLER, UPGRADE_NAME, UPGRADE_PAGE))
    if not browser:
        request.getfixturevalue("no_browser")
    running = show(failing_checker(calls, token=token), probe, launch())[0]
    assert probe.press(IDC_UPGRADE) is not None
    if not browser:
        assert message_box_of(probe, running) and probe.dismiss() is not None  # the shell's own error
    assert running.wait(END_BOUND).exit_code == 0
    assert said in pressed_line(debug_stream)
    assert shell_log.wait_for(1 if browser else 0) == ([UPGRADE_PAGE] if browser else [])
