#!/usr/bin/python3
"""Static checks over the checker's sources (not tests, not fuzz targets).

    tools/lint.py compilers   every source compiles warning-free (-Wall -Wextra -Werror) with
                              MinGW-w64 g++ and with clang --target=x86_64-w64-mingw32 against
                              the same MinGW headers (syntax only: no object files)
    tools/lint.py clang-tidy  clang-tidy with the committed .clang-tidy
    tools/lint.py cppcheck    cppcheck with the committed .cppcheck-suppressions

Portable files are checked for both targets; *_win32.cpp for Windows only, *_posix.cpp for the
native build only. Exit status 1 on any finding, 0 when clean. CTest runs each as lint.<name>.
"""
import concurrent.futures
import glob
import os
import re
import shutil
import subprocess
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
SOURCE_FOLDERS = ("app", "query", "skiplist", "presentation")
MINGW_GXX = "x86_64-w64-mingw32-g++-posix"


def build_windows_target():
    """The _WIN32_WINNT the build defines, so that lint checks the same declarations."""
    with open(os.path.join(ROOT, "cmake", "CorvaneBuild.cmake")) as f:
        return re.search(r"_WIN32_WINNT=(0x[0-9A-Fa-f]+)", f.read()).group(1)


WINDOWS_DEFINES = ["-DUNICODE", "-D_UNICODE", "-DWIN32_LEAN_AND_MEAN", "-DNOMINMAX",
                   "-D_WIN32_WINNT=" + build_windows_target()]
WARNINGS = ["-Wall", "-Wextra", "-Werror"]
JOBS = 2  # the machine's two cores are shared


def sources():
    found = []
    for folder in SOURCE_FOLDERS:
        for path in sorted(glob.glob(os.path.join(ROOT, folder, "*.cpp"))):
            name = os.path.basename(path)
            if name.endswith(("_test.cpp", "_fuzz.cpp")) or name.startswith("list_test_folder"):
                continue
            found.append(os.path.relpath(path, ROOT))
    return found


def for_windows(path):
    return not path.endswith("_posix.cpp")


def for_native(path):
    return not path.endswith("_win32.cpp")


def mingw_cxx_includes():
    """MinGW g++'s C++ and Windows header folders (not its compiler-private ones, which clang
    has its own of)."""
    probe = subprocess.run([MINGW_GXX, "-E", "-x", "c++", "-", "-v"], input="", capture_output=True,
                           text=True, check=True)
    lines = probe.stderr.splitlines()
    start = lines.index("#include <...> search starts here:") + 1
    end = lines.index("End of search list.")
    folders = [os.path.normpath(line.strip()) for line in lines[start:end]]
    return [f for f in folders if "/include/c++" in f or f.endswith("x86_64-w64-mingw32/include")]


def clang_mingw_flags():
    flags = ["--target=x86_64-w64-mingw32", "-std=c++20", "-nostdinc++", "-nostdlibinc"]
    for folder in mingw_cxx_includes():
        flags += ["-isystem", folder]
    return flags + WINDOWS_DEFINES + ["-I", ROOT]


def any_output_fails(code, output):
    """A compiler or clang-tidy run fails on any output or a non-zero exit status."""
    if code != 0 or output:
        return output or "exit code %d" % code
    return ""


def cppcheck_failure(code, output):
    """What fails a cppcheck run: any line but an information line, or a non-zero exit status.
    Information lines say how cppcheck itself ran (newer releases note, for one, where they
    stopped following branches) and are no findings; but a run that stops early (a bad option,
    a file it cannot read, a crash) may print nothing else, and its status is all that says so."""
    findings = "\n".join(line for line in output.splitlines() if ": information: " not in line)
    if code != 0:
        return "\n".join(part for part in (findings or output, "exit code %d" % code) if part)
    return findings


def run_all(commands, failure=any_output_fails):
    """Runs (label, argv) pairs two at a time; returns the failures' labels and what failed them."""
    def one(item):
        label, argv = item
        result = subprocess.run(argv, cwd=ROOT, capture_output=True, text=True)
        output = (result.stdout + result.stderr).strip()
        return label, failure(result.returncode, output)

    with concurrent.futures.ThreadPoolExecutor(JOBS) as pool:
        return [(label, text) for label, text in pool.map(one, commands) if text]


def check_compilers():
    windows = [s for s in sources() if for_windows(s)]
    clang = clang_mingw_flags()
    gxx = [MINGW_GXX, "-std=c++20", "-fsyntax-only"] + WARNINGS + WINDOWS_DEFINES + ["-I", ROOT]
    commands = []
    for path in windows:
        commands.append(("g++ mingw " + path, gxx + [path]))
        commands.append(("clang mingw " + path, ["clang++", "-fsyntax-only"] + clang + WARNINGS + [path]))
    return len(commands), run_all(commands)


def check_clang_tidy():
    clang = clang_mingw_flags()
    commands = []
    for path in sources():
        flags = clang if path.endswith("_win32.cpp") else ["-std=c++20", "-I", ROOT]
        commands.append(("clang-tidy " + path,
                         ["clang-tidy", "-quiet", "--config-file=" + os.path.join(ROOT, ".clang-tidy"),
                          path, "--"] + flags))
    failures = run_all(commands)
    # clang-tidy reports "N warnings generated" on stderr even when all are filtered out.
    failures = [(label, out) for label, out in failures
                if "warning:" in out or "error:" in out]
    return len(commands), failures


def check_cppcheck():
    common = ["cppcheck", "--quiet", "--std=c++20", "--language=c++", "--inline-suppr",
              "--enable=warning,style,performance,portability", "--error-exitcode=1",
              "--suppressions-list=" + os.path.join(ROOT, ".cppcheck-suppressions"),
              "--template={file}:{line}: {severity}: {message} [{id}]", "-I", ROOT]
    native = [s for s in sources() if for_native(s)]
    windows = [s for s in sources() if for_windows(s)]
    commands = [
        ("cppcheck native", common + ["--platform=unix64"] + native),
        ("cppcheck windows", common + ["--platform=win64", "--library=windows", "-D_WIN32"]
         + WINDOWS_DEFINES + windows),
    ]
    return len(native) + len(windows), run_all(commands, cppcheck_failure)


CHECKS = {"compilers": check_compilers, "clang-tidy": check_clang_tidy, "cppcheck": check_cppcheck}
TOOLS = {"compilers": [MINGW_GXX, "clang++"], "clang-tidy": ["clang-tidy", MINGW_GXX],
         "cppcheck": ["cppcheck"]}


def main(argv):
    if len(argv) != 2 or argv[1] not in CHECKS:
        print("usage: lint.py {%s}" % "|".join(CHECKS), file=sys.stderr)
        return 2
    missing = [tool for tool in TOOLS[argv[1]] if shutil.which(tool) is None]
    if missing:
        print("missing tools (tools/setup.sh installs them): " + " ".join(missing), file=sys.stderr)
        return 1
    checked, failures = CHECKS[argv[1]]()
    for label, output in failures:
        print("== %s\n%s" % (label, output))
    print("%s: %d checks, %d with findings" % (argv[1], checked, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
