#!/usr/bin/python3
"""Counts the hostile inputs and faults the test suite tries, by kind, from the suite itself:
the cases each test program and test file holds (GoogleTest --gtest_list_tests, pytest
--collect-only), the fuzz targets with their seed corpora and, when the last CTest run left
its log, the inputs each fuzzer tried in it.

    bench/hostile_inputs.py [--native-build DIR] [--windows-build DIR] [--output FILE]

Prints a Markdown table and writes it to bench/hostile_inputs.md. Run it after tools/test.sh
(the trees must be built). The Windows test programs are listed under Wine.
"""
import argparse
import glob
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
WINE_RUN = os.path.join(ROOT, "tests", "wine", "wine-run.sh")

# Each kind: the unit test programs (native or Windows) and test files that try it, and its
# fuzz target. Only programs and files whose cases are about bad input or faults are named.
KINDS = [
    ("Missing, malformed or oversized launch arguments",
     [("native", "app/launch_arguments_test")], ["tests/e2e/test_launch_arguments.py"], "launch_arguments_fuzz"),
    ("Server and network faults: refused, silent, slow, cut and stalled replies, HTTP errors, "
     "redirects, bad certificates, time limit",
     [("native", "query/reply_progress_test"), ("native", "query/request_handles_test"),
      ("native", "query/notification_rules_test"),
      ("windows", "query/update_query_win32_test.exe")], ["tests/e2e/test_query.py"], "notification_rules_fuzz"),
    ("Malformed, hostile or oversized reply documents",
     [("native", "query/reply_nodes_test"), ("windows", "query/parse_update_response_test.exe")], [],
     "reply_nodes_fuzz"),
    ("Damaged, oversized or unreadable skip lists; missing, moved or blocked folders",
     [("native", "skiplist/skip_list_test"), ("windows", "skiplist/skip_list_win32_test.exe")], [],
     "skip_list_fuzz"),
    ("Hostile reply values reaching the dialog and the shell (versions, addresses, names)",
     [("native", "presentation/version_order_test"), ("native", "presentation/web_address_test"),
      ("native", "presentation/update_decision_test")], [], "presentation_fuzz"),
    ("Process faults: saves killed at random, saves at once with a reader, read-only folder",
     [], ["tests/reliability/test_list_saves.py", "tests/reliability/test_read_only_folder.py"], None),
]


def gtest_cases(kind, path, trees):
    exe = os.path.join(trees[kind], path)
    if not os.path.exists(exe):
        return None
    command = [exe, "--gtest_list_tests"] if kind == "native" else ["bash", WINE_RUN, exe, "--gtest_list_tests"]
    env = dict(os.environ)
    env.setdefault("CORVANE_WINEPREFIX", os.path.join(trees["windows"], "wineprefix-count"))
    out = subprocess.run(command, capture_output=True, text=True, timeout=300, env=env,
                         stdin=subprocess.DEVNULL).stdout
    return sum(1 for line in out.splitlines() if line.startswith("  ") and line.strip())


def pytest_cases(path):
    env = dict(os.environ, PYTHONPATH=os.path.join(ROOT, "tests", "e2e"), PYTHONDONTWRITEBYTECODE="1")
    out = subprocess.run(["/usr/bin/python3", "-m", "pytest", "--collect-only", "-q", "-p", "no:cacheprovider",
                          "-p", "harness", os.path.join(ROOT, path)], capture_output=True, text=True,
                         timeout=120, env=env, cwd=ROOT).stdout
    return sum(1 for line in out.splitlines() if "::" in line)


def kill_count():
    text = open(os.path.join(ROOT, "tests", "reliability", "test_list_saves.py")).read()
    return int(re.search(r"^KILLS = (\d+)", text, re.M).group(1))


def fuzz_seeds(target):
    for found in glob.glob(os.path.join(ROOT, "*", "CMakeLists.txt")) + glob.glob(os.path.join(ROOT, "*", "*.cmake")):
        match = re.search(r"corvane_fuzz_target\(%s\s+(\S+)" % re.escape(target), open(found).read())
        if match:
            corpus = match.group(1).replace("${CMAKE_CURRENT_SOURCE_DIR}", os.path.dirname(found))
            corpus = corpus.replace("${CMAKE_CURRENT_LIST_DIR}", os.path.dirname(found))
            return len([f for f in glob.glob(os.path.join(corpus, "*")) if os.path.isfile(f)])
    return 0


def fuzz_runs(native):
    """{target: inputs tried} from the last CTest run's log, if it ran the fuzzers."""
    log = os.path.join(native, "Testing", "Temporary", "LastTest.log")
    runs = {}
    if not os.path.exists(log):
        return runs
    current = None
    for line in open(log, errors="replace"):
        match = re.match(r"\d+/\d+ Testing: fuzz\.(\S+)", line)
        if match:
            current = match.group(1)
        match = re.match(r"Done (\d+) runs in", line)
        if match and current:
            runs[current] = int(match.group(1))
    return runs


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--native-build", default=os.path.join(ROOT, "build", "native"))
    parser.add_argument("--windows-build", default=os.path.join(ROOT, "build", "windows"))
    parser.add_argument("--output", default=os.path.join(HERE, "hostile_inputs.md"))
    args = parser.parse_args()
    trees = {"native": os.path.abspath(args.native_build), "windows": os.path.abspath(args.windows_build)}
    runs = fuzz_runs(trees["native"])

    rows = ["| Kind of hostile input or fault | Test cases | Fuzz target: seeds, inputs in the last run |",
            "|---|---|---|"]
    total_cases = 0
    total_runs = 0
    missing = []
    for title, programs, files, target in KINDS:
        cases = 0
        for kind, path in programs:
            count = gtest_cases(kind, path, trees)
            if count is None:
                missing.append(path)
                continue
            cases += count
        for path in files:
            cases += pytest_cases(path)
        if "killed" in title:
            title += " (%d kills in one run)" % kill_count()
        fuzz = "-"
        if target:
            tried = runs.get(target)
            total_runs += tried or 0
            fuzz = "%s: %d seeds, %s" % (target, fuzz_seeds(target), "{:,}".format(tried) if tried else "not run yet")
        total_cases += cases
        rows.append("| %s | %d | %s |" % (title, cases, fuzz))
    rows.append("| **All** | **%d** | **%s fuzz inputs** |" % (total_cases, "{:,}".format(total_runs)))
    text = "# Hostile inputs and faults the suite tries\n\nMade by `bench/hostile_inputs.py`. " + \
        "A row counts every case of the test programs and files that try that kind of input, " + \
        "the well-formed cases they set against the bad ones included; fuzz inputs are those of " + \
        "the last CTest run (15 s per target).\n\n" + "\n".join(rows) + "\n"
    if missing:
        text += "\nNot built, so not counted: %s\n" % ", ".join(missing)
    print(text)
    with open(args.output, "w") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
