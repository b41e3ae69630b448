"""The lines of the debug output stream, read as a debug-output viewer reads it."""
import os

import pytest

import harness
from dialog_cases import (END_BOUND, IDC_DONT_REMIND, IDC_DOWNLOAD, INSTALLER, KEY, UPGRADE_NAME, UPGRADE_PAGE,
                          StuckViewer, launch, message_box_of, pings_of, plain_start_is_limited, reply, run_unseen,
                          show, start_pinger, wait_until)

CHECK = 'Corvane Update Checker: automatic check of "Tone Lab" 1.0.0: '
BOTH = reply("2.0", INSTALLER, UPGRADE_NAME, UPGRADE_PAGE)
# Wine keeps no reasons for holding up log-off: it refuses each one as not implemented.
NO_LOG_OFF_REASON = CHECK + "log-off may cut the button's work short: Windows refused its reason (error 120)"


# Reply (None: no server), lists, the list made read-only, button (None: ends unseen), lines.
CASES = [
    pytest.param(reply("1.0.0", INSTALLER), {}, None, None,
                 [CHECK + "update 1.0.0 withheld (not newer), upgrade withheld (none on offer); "
                  "nothing shown (automatic)"],
                 id="automatic-silent"),
    pytest.param(None, {}, None, None, [CHECK + "request failed (-2); nothing shown (automatic)"], id="failed-request"),
    pytest.param(BOTH, {harness.UPGRADES_FILE: KEY + "=" + UPGRADE_NAME + "\r\n"}, None, IDC_DOWNLOAD,
                 [CHECK + 'update 2.0 offered, upgrade "Tone Lab Studio" withheld (declined before); dialog shown',
                  CHECK + "download pressed: notice shown, then installer " + INSTALLER + " {opened}", NO_LOG_OFF_REASON],
                 id="withheld-offer+download"),
    pytest.param(BOTH, {harness.UPDATES_FILE: "Other|Studio=1.0\r\n"}, harness.UPDATES_FILE, IDC_DONT_REMIND,
                 [CHECK + 'update 2.0 offered, upgrade "Tone Lab Studio" offered; dialog shown',
                  CHECK + "don't-remind pressed: update 2.0 and upgrade \"Tone Lab Studio\" recorded under \"" + KEY + '"',
                  "Corvane Update Checker: saving SkippedUpdates.txt failed; the file keeps what it held before",
                  NO_LOG_OFF_REASON],
                 id="dont-remind-into-a-read-only-list"),
]


@pytest.mark.case_timeout(60)
@pytest.mark.parametrize("catalogue,lists,read_only,button,expected", CASES)
def test_debug_lines(request, desktop, checker, probe, roaming, debug_stream, catalogue, lists, read_only, button,
                     expected):
    if catalogue is not None:
        request.getfixturevalue("update_server").set_catalogue(catalogue)
    for name, content in lists.items():
        roaming.write(name, content)
    if read_only:
        os.chmod(roaming.path(read_only), 0o444)
    if button is None:
        result = run_unseen(checker, launch())
    else:
        running = show(checker, probe, launch())[0]
        assert probe.press(button) is not None
        if button == IDC_DOWNLOAD:
            assert message_box_of(probe, running) and probe.dismiss() is not None
        result = running.wait(END_BOUND)
    lines, written = debug_stream().splitlines(True), result.stderr.splitlines(True)
    if button == IDC_DOWNLOAD:
        # An elevated checker (every process under Wine 8) hands the address on.
        opened = ("opened by the checker" if plain_start_is_limited(desktop)
                  else "handed to the desktop shell (the checker is elevated)")
        expected = [line.replace("{opened}", opened) for line in expected]
    assert [line.rstrip("\n") for line in lines if line.startswith("Corvane")] == expected
    # Status lines as on stderr up to the check's end (the exit may cut those of closing handles).
    end = next(i for i, line in enumerate(lines) if line.startswith("Corvane"))
    assert end >= 3 and lines[:end] == written[:end], (lines, written)


@pytest.mark.case_timeout(240)
def test_a_stuck_debug_viewer_never_freezes_the_dialog(desktop, checker, probe, update_server, roaming):
    update_server.set_catalogue(reply("2.0", INSTALLER))
    running = show(checker, probe, launch())[0]
    viewer = StuckViewer(desktop)  # from now on every line written waits 10 s for it
    try:
        pinger = start_pinger(desktop, probe, 40)
        assert probe.press(IDC_DONT_REMIND) is not None
        assert wait_until(lambda: not probe.windows(visible_only=True), 2), "the dialog waits for the viewer"
        # Every line still to come waits too, the query's status lines at exit among them.
        assert running.wait(120).exit_code == 0
        answers = pings_of(pinger)
        assert answers["pings"] >= 10 and answers["late"] == 0, answers
        assert roaming.read_skipped_updates() == KEY + "=2.0\r\n"
    finally:
        viewer.close()
