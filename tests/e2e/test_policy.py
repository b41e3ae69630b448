"""Group Policy over automatic checks: AutomaticChecks set in the test prefix with `reg add`, for
the machine (HKLM, the 64-bit view) and for the user (HKCU)."""
import pytest

from dialog_cases import INSTALLER, close_and_end, launch, reply, run_unseen, show

KEY = "Software\\Policies\\Corvane\\UpdateChecker"
OFF = ('Corvane Update Checker: automatic check of "Tone Lab" 1.0.0: automatic checks are turned off by policy '
       "(the %s AutomaticChecks value is 0); nothing sent or shown")


@pytest.fixture
def policy(desktop):
    """policy(root, type, data) sets AutomaticChecks; both roots' Corvane policy keys go after the case."""
    yield lambda root, kind, data: desktop.wine("reg", "add", root + "\\" + KEY, "/v", "AutomaticChecks",
                                                "/t", kind, "/d", data, "/f")
    for root in ("HKLM", "HKCU"):
        desktop.wine("reg", "delete", root + "\\Software\\Policies\\Corvane", "/f", check=False)


CASES = [  # values set, user-initiated, whose value turns the check off (None: it runs)
    pytest.param([("HKLM", "REG_DWORD", "0")], False, "machine's", id="machine-0"),
    pytest.param([("HKCU", "REG_DWORD", "0")], False, "user's", id="user-0"),
    pytest.param([("HKLM", "REG_DWORD", "1"), ("HKCU", "REG_DWORD", "0")], False, None, id="machine-1-over-user-0"),
    pytest.param([("HKLM", "REG_SZ", "0")], False, None, id="string-0"),
    pytest.param([("HKLM", "REG_DWORD", "0")], True, None, id="user-initiated"),
]


@pytest.mark.case_timeout(90)
@pytest.mark.parametrize("values,user,off_by", CASES)
def test_policy(policy, checker, probe, update_server, roaming, debug_stream, values, user, off_by):
    update_server.set_catalogue(reply("1.0.0", INSTALLER))
    for value in values:
        policy(*value)
    if user:
        close_and_end(probe, show(checker, probe, launch(user=True))[0])
    else:
        run_unseen(checker, launch())
    lines = [line for line in debug_stream().splitlines() if line.startswith("Corvane")]
    if off_by:
        assert lines == [OFF % off_by] and update_server.requests() == [] and not roaming.exists()
    else:
        assert len(update_server.requests()) == 1 and "update 1.0.0 withheld (not newer)" in lines[0], lines
