# The harness is a pytest plug-in so that e2e test files outside this folder can use it too
# (CTest loads it with -p harness); tests here get it through this file.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
pytest_plugins = ["harness"]
