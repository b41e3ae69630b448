"""Group Policy over automatic checks: AutomaticChecks set in the test prefix with `reg add`, for
the machine (HKLM, the 64-bit view) and for the user (HKCU)."""
import pytest

from dialog_cases import INSTALLER, close_and_end, launch, reply, run_unseen, show

KEY = "Software\\Policies\\Corvane\\UpdateChecker"
CHECK = 'Corvane Update Checker: %s check of "Tone Lab" 1.0.0: '
OFF = (CHECK % "automatic" + "automatic checks are turned off by policy (the %s AutomaticChecks value is 0); "
       "nothing sent or shown")
RAN = "update 1.0.0 withheld (not newer), upgrade withheld (none on offer); "


@pytest.fixture
def policy(desktop):
    """policy(root, type, data) sets AutomaticChecks; both roots' Corvane policy keys go after the case."""
    def set_value(root, kind, data):
        desktop.wine("reg", "add", root + "\\" + KEY, "/v", "AutomaticChecks", "/t", kind, "/d", data, "/f")

    yield set_value
    for root in ("HKLM", "HKCU"):
        desktop.wine("reg", "delete", root + "\\Software\\Policies\\Corvane", "/f", check=False)


# Values set, user-initiated, the debug lines of the run.
CASES = [
    pytest.param([("HKLM", "REG_DWORD", "0")], False, [OFF % "machine's"], id="machine-0"),
    pytest.param([("HKCU", "REG_DWORD", "0")], False, [OFF % "user's"], id="user-0"),
    pytest.param([("HKLM", "REG_DWORD", "1"), ("HKCU", "REG_DWORD", "0")], False,
                 [CHECK % "automatic" + RAN + "nothing shown (automatic)"], id="machine-1-wins-over-user-0"),
    pytest.param([("HKLM", "REG_SZ", "0")], False, [CHECK % "automatic" + RAN + "nothing shown (automatic)"],
                 id="string-0-changes-nothing"),
    pytest.param([("HKLM", "REG_DWORD", "0")], True,
                 [CHECK % "user-initiated" + RAN + "dialog shown as up to date",
                  CHECK % "user-initiated" + "close pressed: nothing opened or recorded"], id="user-initiated-runs"),
]


@pytest.mark.case_timeout(90)
@pytest.mark.parametrize("values,user,expected", CASES)
def test_policy(policy, checker, probe, update_server, roaming, debug_stream, values, user, expected):
    update_server.set_catalogue(reply("1.0.0", INSTALLER))
    for value in values:
        policy(*value)
    if user:
        close_and_end(probe, show(checker, probe, launch(user=True))[0])
    else:
        run_unseen(checker, launch())
    assert [line for line in debug_stream().splitlines() if line.startswith("Corvane")] == expected
    if "turned off by policy" in expected[0]:
        assert update_server.requests() == [] and not roaming.exists(), "a request or a file"
    else:
        assert len(update_server.requests()) == 1
