"""Group Policy over automatic checks: AutomaticChecks set in the test prefix with `reg add`, for
the machine (HKLM, the 64-bit view) and for the user (HKCU)."""
import pytest

from dialog_cases import INSTALLER, close_and_end, launch, reply, run_unseen, show
from harness import windows_path

KEY = "Software\\Policies\\Corvane\\UpdateChecker"
ROOTS = {"HKLM": "HKEY_LOCAL_MACHINE", "HKCU": "HKEY_CURRENT_USER"}
OFF = ('Corvane Update Checker: automatic check of "Tone Lab" 1.0.0: automatic checks are turned off by policy '
       "(the %s AutomaticChecks value is 0); nothing sent or shown")


@pytest.fixture
def policy(desktop, tmp_path):
    """policy(root, type, data) sets AutomaticChecks; type "raw" imports data as a .reg file holds it
    ("hex(4):00,00": a REG_DWORD of two bytes, which `reg add` cannot make). Both roots' Corvane
    policy keys go after the case."""
    def put(root, kind, data):
        if kind == "raw":
            (tmp_path / "p.reg").write_text('REGEDIT4\n\n[%s\\%s]\n"AutomaticChecks"=%s\n' % (ROOTS[root], KEY, data))
            return desktop.wine("reg", "import", windows_path(tmp_path / "p.reg"))
        return desktop.wine("reg", "add", root + "\\" + KEY, "/v", "AutomaticChecks", "/t", kind, "/d", data, "/f")
    yield put
    for root in ROOTS:
        desktop.wine("reg", "delete", root + "\\Software\\Policies\\Corvane", "/f", check=False)


CASES = [  # values set, user-initiated, whose value turns the check off (None: it runs)
    pytest.param([("HKLM", "REG_DWORD", "0")], False, "machine's", id="machine-0"),
    pytest.param([("HKCU", "REG_DWORD", "0")], False, "user's", id="user-0"),
    pytest.param([("HKLM", "REG_DWORD", "1"), ("HKCU", "REG_DWORD", "0")], False, None, id="machine-1-over-user-0"),
    pytest.param([("HKLM", "REG_SZ", "0")], False, None, id="string-0"),
    pytest.param([("HKLM", "raw", "hex(4):00,00")], False, None, id="two-byte-dword-0"),
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
