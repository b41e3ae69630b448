"""A "Corvane" folder that cannot be written: the real checker, a shown offer, "don't remind me"
pressed. Nothing of the lists is lost, nothing is reported, the process ends with code 0.

Under Wine the user is root, and Unix permissions would not stop a write: the folder is made
read-only with a read-only bind mount, inside the private mount namespace that
run-in-namespace.sh gives the run. Uses the e2e harness (-p harness)."""
import errno
import os
import subprocess

import pytest

IDC_DONT_REMIND = 1002
UPDATES = "SkippedUpdates.txt"
UPGRADES = "SkippedUpgrades.txt"
OFFER = {"*": {"result": 0, "version": "2.0", "installer": "https://update.corvane.com/ToneLab-2.0.exe",
               "upgradeName": "Tone Lab Studio", "upgradePage": "https://www.corvane.com/studio"}}
SHOW_BOUND = 20
END_BOUND = 10


def listing(folder):
    return {name: open(os.path.join(folder, name), "rb").read() for name in sorted(os.listdir(folder))}


@pytest.fixture
def read_only(roaming):
    """Makes the Corvane folder (with what the test wrote into it) read-only; undone after."""
    mounted = []

    def protect():
        os.makedirs(roaming.folder, exist_ok=True)
        subprocess.run(["mount", "--bind", roaming.folder, roaming.folder], check=True)
        mounted.append(roaming.folder)
        subprocess.run(["mount", "-o", "remount,bind,ro", roaming.folder], check=True)
        # The protection is real: not even root can write there now.
        with pytest.raises(OSError) as refused:
            open(os.path.join(roaming.folder, "probe.tmp"), "wb").close()
        assert refused.value.errno == errno.EROFS
        return listing(roaming.folder)

    yield protect
    for folder in mounted:
        subprocess.run(["umount", folder], check=False)


@pytest.mark.case_timeout(90)
@pytest.mark.parametrize("lists", [
    pytest.param({UPDATES: b"Other|Studio=1.0\r\n", UPGRADES: b"Other|Studio=Other Suite\r\n"}, id="lists-present"),
    pytest.param({}, id="no-lists-yet"),
])
@pytest.mark.parametrize("argument", [
    pytest.param("Tone Lab|x64|VST3|1.0.0|Tone Lab|Studio", id="automatic"),
    pytest.param("Tone Lab|x64|VST3|1.0.0|Tone Lab|Studio|Y", id="user-initiated"),
])
def test_dont_remind_into_a_read_only_folder_loses_nothing(checker, probe, update_server, roaming, read_only,
                                                           lists, argument):
    update_server.set_catalogue(OFFER)
    for name, content in lists.items():
        roaming.write(name, content)
    before = read_only()

    running = checker.start(argument)
    window = probe.wait_window(timeout=SHOW_BOUND)
    assert window is not None and not window["messageBox"], (window, running.stderr()[-400:])
    assert probe.press(IDC_DONT_REMIND) is not None
    result = running.wait(END_BOUND)

    assert result.exit_code == 0, result
    assert listing(roaming.folder) == before, "the read-only folder changed"
    assert probe.windows(visible_only=True) == [], "something was shown after the press"
