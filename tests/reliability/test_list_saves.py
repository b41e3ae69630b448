"""The skip-list store under hostile timing, through the Windows build under Wine (the code
that ships: temporary file, flush, MoveFileExW over the list):

- a saver killed (SIGKILL) at random moments leaves the list whole: the old list or the new
  one, never a cut one;
- two savers at once leave the last save whole;
- savers with a reader loading all the while leave one whole list, and the reader never
  sees a cut one.

The program is tests/reliability/list_saver_win32.cpp; CTest passes its path in
CORVANE_LIST_SAVER and a Wine prefix of this folder's own in CORVANE_WINEPREFIX.
"""
import glob
import os
import random
import re
import signal
import subprocess
import tempfile
import time

import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
WINE_ENV = os.path.join(HERE, "..", "wine", "wine-env.sh")
ENTRIES = 20000          # about 900 KB: a save takes long enough to be hit in the middle
KILLS = 40
LINE = re.compile(r"Product (\d{5})\|Reliability=(\S+)")


def wine_env():
    env = dict(os.environ)
    env.setdefault("WINEDEBUG", "-all")
    env.setdefault("WINEDLLOVERRIDES", "mscoree,mshtml=")
    env["WINEARCH"] = "win64"
    env["LC_ALL"] = "C.UTF-8"  # Wine makes non-ASCII file names only under a UTF-8 locale
    if "CORVANE_WINEPREFIX" in os.environ:
        env["WINEPREFIX"] = os.environ["CORVANE_WINEPREFIX"]
    subprocess.run(["bash", "-c", 'source "$1" && corvane_wine_prefix', "bash", WINE_ENV], env=env,
                   check=True, timeout=300)
    env["WINEPREFIX"] = subprocess.run(["bash", "-c", 'source "$1" && printf %s "$WINEPREFIX"', "bash", WINE_ENV],
                                       env=env, capture_output=True, text=True, check=True).stdout
    # Wine's services keep the standard handles of the process that starts them: start them
    # with nothing attached, so that no pipe or file of a test stays held.
    subprocess.run(["wine", "cmd", "/c", "exit"], env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
    return env


@pytest.fixture(scope="module")
def wine():
    env = wine_env()
    # One idle process keeps the wineserver up between the short runs.
    idle = subprocess.Popen(["wine", "cmd"], env=env, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, start_new_session=True)
    yield env
    idle.stdin.close()
    try:
        idle.wait(timeout=10)
    except subprocess.TimeoutExpired:
        os.killpg(idle.pid, signal.SIGKILL)
        idle.wait()
    subprocess.run(["wineserver", "-k"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)


@pytest.fixture
def folder():
    with tempfile.TemporaryDirectory(prefix="corvane-reliability-") as path:
        yield path


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def saver():
    return os.environ["CORVANE_LIST_SAVER"]


def start(wine, output, *args):
    return subprocess.Popen(["wine", saver()] + [str(a) for a in args], env=wine, stdin=subprocess.DEVNULL,
                            stdout=output, stderr=subprocess.DEVNULL, start_new_session=True)


def list_values(path):
    """The value every line of the list file carries, if the file is one whole list of
    ENTRIES lines in key order with one value; otherwise fails the test."""
    with open(path, "rb") as f:
        data = f.read().decode("latin-1")
    assert data.endswith("\r\n"), "the list ends in the middle of a line (%d bytes)" % len(data)
    lines = data[:-2].split("\r\n")
    assert len(lines) == ENTRIES, "%d lines instead of %d" % (len(lines), ENTRIES)
    values = set()
    for number, line in enumerate(lines):
        match = LINE.fullmatch(line)
        assert match and int(match.group(1)) == number, "line %d is %r" % (number, line[:80])
        values.add(match.group(2))
    assert len(values) == 1, "lines of different saves in one file: %r" % sorted(values)[:4]
    return values.pop()


def saves_so_far(output):
    output.seek(0)
    done = re.findall(rb"saved (\d+)", output.read())
    return int(done[-1]) if done else None


def test_a_saver_killed_at_random_moments_leaves_the_old_or_the_new_list(wine, folder):
    path = os.path.join(folder, "SkippedUpdates.txt")
    rng = random.Random(int(os.environ.get("CORVANE_RELIABILITY_SEED", "0")) or None)
    interrupted = 0
    for kill in range(KILLS):
        tag = "run%d" % kill
        with tempfile.TemporaryFile() as output:
            process = start(wine, output, "save", windows_path(path), ENTRIES, tag, 0)
            deadline = time.monotonic() + 60
            while saves_so_far(output) is None:
                assert process.poll() is None, "the saver ended by itself"
                assert time.monotonic() < deadline, "the saver never finished a first save"
                time.sleep(0.01)
            time.sleep(rng.uniform(0.0, 0.4))
            os.kill(process.pid, signal.SIGKILL)
            process.wait()
            last = saves_so_far(output)
        # The last save reported is on disk, or the one after it that was under way.
        value = list_values(path)
        assert value in ("%s-%d" % (tag, last), "%s-%d" % (tag, last + 1)), (value, last)
        leftovers = glob.glob(os.path.join(folder, "~sl*.tmp"))
        interrupted += bool(leftovers)
        for leftover in leftovers:
            os.remove(leftover)
    print("kills: %d, of which in the middle of writing a temporary file: %d" % (KILLS, interrupted))
    # Kills that all fell between two saves would prove nothing.
    assert interrupted > 0


def test_two_savers_at_once_leave_the_last_save_whole(wine, folder):
    path = os.path.join(folder, "SkippedUpdates.txt")
    saves = 40
    with tempfile.TemporaryFile() as out_a, tempfile.TemporaryFile() as out_b:
        a = start(wine, out_a, "save", windows_path(path), ENTRIES, "a", saves)
        b = start(wine, out_b, "save", windows_path(path), ENTRIES, "b", saves)
        assert [p.wait(timeout=300) for p in (a, b)] == [0, 0]
        assert saves_so_far(out_a) == saves - 1 and saves_so_far(out_b) == saves - 1
    # Nothing else holds the list open, so every replace succeeds: the last one is the list.
    assert list_values(path) in ("a-%d" % (saves - 1), "b-%d" % (saves - 1))
    assert glob.glob(os.path.join(folder, "~sl*.tmp")) == []


def test_savers_and_a_reader_at_once_never_show_or_leave_a_cut_list(wine, folder):
    path = os.path.join(folder, "SkippedUpdates.txt")
    saves = 40
    with tempfile.TemporaryFile() as out_a, tempfile.TemporaryFile() as out_b, \
            tempfile.TemporaryFile() as out_r:
        a = start(wine, out_a, "save", windows_path(path), ENTRIES, "a", saves)
        b = start(wine, out_b, "save", windows_path(path), ENTRIES, "b", saves)
        # The reader starts once the first save is in place: on a busy machine it could
        # otherwise do all its reads before either saver has started.
        deadline = time.monotonic() + 120
        while not os.path.exists(path) and time.monotonic() < deadline:
            time.sleep(0.05)
        reader = start(wine, out_r, "read", windows_path(path), ENTRIES, 200)
        codes = [p.wait(timeout=300) for p in (a, b, reader)]
        out_r.seek(0)
        report = out_r.read().decode("latin-1")
        assert codes == [0, 0, 0], (codes, report[-400:])
    print("reader: " + report.strip().splitlines()[-1])
    assert re.search(r"whole [1-9]\d* missing \d+ cut 0", report), report[-400:]
    # A list open for reading cannot be replaced (as on Windows): such a save waits a while for
    # the reader and may be dropped, and the list stays the whole one before it.
    assert re.fullmatch(r"[ab]-\d+", list_values(path))
    assert glob.glob(os.path.join(folder, "~sl*.tmp")) == []
