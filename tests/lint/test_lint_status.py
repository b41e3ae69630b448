"""tools/lint.py's rule for what fails a cppcheck run."""
import os
import sys

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools"))
import lint  # noqa: E402

INFO = "nofile:0:0: information: Limiting analysis of branches. [normalCheckLevelMaxBranches]"
FINDING = "app/a.cpp:3: style: The scope of the variable 'n' can be reduced. [variableScope]"


@pytest.mark.parametrize("code, output, expected", [
    (0, "", ""),
    (0, INFO, ""),
    (1, FINDING, FINDING + "\nexit code 1"),
    (1, INFO + "\n" + FINDING, FINDING + "\nexit code 1"),
    (0, FINDING, FINDING),
    (1, INFO, INFO + "\nexit code 1"),
    (1, "", "exit code 1"),
    (-11, "", "exit code -11"),
])
def test_a_cppcheck_run_fails_on_a_finding_or_its_exit_status(code, output, expected):
    assert lint.cppcheck_failure(code, output) == expected
