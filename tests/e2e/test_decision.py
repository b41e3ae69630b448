"""What the checker offers, through the real program and dialog: every combination of reply and
skip lists for an automatic and a user-initiated check, "don't remind me" honoured by the next
automatic check, and versions ordered by their numbers."""
import pytest

pytest.register_assert_rewrite("dialog_cases")  # rich failure messages from the shared helpers
from dialog_cases import (  # noqa: E402
    IDC_DONT_REMIND, IDC_NEW_VERSION, INSTALLER, KEY, UPGRADE_NAME, UPGRADE_PAGE, close_and_end, launch,
    offered, reply, run_unseen, show, skip_files, visible_texts, write_skip_files)

CURRENT = "1.5"
UPDATE, UPGRADE, BOTH, NONE = (True, False), (False, True), (True, True), (False, False)


def offer(version=None, installer=INSTALLER, upgrade_name=UPGRADE_NAME, upgrade_page=UPGRADE_PAGE):
    return reply(version, installer, upgrade_name, upgrade_page)


def lines(*entries, end="\r\n"):
    return "".join(entry + end for entry in entries).encode("latin-1")


# Each case pairs one update situation with one upgrade situation; the dialog tells both apart.
# Columns: reply, SkippedUpdates.txt, SkippedUpgrades.txt before the run (None: no file), then
# (update, upgrade) on offer for an automatic and for a user-initiated check.
CASES = [
    pytest.param(offer(installer=None, upgrade_page=None), None, None, NONE, NONE,
                 id="no-version+no-upgrade-page"),
    pytest.param(offer("2.0", installer=None), None, None, UPGRADE, UPGRADE,
                 id="no-installer+upgrade-without-entry"),
    pytest.param(offer(CURRENT, upgrade_name=None), None, None, NONE, NONE,
                 id="same-version+no-upgrade-name"),
    pytest.param(offer("1.4"), None, lines(KEY + "=" + UPGRADE_NAME, end="\n"), NONE, UPGRADE,
                 id="older-version+upgrade-declined"),
    pytest.param(offer("2.0"), lines("Other|Studio=9.0"), lines(KEY + "=Tone Lab Suite"), BOTH, BOTH,
                 id="newer-without-entry+other-upgrade-declined"),
    pytest.param(offer("2.0"), lines(KEY + "=2.0"), lines(KEY + "=tone lab studio"), UPGRADE, BOTH,
                 id="same-version-declined+upgrade-differing-in-case"),
    pytest.param(offer("1.9"), lines(KEY + "=2.0"), lines(KEY + "=" + UPGRADE_NAME), NONE, BOTH,
                 id="newer-version-declined+upgrade-declined"),
    pytest.param(offer("2.1"), lines(KEY + "=2.0"), lines(KEY + "=" + UPGRADE_NAME), UPDATE, BOTH,
                 id="older-version-declined+upgrade-declined"),
    pytest.param(offer("2.0"), lines("Tone Lab|Synth=2.0", "Tone Lab Pro|Studio=2.0", "tone lab|studio=2.0"),
                 lines("Tone Lab|Synth=" + UPGRADE_NAME, "tone lab|studio=" + UPGRADE_NAME), BOTH, BOTH,
                 id="entries-of-other-products"),
    pytest.param(offer("2.0"), lines("Other|Studio=3.0", KEY + "=1.8", KEY + "=2.0"),
                 lines(KEY + "=" + UPGRADE_NAME, KEY + "=Tone Lab Suite"), UPDATE, BOTH,
                 id="first-entry-decides"),
]


@pytest.mark.case_timeout(60)
@pytest.mark.parametrize("user", [False, True], ids=["automatic", "user-initiated"])
@pytest.mark.parametrize("catalogue,updates,upgrades,automatic,user_initiated", CASES)
def test_decision(checker, probe, update_server, roaming, catalogue, updates, upgrades, automatic,
                  user_initiated, user):
    update_server.set_catalogue(catalogue)
    write_skip_files(roaming, updates, upgrades)
    expected = user_initiated if user else automatic
    argument = launch(current=CURRENT, user=user)
    if expected == NONE and not user:
        run_unseen(checker, argument)
    else:
        running, window = show(checker, probe, argument)
        assert offered(window) == expected, visible_texts(window)
        assert window["title"] == ("Tone Lab - Update Available!" if expected != NONE else "Tone Lab")
        if expected[0]:
            version = catalogue["*"]["version"]
            assert visible_texts(window)[IDC_NEW_VERSION] == "New version available:  " + version
        close_and_end(probe, running)
    assert roaming.exists(), "the lists' folder is made when they are loaded"
    assert skip_files(roaming) == (updates, upgrades), "the lists must be left as they were"


@pytest.mark.case_timeout(60)
def test_user_initiated_dont_remind_overwrites_the_found_entry(checker, probe, update_server, roaming):
    # Both offers are declined already (an automatic check would show nothing); the user asks
    # anyway, sees both, and declines again: the first entry of each list is rewritten in place.
    update_server.set_catalogue(offer("2.0"))
    write_skip_files(roaming, lines("Other|Studio=1.0", KEY + "=2.5", KEY + "=2.6"),
                     lines(KEY + "=" + UPGRADE_NAME, "Other|Studio=Other Suite"))
    running, window = show(checker, probe, launch(current=CURRENT, user=True))
    assert offered(window) == BOTH
    close_and_end(probe, running, IDC_DONT_REMIND)
    assert skip_files(roaming) == (lines("Other|Studio=1.0", KEY + "=2.0", KEY + "=2.6"),
                                   lines(KEY + "=" + UPGRADE_NAME, "Other|Studio=Other Suite"))


@pytest.mark.case_timeout(120)
def test_declined_offers_stay_quiet_until_something_new(checker, probe, update_server, roaming):
    automatic = launch(current=CURRENT)

    # First use: both on offer, declined.
    update_server.set_catalogue(offer("2.0"))
    running, window = show(checker, probe, automatic)
    assert offered(window) == BOTH
    close_and_end(probe, running, IDC_DONT_REMIND)
    declined = (lines(KEY + "=2.0"), lines(KEY + "=" + UPGRADE_NAME))
    assert skip_files(roaming) == declined

    # The same offer again: the next automatic check ends unseen and writes nothing.
    run_unseen(checker, automatic)
    assert skip_files(roaming) == declined

    # A greater version is offered again, the declined upgrade is not; declining it replaces
    # the stored version in place.
    update_server.set_catalogue(offer("2.0.1"))
    running, window = show(checker, probe, automatic)
    assert offered(window) == UPDATE
    close_and_end(probe, running, IDC_DONT_REMIND)
    assert skip_files(roaming) == (lines(KEY + "=2.0.1"), declined[1])

    # An upgrade of another name is offered again; closing records nothing.
    update_server.set_catalogue(offer("2.0.1", upgrade_name="Tone Lab Suite"))
    running, window = show(checker, probe, automatic)
    assert offered(window) == UPGRADE
    close_and_end(probe, running)
    assert skip_files(roaming) == (lines(KEY + "=2.0.1"), declined[1])


# Versions compare by their numbers: current, offered, a declined version (None: no list), and
# whether the update is on offer. Shown updates are declined, which records the offered version.
NUMERIC = [
    pytest.param("1.9", "1.10", None, False, True, id="1.10-after-1.9"),
    pytest.param("10.0", "2.0", None, True, False, id="2.0-before-10.0"),
    pytest.param("1.0", "1.0.0", None, True, False, id="1.0.0-equals-1.0"),
    pytest.param("1.0", "1.10", "1.9", False, True, id="1.10-after-declined-1.9"),
    pytest.param("1.0", "1.9", "1.10", False, False, id="1.9-before-declined-1.10"),
]


@pytest.mark.case_timeout(60)
@pytest.mark.parametrize("current,version,declined,user,shown", NUMERIC)
def test_versions_compare_by_number(checker, probe, update_server, roaming, current, version, declined, user,
                                    shown):
    update_server.set_catalogue(reply(version, INSTALLER))
    if declined is not None:
        write_skip_files(roaming, lines(KEY + "=" + declined))
    argument = launch(current=current, user=user)
    if not shown and not user:
        run_unseen(checker, argument)
        assert skip_files(roaming) == (lines(KEY + "=" + declined), None)
        return
    running, window = show(checker, probe, argument)
    assert offered(window) == (shown, False), visible_texts(window)
    if shown:
        # First use of the upgrade list: it is created empty.
        close_and_end(probe, running, IDC_DONT_REMIND)
        assert skip_files(roaming) == (lines(KEY + "=" + version), b"")
    else:
        close_and_end(probe, running)
        assert skip_files(roaming) == (None, None)
