#!/usr/bin/python3
"""Benchmarks of the checker: size, start-to-exit time and waiting CPU under Wine, skip list.

    bench/run_bench.py [--runs N] [--baseline EXE] [--windows-build DIR] [--bench-build DIR] [--no-build]

Builds what it needs (the checker, bench/trivial.c and trust_ca in the Windows tree; the
optimised skip-list bench in the "bench" preset's tree), re-runs itself inside
tests/e2e/run-in-namespace.sh (update.corvane.com is 127.0.0.1 there), measures everything
side by side, prints a table and writes it to bench/results.md. Medians of --runs runs.
--baseline EXE: a previous build's exe is timed too, each run beside this build's in turns,
and the two compared (a ratio above 1.05 is a regression), its size as well.
This is no test: it reports figures against targets and always exits 0 unless it cannot run.
"""
import argparse
import json
import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

KIB = 1024
# What a change can move: everything but the six icon images, which the program must carry
# uncompressed (361 KiB on their own).
SIZE_WITHOUT_ICONS_TARGET = 56 * KIB
# This build's start-to-exit time against a previous build's, timed in the same run.
REGRESSION_RATIO = 1.05
CPU_TARGET_MS = 50
SKIP_LIST_TARGET_MS = 100
HOLD_SECONDS = 5
SKIP_LIST_ENTRIES = 100000
# The DLLs every Windows installation has; anything else would have to be shipped.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll",
               "shell32.dll", "shlwapi.dll", "urlmon.dll", "wininet.dll", "xmllite.dll", "advapi32.dll",
               "comctl32.dll", "crypt32.dll", "ws2_32.dll", "uxtheme.dll", "version.dll"}
ARGUMENT = "Tone Lab|x64|VST3|1.0.0|Tone Lab|Studio"
UP_TO_DATE = {"*": {"result": 0, "version": "1.0.0"}}
HELD = {"*": {"result": 0, "version": "1.0.0", "fault": "slow", "pieces": 2, "pieceDelay": HOLD_SECONDS}}


def run(command, **kw):
    subprocess.run(command, cwd=ROOT, check=True, **kw)


def build(args):
    run(["cmake", "--preset", "windows", "-B", args.windows_build], stdout=subprocess.DEVNULL)
    run(["cmake", "--build", args.windows_build, "-j2", "--target", "CorvaneUpdateChecker", "trivial", "trust_ca",
         "https_post"],
        stdout=subprocess.DEVNULL)
    run(["cmake", "--preset", "bench", "-B", args.bench_build], stdout=subprocess.DEVNULL)
    run(["cmake", "--build", args.bench_build, "-j2", "--target", "skip_list_bench"], stdout=subprocess.DEVNULL)


# --- size ------------------------------------------------------------------------------------

def size_figures(exe):
    import pefile
    pe = pefile.PE(exe, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"],
                                           pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    total = os.path.getsize(exe)
    sections = {s.Name.rstrip(b"\0").decode(): s.SizeOfRawData for s in pe.sections}
    resources = sections.get(".rsrc", 0)
    code = sections.get(".text", 0)
    icons = 0
    for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if entry.id == pefile.RESOURCE_TYPE["RT_ICON"]:
            for name in entry.directory.entries:
                for lang in name.directory.entries:
                    icons += lang.data.struct.Size
    dlls = sorted(e.dll.decode() for e in pe.DIRECTORY_ENTRY_IMPORT)
    return {"total": total, "resources": resources, "icons": icons, "text": code,
            "rest": total - resources, "without_icons": total - icons, "dlls": dlls,
            "foreign": [d for d in dlls if d.lower() not in SYSTEM_DLLS]}


# --- Wine ------------------------------------------------------------------------------------

def process_cpu_ms(pid):
    """User + system time so far of a process, all its threads, from /proc (None once gone)."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except OSError:
        return None
    return (int(fields[11]) + int(fields[12])) * 1000.0 / os.sysconf("SC_CLK_TCK")


def timed_wine(desktop, exe, args, while_held=None):
    """Starts exe under Wine as the harness does; (wall seconds, CPU ms, exit code, CPU ms of
    the held window). The CPU time is the process's own user + system time (wait4), without
    wineserver's. while_held: (server, seconds) to also measure the CPU the process uses from
    the moment the server has its request until shortly before the held reply goes on."""
    started = time.monotonic()
    process = subprocess.Popen(["wine", exe] + list(args), env=desktop.env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    held_cpu = None
    if while_held is not None:
        server, seconds = while_held
        before = len(server.requests())
        deadline = time.monotonic() + 30
        while len(server.requests()) == before and time.monotonic() < deadline:
            time.sleep(0.01)
        first = process_cpu_ms(process.pid)
        time.sleep(seconds - 0.5)
        last = process_cpu_ms(process.pid)
        if first is not None and last is not None:
            held_cpu = last - first
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.monotonic() - started
    process.returncode = os.waitstatus_to_exitcode(status)
    return wall, (usage.ru_utime + usage.ru_stime) * 1000.0, process.returncode, held_cpu


def timed_curl(server_url, ca):
    started = time.monotonic()
    subprocess.run(["curl", "-s", "-o", "/dev/null", "--cacert", ca, "-X", "POST", server_url],
                   check=True, stdin=subprocess.DEVNULL, timeout=30)
    return time.monotonic() - started


def wine_figures(args):
    from harness import Desktop, UpdateServer
    os.environ.setdefault("CORVANE_TRUST_CA", os.path.join(args.windows_build, "tests", "trust_ca.exe"))
    work = os.path.join(args.windows_build, "bench")
    desktop = Desktop(work=work, prefix=os.path.join(work, "wineprefix"))
    checker = os.path.join(args.windows_build, "CorvaneUpdateChecker.exe")
    trivial = os.path.join(args.windows_build, "bench", "trivial.exe")
    # The least any WinINet program does for the same check: one synchronous POST, no window.
    wininet_post = os.path.join(args.windows_build, "tests", "https_post.exe")
    desktop.start()
    try:
        server = UpdateServer(desktop, os.path.join(work, "server"), UP_TO_DATE).start()
        try:
            url = server.url()
            ca = os.path.join(desktop.certs, "ca.pem")
            # One warm-up of each, so that no side pays for first loads of the DLLs.
            timed_wine(desktop, checker, [ARGUMENT])
            if args.baseline:
                timed_wine(desktop, args.baseline, [ARGUMENT])
            timed_wine(desktop, trivial, [])
            timed_curl(url, ca)
            timed_wine(desktop, wininet_post, [url])
            checks, floors, posts, cpu_quick, cpu_held, cpu_window, held_walls = [], [], [], [], [], [], []
            baselines, baseline_cpu = [], []
            failures = 0
            for run_number in range(args.runs):
                server.set_catalogue(UP_TO_DATE)
                # With a baseline, the two builds take turns going first, so that neither gains
                # from what the other left warm.
                baseline_first = args.baseline and run_number % 2 == 1
                if baseline_first:
                    failures += timed_baseline(desktop, args.baseline, baselines, baseline_cpu)
                wall, cpu, code, _ = timed_wine(desktop, checker, [ARGUMENT])
                checks.append(wall)
                cpu_quick.append(cpu)
                failures += code != 0
                if args.baseline and not baseline_first:
                    failures += timed_baseline(desktop, args.baseline, baselines, baseline_cpu)
                wall, _, code, _ = timed_wine(desktop, trivial, [])
                floors.append(wall + timed_curl(url, ca))
                failures += code != 0
                wall, _, code, _ = timed_wine(desktop, wininet_post, [url])
                posts.append(wall)
                failures += code != 0
                server.set_catalogue(HELD)
                wall, cpu, code, window = timed_wine(desktop, checker, [ARGUMENT], (server, HOLD_SECONDS))
                held_walls.append(wall)
                cpu_held.append(cpu)
                failures += code != 0 or wall < HOLD_SECONDS or window is None
                if window is not None:
                    cpu_window.append(window)
            requests = len(server.requests())
        finally:
            server.stop()
    finally:
        desktop.stop()
    check = statistics.median(checks)
    floor = statistics.median(floors)
    quick = statistics.median(cpu_quick)
    held = statistics.median(cpu_held)
    post = statistics.median(posts)
    # Each run's two times as a ratio: load that comes and goes falls on both of a pair alike.
    pairs = sorted(c / b for c, b in zip(checks, baselines))
    cpu_pairs = sorted(c / b for c, b in zip(cpu_quick, baseline_cpu) if b > 0)
    return {"check_s": check, "floor_s": floor, "ratio": check / floor, "post_s": post, "post_ratio": check / post,
            "baseline_s": statistics.median(baselines) if baselines else None,
            "baseline_ratio": statistics.median(pairs) if pairs else None,
            "baseline_spread": (pairs[0], pairs[-1]) if pairs else None,
            "baseline_cpu_ratio": statistics.median(cpu_pairs) if cpu_pairs else None,
            "cpu_quick_ms": quick, "cpu_held_ms": held, "cpu_wait_ms": held - quick,
            "cpu_window_ms": statistics.median(cpu_window) if cpu_window else float("nan"), "held_wall_s": statistics.median(held_walls),
            "failures": failures, "requests": requests}


def timed_baseline(desktop, exe, walls, cpus):
    """Times the baseline exe once as the same silent check; 1 if it failed, else 0."""
    wall, cpu, code, _ = timed_wine(desktop, exe, [ARGUMENT])
    walls.append(wall)
    cpus.append(cpu)
    return int(code != 0)


def skip_list_figures(args):
    exe = os.path.join(args.bench_build, "bench", "skip_list_bench")
    out = subprocess.run([exe, str(SKIP_LIST_ENTRIES), str(max(args.runs, 5))], capture_output=True, text=True,
                         check=True, timeout=600)
    return json.loads(out.stdout.strip().splitlines()[-1])


# --- report ----------------------------------------------------------------------------------

def verdict(ok):
    return "met" if ok else "NOT met"


def table(size, wine, skip, runs, load, baseline_size=None):
    kib = lambda n: "%.1f KiB" % (n / KIB)  # noqa: E731
    ms = lambda us: "%.1f ms" % (us / 1000.0)  # noqa: E731
    rows = [
        ("Exe size, total", "%s (%d bytes)" % (kib(size["total"]), size["total"]), "", ""),
        ("  without the icon images", "%s (%d bytes)" % (kib(size["without_icons"]), size["without_icons"]),
         "<= 56 KiB", verdict(size["without_icons"] <= SIZE_WITHOUT_ICONS_TARGET)),
        ("  code, data, headers (all but .rsrc)", kib(size["rest"]), "", "(.text %s)" % kib(size["text"])),
        ("  resources (.rsrc)", kib(size["resources"]), "", "(icon images %s)" % kib(size["icons"])),
        ("  imported DLLs", ", ".join(size["dlls"]), "system DLLs only",
         verdict(not size["foreign"]) + ("" if not size["foreign"] else ": " + ", ".join(size["foreign"]))),
    ]
    if baseline_size:
        rows.append(("  baseline exe without the icon images", "%s (%d bytes)" % (
            kib(baseline_size["without_icons"]), baseline_size["without_icons"]), "",
            "(this build %+d bytes)" % (size["without_icons"] - baseline_size["without_icons"])))
    rows.append(("Silent automatic check, start to exit", "%.3f s" % wine["check_s"], "", ""))
    if wine["baseline_s"] is not None:
        rows += [
            ("  baseline exe, same check, in turns with this build", "%.3f s" % wine["baseline_s"], "", ""),
            ("  ratio this build / baseline (median of each run's pair; lowest and highest)",
             "%.3f (%.2f to %.2f)" % ((wine["baseline_ratio"],) + wine["baseline_spread"]),
             "<= %.2f" % REGRESSION_RATIO,
             "met" if wine["baseline_ratio"] <= REGRESSION_RATIO else "NOT met: a regression"),
            ("  CPU (user+sys of the process) this build / baseline, median of the pairs",
             "%.3f" % wine["baseline_cpu_ratio"], "", "(other load changes it less than the time)"),
        ]
    rows += [
        ("Floor: trivial exe under Wine + one curl POST", "%.3f s" % wine["floor_s"], "", ""),
        ("  ratio check / floor", "%.2f" % wine["ratio"], "", ""),
        ("Reference: one synchronous WinINet HTTPS POST under Wine (https_post.exe)", "%.3f s" % wine["post_s"],
         "", ""),
        ("  ratio check / WinINet POST", "%.2f" % wine["post_ratio"], "", ""),
        ("Checker CPU, reply held %d s (user+sys)" % HOLD_SECONDS, "%.0f ms" % wine["cpu_held_ms"], "",
         "(wall %.1f s)" % wine["held_wall_s"]),
        ("Checker CPU, same check answered at once", "%.0f ms" % wine["cpu_quick_ms"], "", ""),
        ("  CPU while the reply is held (/proc in %d ms ticks, request in to %.1f s later)" % (
            1000 // os.sysconf("SC_CLK_TCK"), HOLD_SECONDS - 0.5),
         "%.0f ms" % wine["cpu_window_ms"], "<= 50 ms", verdict(wine["cpu_window_ms"] <= CPU_TARGET_MS)),
        ("  difference of the two whole runs (noisy)", "%.0f ms" % wine["cpu_wait_ms"], "", ""),
        ("Skip list, %d entries: load" % skip["entries"], ms(skip["load_us"]), "", ""),
        ("  find (absent key: every entry)", ms(skip["find_us"]), "", ""),
        ("  add", ms(skip["add_us"]), "", ""),
        ("  save", ms(skip["save_us"]), "", ""),
        ("  together", ms(skip["total_us"]), "<= 100 ms", verdict(skip["total_us"] / 1000.0 <= SKIP_LIST_TARGET_MS)),
    ]
    lines = ["| Measure | Median | Target | Result |", "|---|---|---|---|"]
    lines += ["| %s | %s | %s | %s |" % row for row in rows]
    notes = [
        "",
        "Medians of %d runs (skip list: %d), measured side by side in one run on %s, %d cores; "
        "Wine: %s. Runs that failed (exit code not 0, or a held reply that did not hold): %d; "
        "requests the server answered: %d. Load average (1 min) at the start and at the end: %.1f and %.1f: "
        "other work on the machine lengthens every time measured here." % (
            runs, skip["runs"], platform.machine(), os.cpu_count(), wine_version(), wine["failures"] + skip["failures"],
            wine["requests"], load[0], os.getloadavg()[0]),
    ]
    return "\n".join(lines + notes) + "\n"


def wine_version():
    try:
        return subprocess.run(["wine", "--version"], capture_output=True, text=True, timeout=30).stdout.strip()
    except (OSError, subprocess.TimeoutExpired):
        return "unknown"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--windows-build", default=os.path.join(ROOT, "build", "windows"))
    parser.add_argument("--bench-build", default=os.path.join(ROOT, "build", "bench"))
    parser.add_argument("--no-build", action="store_true", help="use the trees as they are")
    parser.add_argument("--output", default=os.path.join(HERE, "results.md"))
    parser.add_argument("--baseline", metavar="EXE", help="a previous build's CorvaneUpdateChecker.exe to compare with")
    args = parser.parse_args()
    if args.baseline:
        args.baseline = os.path.abspath(args.baseline)
        if not os.path.isfile(args.baseline):
            parser.error("no file %s" % args.baseline)
    args.windows_build = os.path.abspath(args.windows_build)
    args.bench_build = os.path.abspath(args.bench_build)
    if os.environ.get("CORVANE_IN_NAMESPACE") != "1":
        if not args.no_build:
            build(args)
        namespace = os.path.join(ROOT, "tests", "e2e", "run-in-namespace.sh")
        # Paths made absolute: the namespace script may start in another folder.
        forwarded = ["--runs", str(args.runs), "--windows-build", args.windows_build, "--bench-build", args.bench_build,
                     "--output", os.path.abspath(args.output)] + (["--baseline", args.baseline] if args.baseline else [])
        os.execv(namespace, [namespace, "/usr/bin/python3", os.path.abspath(__file__), "--no-build"] + forwarded)

    os.environ.setdefault("CORVANE_BUILD_DIR", args.windows_build)
    os.environ.pop("CORVANE_WINEPREFIX", None)
    size = size_figures(os.path.join(args.windows_build, "CorvaneUpdateChecker.exe"))
    baseline_size = size_figures(args.baseline) if args.baseline else None
    load = os.getloadavg()
    skip = skip_list_figures(args)
    wine = wine_figures(args)
    made = "Made by `bench/run_bench.py%s` on %s." % (" --baseline" if args.baseline else "", time.strftime("%Y-%m-%d"))
    text = "# Benchmark results\n\n%s\n\n" % made + table(size, wine, skip, args.runs, load, baseline_size)
    print(text)
    with open(args.output, "w") as f:
        f.write(text)
    print("written to %s" % os.path.relpath(args.output, ROOT))
    return 0


if __name__ == "__main__":
    sys.exit(main())
