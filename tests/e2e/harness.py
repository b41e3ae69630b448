"""End-to-end harness: the checker under Wine on a private X display, against the local update
server, in the network namespace that run-in-namespace.sh makes (update.corvane.com is
127.0.0.1 there, port 443 is private to the run).

The plain classes (Desktop, UpdateServer, Program, Probe, Roaming, ShellLog) are used by the
demo too; the pytest fixtures at the bottom wrap them. Load as a plugin: `-p harness` (CTest does)
or through tests/e2e/conftest.py.

Paths come from the environment, set by CTest:
  CORVANE_CHECKER_EXE, CORVANE_FAILING_CHECKER, CORVANE_UI_PROBE, CORVANE_TRUST_CA, CORVANE_HTTPS_POST,
  CORVANE_PROBE_TARGET, CORVANE_BUILD_DIR (the Windows build tree), CORVANE_WINEPREFIX,
  CORVANE_SCREENSHOT_DIR.
"""
import json
import os
import pwd
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, HERE)
import bmp_to_png  # noqa: E402

SERVER_SCRIPT = os.path.join(ROOT, "tools", "update_server.py")
MAKE_CA = os.path.join(ROOT, "tools", "make_test_ca.sh")
WINE_ENV = os.path.join(ROOT, "tests", "wine", "wine-env.sh")
PROVIDER_PATH = "/stelmarvine/ProductVersionProvider.aspx"
SERVER_HOST = "update.corvane.com"
UPDATES_FILE = "SkippedUpdates.txt"
UPGRADES_FILE = "SkippedUpgrades.txt"
DEFAULT_CASE_TIMEOUT = 120


class HarnessError(Exception):
    pass


def env_path(name, default=None):
    value = os.environ.get(name, default)
    if not value:
        raise HarnessError("%s is not set (the e2e tests run through CTest)" % name)
    return value


def windows_path(path):
    """A host path as Wine's Z: drive sees it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def _kill_group(process):
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except (ProcessLookupError, PermissionError):
        pass
    process.wait()


class Xvfb:
    """An X server on the first free display; stopped by stop()."""

    def __init__(self):
        self.process = None
        self.display = None

    def start(self, timeout=20):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(write_end)
        deadline = time.monotonic() + timeout
        number = b""
        while not number.endswith(b"\n"):
            if time.monotonic() > deadline or self.process.poll() is not None:
                os.close(read_end)
                self.stop()
                raise HarnessError("Xvfb did not start")
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        self.display = ":" + number.decode().strip()
        return self.display

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                _kill_group(self.process)
        self.process = None


class Desktop:
    """Xvfb plus the test Wine prefix: CA trusted, shell addresses logged, services warm."""

    def __init__(self, work=None, prefix=None, display=None):
        self.work = os.path.abspath(work or os.path.join(env_path("CORVANE_BUILD_DIR"), "e2e"))
        self.prefix = os.path.abspath(prefix or os.environ.get("CORVANE_WINEPREFIX")
                                      or os.path.join(self.work, "wineprefix"))
        self.certs = os.path.join(self.work, "ca")
        self.shell_script = os.path.join(self.work, "shell-open.sh")
        self.shell_log_path = os.path.join(self.work, "shell-open.log")
        self.xvfb = None
        self.display = display
        self.idle = None
        self.env = None

    # --- set-up and tear-down -------------------------------------------------------------
    def start(self):
        os.makedirs(self.work, exist_ok=True)
        subprocess.run([MAKE_CA, self.certs], check=True, timeout=120)
        if not self.display:
            self.xvfb = Xvfb()
            self.display = self.xvfb.start()
        env = dict(os.environ)
        env.update({
            "DISPLAY": self.display,
            "WINEPREFIX": self.prefix,
            "CORVANE_WINEPREFIX": self.prefix,
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
            "WINEARCH": "win64",
            "LC_ALL": "C.UTF-8",  # arguments reach Wine as UTF-8
        })
        self.env = env
        subprocess.run(["bash", "-c", 'source "$1" && corvane_wine_prefix', "bash", WINE_ENV],
                       env=env, check=True, timeout=300)
        # Wine's services inherit the standard handles of the process that starts them: start
        # them with nothing attached, then keep one idle process so they stay up for the run.
        subprocess.run(["wine", "cmd", "/c", "exit"], env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        self.idle = subprocess.Popen(["wine", "cmd"], env=env, stdin=subprocess.PIPE,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                     start_new_session=True)
        self.trust(os.path.join(self.certs, "ca.der"))
        self._log_shell_addresses()
        return self

    def stop(self):
        if self.idle is not None:
            try:
                self.idle.stdin.close()
                self.idle.wait(timeout=10)
            except (OSError, subprocess.TimeoutExpired):
                _kill_group(self.idle)
            self.idle = None
        if self.env is not None:
            subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=30)
            subprocess.run(["wineserver", "-w"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=30)
        if self.xvfb is not None:
            self.xvfb.stop()
            self.xvfb = None

    def wine(self, *args, timeout=60, check=True):
        """Runs a Wine command to its end; returns the CompletedProcess (text output)."""
        result = subprocess.run(["wine"] + [str(a) for a in args], env=self.env,
                                stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)
        if check and result.returncode != 0:
            raise HarnessError("wine %s failed (%d): %s" % (
                " ".join(map(str, args)), result.returncode, result.stderr.decode(errors="replace")))
        return result

    def trust(self, certificate):
        """Adds a certificate to the prefix's Root store (never the machine's)."""
        self.wine(env_path("CORVANE_TRUST_CA"), windows_path(certificate), timeout=120)

    def _log_shell_addresses(self):
        # Wine hands web addresses from ShellExecute to the programs named in WineBrowser's
        # Browsers value: ours only appends the address to a log file.
        with open(self.shell_script, "w") as f:
            f.write("#!/bin/sh\nprintf '%%s\\n' \"$*\" >> '%s'\n" % self.shell_log_path)
        os.chmod(self.shell_script, 0o755)
        self.wine("reg", "add", "HKCU\\Software\\Wine\\WineBrowser", "/v", "Browsers",
                  "/t", "REG_SZ", "/d", '"%s"' % self.shell_script, "/f", timeout=120)

    # --- places -----------------------------------------------------------------------------
    @property
    def roaming_folder(self):
        user = pwd.getpwuid(os.getuid()).pw_name
        return os.path.join(self.prefix, "drive_c", "users", user, "AppData", "Roaming")


class UpdateServer:
    """The reference update server (tools/update_server.py) as a subprocess."""

    def __init__(self, desktop, work_dir, catalogue=None, cert="server", port=None, plain=False,
                 host="127.0.0.1"):
        self.desktop = desktop
        os.makedirs(work_dir, exist_ok=True)
        self.catalogue_path = os.path.join(work_dir, "catalogue-%s.json" % (port or cert))
        self.log_path = os.path.join(work_dir, "requests-%s.jsonl" % (port or cert))
        self.cert = cert
        self.plain = plain
        self.host = host
        self.port = port if port is not None else (80 if plain else 443)
        self.process = None
        self.output = None
        self.set_catalogue(catalogue or {})

    def start(self, timeout=15):
        if os.path.exists(self.log_path):
            os.remove(self.log_path)
        command = ["/usr/bin/python3", SERVER_SCRIPT, "--host", self.host, "--port", str(self.port),
                   "--catalogue", self.catalogue_path, "--log", self.log_path]
        if self.plain:
            command.append("--plain")
        else:
            certs = self.desktop.certs
            command += ["--cert", os.path.join(certs, self.cert + ".pem"),
                        "--key", os.path.join(certs, self.cert + ".key")]
        self.output = tempfile.TemporaryFile()
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=self.output,
                                        stdin=subprocess.DEVNULL, text=True)
        ready = []
        reader = threading.Thread(target=lambda: ready.append(self.process.stdout.readline()))
        reader.start()
        reader.join(timeout)
        if not ready or not ready[0].startswith("listening on"):
            self.stop()
            raise HarnessError("the update server did not start: %s" % self.server_output())
        return self

    def server_output(self):
        if self.output is None:
            return ""
        self.output.seek(0)
        return self.output.read().decode(errors="replace")

    def stop(self):
        if self.process is not None and self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process = None

    def set_catalogue(self, catalogue):
        """Replaces the catalogue; the server reads it for every request."""
        tmp = self.catalogue_path + ".tmp"
        with open(tmp, "w", encoding="utf-8") as f:
            json.dump(catalogue, f)
        os.replace(tmp, self.catalogue_path)

    def requests(self):
        """Every request the server has read so far, oldest first (dicts of the JSON log)."""
        if not os.path.exists(self.log_path):
            return []
        with open(self.log_path, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]

    def url(self, query="name=Tone%20Lab&plat=x64&type=VST3"):
        scheme = "http" if self.plain else "https"
        port = "" if self.port in (80, 443) else ":%d" % self.port
        return "%s://%s%s%s?%s" % (scheme, SERVER_HOST, port, PROVIDER_PATH, query)


def request_header(request, name):
    """A header of a logged request, looked up without regard to case; None if absent."""
    for key, value in request["headers"]:
        if key.lower() == name.lower():
            return value
    return None


class RunResult:
    def __init__(self, exit_code, stdout, stderr, duration, window=None):
        self.exit_code = exit_code
        self.stdout = stdout
        self.stderr = stderr
        self.duration = duration
        self.window = window  # what the probe saw become visible during the run, or None

    def __repr__(self):
        return "RunResult(exit_code=%r, duration=%.1f, window=%r, stderr=%r)" % (
            self.exit_code, self.duration, self.window, self.stderr[-400:])


class Running:
    """A program started under Wine; wait() bounds its time and kills it on overrun."""

    def __init__(self, desktop, exe, args, env=None):
        self.out = tempfile.TemporaryFile()
        self.err = tempfile.TemporaryFile()
        self.started = time.monotonic()
        # Files, not pipes: a child the program starts (the shell's browser) may hold them open.
        self.process = subprocess.Popen(["wine", exe] + list(args), env=dict(desktop.env, **(env or {})),
                                        stdin=subprocess.DEVNULL, stdout=self.out, stderr=self.err,
                                        start_new_session=True)

    def running(self):
        return self.process.poll() is None

    def _read(self, f):
        f.seek(0)
        return f.read().decode("latin-1")

    def stdout(self):
        return self._read(self.out)

    def stderr(self):
        return self._read(self.err)

    def wait(self, timeout):
        """Waits for the exit; on overrun kills the program and fails the test."""
        try:
            code = self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            _kill_group(self.process)
            pytest.fail("the program did not end within %s s; stderr: %s" % (timeout, self.stderr()[-600:]))
        return RunResult(code, self.stdout(), self.stderr(), time.monotonic() - self.started)

    def kill(self):
        if self.running():
            _kill_group(self.process)


class Program:
    """A Windows program of the build, run under Wine with a hard time bound."""

    def __init__(self, desktop, exe, probe=None, env=None):
        self.desktop = desktop
        self.exe = exe
        self.probe = probe
        self.env = env  # added to the desktop's environment
        self.started = []

    def start(self, *args):
        """Starts the program with these arguments (none: no argument at all)."""
        running = Running(self.desktop, self.exe, args, self.env)
        self.started.append(running)
        return running

    def run(self, *args, timeout=20, watch=False, grace=0.5):
        """Runs to the end. With watch=True the probe watches the whole run for a visible
        window of the program; the result's `window` is what it saw (None if nothing)."""
        watcher = self.probe.start_watch(timeout + 10) if watch else None
        try:
            result = self.start(*args).wait(timeout)
        except BaseException:
            if watcher is not None:
                watcher.abandon()
            raise
        if watcher is not None:
            time.sleep(grace)
            result.window = watcher.finish()
        return result

    def kill_all(self):
        for running in self.started:
            running.kill()


class Watch:
    """A running `ui_probe watch`: finish() stops it and returns the window seen, or None."""

    def __init__(self, probe, seconds):
        self.stop_file = tempfile.mktemp(prefix="corvane-watch-", dir=probe.desktop.work)
        self.process = subprocess.Popen(
            ["wine", probe.exe_path, "--exe", probe.exe_name, "--stop-file", windows_path(self.stop_file),
             "watch", str(seconds)], env=probe.desktop.env, stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, start_new_session=True)
        self.seconds = seconds
        first = self.process.stdout.readline().strip()
        if first != "ready":
            _kill_group(self.process)
            raise HarnessError("the probe's watch did not start: %r" % first)

    def abandon(self):
        _kill_group(self.process)

    def finish(self):
        with open(self.stop_file, "w"):
            pass
        try:
            out, _ = self.process.communicate(timeout=self.seconds + 30)
        except subprocess.TimeoutExpired:
            _kill_group(self.process)
            raise HarnessError("the probe's watch did not end")
        finally:
            os.remove(self.stop_file)
        report = json.loads(out.strip().splitlines()[-1])
        return report if report.get("visible") else None


class Probe:
    """The UI probe (ui_probe.exe) aimed at one program's windows."""

    def __init__(self, desktop, exe_name="CorvaneUpdateChecker.exe", screenshot_dir=None):
        self.desktop = desktop
        self.exe_path = env_path("CORVANE_UI_PROBE")
        self.exe_name = exe_name
        self.screenshot_dir = screenshot_dir or os.environ.get(
            "CORVANE_SCREENSHOT_DIR", os.path.join(ROOT, "build", "screenshots"))

    def run(self, *args, timeout=10, title=None, window_class=None, extra=()):
        """Runs one probe command; returns (exit code, parsed JSON of its last line or None)."""
        command = ["wine", self.exe_path, "--exe", self.exe_name, "--timeout", str(timeout)]
        if title is not None:
            command += ["--title", title]
        if window_class is not None:
            command += ["--class", window_class]
        command += list(extra) + [str(a) for a in args]
        result = subprocess.run(command, env=self.desktop.env, stdin=subprocess.DEVNULL,
                                capture_output=True, text=True, timeout=timeout + 30)
        lines = result.stdout.strip().splitlines()
        report = None
        if lines:
            try:
                report = json.loads(result.stdout if args[0] == "list" else lines[-1])
            except ValueError:
                report = None
        if result.returncode == 2:
            raise HarnessError("probe usage error: %s" % result.stderr)
        return result.returncode, report

    def windows(self, visible_only=False, timeout=0, **kw):
        """Matching top-level windows with their controls (list of dicts); [] if none."""
        extra = ["--visible"] if visible_only else []
        code, report = self.run("list", timeout=timeout, extra=extra, **kw)
        return report or []

    def wait_window(self, timeout=10, **kw):
        """The first matching visible window within the time, or None."""
        found = self.windows(visible_only=True, timeout=timeout, **kw)
        return found[0] if found else None

    def wait_message_box(self, timeout=10):
        """The first visible message box of the program within the time, or None."""
        deadline = time.monotonic() + timeout
        while True:
            for window in self.windows(visible_only=True, timeout=0):
                if window["messageBox"]:
                    return window
            if time.monotonic() > deadline:
                return None
            time.sleep(0.1)

    def press(self, control_id, timeout=5, bm_click=False):
        """Presses a visible, enabled button by id (without waiting for its effect)."""
        code, report = self.run("press", control_id, timeout=timeout,
                                extra=["--bm-click"] if bm_click else [])
        return report if code == 0 else None

    def dismiss(self, button_id=None, timeout=5):
        """Presses OK (or the given button) of the program's message box; its report or None."""
        args = ("dismiss",) if button_id is None else ("dismiss", button_id)
        code, report = self.run(*args, timeout=timeout)
        return report if code == 0 else None

    def key(self, chord, timeout=5, **kw):
        """Posts a key (esc, tab, alt+?, alt+/, close ...) to the program's visible window."""
        code, report = self.run("key", chord, timeout=timeout, **kw)
        return report if code == 0 else None

    def screenshot(self, name, timeout=5, **kw):
        """Saves the first visible window as <screenshot dir>/<name>.png; returns its path."""
        os.makedirs(self.screenshot_dir, exist_ok=True)
        bmp = os.path.join(self.screenshot_dir, name + ".bmp")
        png = os.path.join(self.screenshot_dir, name + ".png")
        code, _ = self.run("screenshot", windows_path(bmp), timeout=timeout, **kw)
        if code != 0:
            return None
        bmp_to_png.convert(bmp, png)
        os.remove(bmp)
        return png

    def start_watch(self, seconds):
        return Watch(self, seconds)


class Roaming:
    """The roaming application-data folder of the prefix and the checker's folder in it."""

    def __init__(self, desktop):
        self.root = desktop.roaming_folder
        self.folder = os.path.join(self.root, "Corvane")

    def clear(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def exists(self):
        return os.path.isdir(self.folder)

    def path(self, name):
        return os.path.join(self.folder, name)

    def write(self, name, content):
        """Writes a file of the folder (bytes as they are, text as Latin-1), making the folder."""
        os.makedirs(self.folder, exist_ok=True)
        data = content if isinstance(content, bytes) else content.encode("latin-1")
        with open(self.path(name), "wb") as f:
            f.write(data)

    def read_bytes(self, name):
        try:
            with open(self.path(name), "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def read(self, name):
        """A file's text (Latin-1, CRLF kept), or None when it does not exist."""
        data = self.read_bytes(name)
        return None if data is None else data.decode("latin-1")

    def write_skipped_updates(self, content):
        self.write(UPDATES_FILE, content)

    def write_skipped_upgrades(self, content):
        self.write(UPGRADES_FILE, content)

    def read_skipped_updates(self):
        return self.read(UPDATES_FILE)

    def read_skipped_upgrades(self):
        return self.read(UPGRADES_FILE)


class ShellLog:
    """The addresses the shell was asked to open (recorded by the Browsers script)."""

    def __init__(self, desktop):
        self.path = desktop.shell_log_path

    def clear(self):
        if os.path.exists(self.path):
            os.remove(self.path)

    def addresses(self):
        try:
            with open(self.path, encoding="utf-8", errors="replace") as f:
                return [line.rstrip("\n") for line in f]
        except FileNotFoundError:
            return []

    def wait_for(self, count=1, timeout=15):
        """Waits until at least `count` addresses were recorded; returns what is there."""
        deadline = time.monotonic() + timeout
        while len(self.addresses()) < count and time.monotonic() < deadline:
            time.sleep(0.1)
        return self.addresses()


# --- pytest plug-in ---------------------------------------------------------------------------

def pytest_configure(config):
    config.addinivalue_line("markers", "case_timeout(seconds): hard time bound of one e2e case")


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_call(item):
    marker = item.get_closest_marker("case_timeout")
    seconds = int(marker.args[0]) if marker else DEFAULT_CASE_TIMEOUT

    def overrun(signum, frame):
        pytest.fail("the case ran longer than %d s" % seconds, pytrace=False)

    previous = signal.signal(signal.SIGALRM, overrun)
    signal.alarm(seconds)
    try:
        yield
    finally:
        signal.alarm(0)
        signal.signal(signal.SIGALRM, previous)


@pytest.fixture(scope="session")
def desktop():
    """Xvfb and the prepared Wine prefix for the whole run; torn down with wineserver -k."""
    d = Desktop()
    try:
        d.start()
        yield d
    finally:
        d.stop()


@pytest.fixture
def roaming(desktop):
    """The prefix's roaming folder helper; the Corvane folder is removed before each case."""
    r = Roaming(desktop)
    r.clear()
    return r


@pytest.fixture
def shell_log(desktop):
    """Addresses handed to the shell during the case (cleared before it)."""
    log = ShellLog(desktop)
    log.clear()
    return log


@pytest.fixture
def update_server(desktop, tmp_path):
    """A running reference server on 443 with the valid certificate and an empty catalogue.
    Use .set_catalogue({...}), .requests(); stopped after the case."""
    server = UpdateServer(desktop, str(tmp_path / "server")).start()
    yield server
    server.stop()


@pytest.fixture
def start_server(desktop, tmp_path):
    """Factory for further servers: start_server(catalogue, cert="untrusted"|"expired"|
    "wronghost"|"server", port=None, plain=False). All are stopped after the case."""
    servers = []

    def start(catalogue=None, cert="server", port=None, plain=False):
        server = UpdateServer(desktop, str(tmp_path / ("server-%d" % len(servers))), catalogue,
                              cert=cert, port=port, plain=plain).start()
        servers.append(server)
        return server

    yield start
    for server in servers:
        server.stop()


@pytest.fixture
def probe(desktop):
    """The UI probe aimed at the checker's windows."""
    return Probe(desktop)


@pytest.fixture
def checker(desktop, probe):
    """The release checker: .run(arg..., timeout=20, watch=False) -> RunResult; .start(arg...)
    -> Running. Anything still running after the case is killed."""
    program = Program(desktop, env_path("CORVANE_CHECKER_EXE"), probe)
    yield program
    program.kill_all()


@pytest.fixture
def failing_checker(desktop, probe):
    """Factory: failing_checker("SetWindowPos,PostMessageW:1", stalls="ReadFile:1:150000",
    token="limited") -> a Program like `checker`, a test copy of the checker in which those
    imported calls, of any DLL, fail (every time, or their first N times), the Nth call of those
    stalled sleeps MS ms first, and with token="limited" the process reads as not elevated."""
    programs = []

    def make(calls="", stalls=None, token=None):
        env = {"CORVANE_FAIL_CALLS": calls, "CORVANE_STALL_CALLS": stalls or "", "CORVANE_TOKEN": token or ""}
        program = Program(desktop, env_path("CORVANE_FAILING_CHECKER"), probe, env)
        programs.append(program)
        return program

    yield make
    for program in programs:
        program.kill_all()


@pytest.fixture
def debug_stream(desktop):
    """Listens from before the check; calling it stops the listener and returns what it read."""
    stop = tempfile.mktemp(prefix="corvane-debug-", dir=desktop.work)
    listener = subprocess.Popen(["wine", env_path("CORVANE_DEBUG_LISTENER"), windows_path(stop)],
                                env=desktop.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL)
    assert listener.stdout.readline() == b"ready\n"

    def read():
        open(stop, "w").close()
        return listener.communicate(timeout=30)[0].decode("latin-1")

    yield read
    listener.kill()
    if os.path.exists(stop):
        os.remove(stop)


@pytest.fixture
def no_browser(desktop):
    """For the case the prefix has no command for http and https addresses: their shell keys are
    exported, deleted, and imported again after it (through "runas": they are the machine's)."""
    run_as = env_path("CORVANE_RUN_AS")
    keys = ["HKEY_LOCAL_MACHINE\\Software\\Classes\\%s\\shell" % scheme for scheme in ("http", "https")]
    saved = [os.path.join(desktop.work, "classes-%d.reg" % i) for i in range(len(keys))]
    removal = os.path.join(desktop.work, "no-browser.reg")
    with open(removal, "w") as f:
        f.write("REGEDIT4\n" + "".join("\n[-%s]\n" % key for key in keys))
    for key, path in zip(keys, saved):
        desktop.wine(run_as, "regedit.exe", "/E", windows_path(path), key, timeout=120)
    try:
        desktop.wine(run_as, "regedit.exe", "/S", windows_path(removal), timeout=120)
        yield
    finally:
        for path in saved:
            desktop.wine(run_as, "regedit.exe", "/S", windows_path(path), timeout=120)
