"""A missing or malformed launch argument ends the checker at once: exit code 0, no window ever
visible, no request, no file. The server stands ready to offer an update, so a checker that
wrongly went on would be seen."""
import pytest

OFFER = {"*": {"result": 0, "version": "9.9.9", "installer": "https://update.corvane.com/x.exe",
               "upgradeName": "Tone Lab Studio", "upgradePage": "https://www.corvane.com/studio"}}

CASES = [
    pytest.param((), id="no-argument"),
    pytest.param(("n|p|t|v|d",), id="four-separators"),
    pytest.param(("Tone Lab|x64|VST3|1.0.0|Tone Lab \u03a9|Studio|Y",), id="character-above-U+00FF"),
    pytest.param(("\u4e2d|x64|VST3|1.0.0|Tone Lab|Studio|Y",), id="cjk-in-first-field"),
    pytest.param(("n|p|t|v", "Tone Lab|x64|VST3|1.0.0|Tone Lab|Studio|Y"), id="malformed-then-valid"),
    pytest.param(("x" * 125 + "|p|t|v|d|s|Y",), id="separators-beyond-127"),
    pytest.param(("",), id="empty-argument"),
]


@pytest.mark.case_timeout(90)
@pytest.mark.parametrize("args", CASES)
def test_bad_argument_ends_silently(checker, update_server, roaming, shell_log, args):
    update_server.set_catalogue(OFFER)
    result = checker.run(*args, timeout=20, watch=True)
    assert result.exit_code == 0
    assert result.duration < 10, result
    assert result.window is None, "a window became visible: %r" % result.window
    assert not roaming.exists(), "the Corvane folder was created"
    assert update_server.requests() == []
    assert "Status:" not in result.stderr
    assert shell_log.addresses() == []
