"""Shared fixtures: the tinhost program of the same build, run as a command."""
import os
import subprocess
import sys

import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD = os.path.normpath(os.path.join(HERE, "..", "..", "build"))
TINHOST = os.environ.get("TINHOST_BIN", os.path.join(BUILD, "bin", "tinhost"))
if "tinhost" not in sys.modules and not os.environ.get("PYTHONPATH"):
    sys.path.insert(0, os.path.join(BUILD, "python"))


def cli(*args, check=True, **kw):
    """Runs the tinhost program; returns the CompletedProcess (text)."""
    r = subprocess.run([TINHOST, *map(str, args)], capture_output=True, text=True, **kw)
    if check and r.returncode != 0:
        raise AssertionError(f"tinhost {' '.join(map(str, args))} -> {r.returncode}\n{r.stdout}{r.stderr}")
    return r


@pytest.fixture(scope="session")
def cli_demo(tmp_path_factory):
    """The command line's demo, run once: its folder and its output."""
    folder = tmp_path_factory.mktemp("cli-demo")
    r = cli("demo", folder)
    return folder, r.stdout
