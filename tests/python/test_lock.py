"""A drawing used from Python and from the command line at once never loses
a change: each holds it while it works, and the other waits."""
import subprocess
import time

import numpy as np
import pytest

import tinhost
from conftest import TINHOST, cli


def point_counts(path):
    import json
    info = json.loads(cli("info", path, "--json").stdout)
    return {layer["name"]: layer["counts"]["locus3d"] for layer in info["layers"]}


def wait_for(proc, words, limit=30.0):
    """Reads proc's stderr until a line holds `words`."""
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        line = proc.stderr.readline()
        if words in line:
            return line
        if not line and proc.poll() is not None:
            break
    raise AssertionError(f"tinhost never said {words!r}")


def test_command_line_waits_for_python_and_keeps_both_changes(tmp_path):
    path, csv = tmp_path / "shared.tin", tmp_path / "cli.csv"
    csv.write_text("x,y,z\n100,100,1\n110,100,2\n100,110,3\n")
    with tinhost.Drawing.new(path) as d:
        d.import_points("Python", np.array([[0.0, 0, 0], [1, 0, 0]]))
        cmd = subprocess.Popen([TINHOST, "import", str(path), str(csv), "--layer", "Cli", "--wait", "60"],
                               stderr=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        wait_for(cmd, "is in use")
        d.import_points("Python", np.array([[2.0, 0, 0]]))
    assert cmd.wait(60) == 0, cmd.stderr.read()
    assert point_counts(path) == {"Layer 1": 0, "Python": 3, "Cli": 3}


def test_python_waits_for_the_command_line_and_sees_its_change(tmp_path):
    path, csv = tmp_path / "shared.tin", tmp_path / "cli.csv"
    csv.write_text("x,y,z\n100,100,1\n110,100,2\n")
    cli("new", path)
    shell = subprocess.Popen([TINHOST, "shell", str(path)], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, text=True)
    shell.stdin.write(f"import {csv} --layer Cli\n")
    shell.stdin.flush()
    assert "imported 2 point(s)" in shell.stdout.readline() + shell.stdout.readline()
    with pytest.raises(tinhost.FileError, match="still in use"):
        tinhost.Drawing.open(path, wait=0.2)
    with tinhost.Drawing.open(path, readonly=True) as reader:  # as `info`: no wait, the last save
        assert reader.info()["layers"][1]["counts"]["locus3d"] == 2
        reader.import_points("Scratch", np.array([[5.0, 5, 5]]))
        with pytest.raises(ValueError, match="read-only"):
            reader.save()
    shell.stdin.close()  # the shell saves and lets go
    assert shell.wait(60) == 0
    with tinhost.Drawing.open(path, wait=10) as d:
        d.import_points("Python", np.array([[0.0, 0, 0]]))
    assert point_counts(path) == {"Layer 1": 0, "Cli": 2, "Python": 1}
