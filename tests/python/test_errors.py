"""Alerts and usage errors raise, as the command line reports them, and a
drawing is left as it was on disk when a `with` body raises."""
import shutil

import numpy as np
import pytest

import tinhost
from conftest import cli

SQUARE = np.array([[0, 0, 1], [10, 0, 2], [0, 10, 3], [10, 10, 4], [5, 5, 9]], dtype=float)


@pytest.fixture
def drawing(tmp_path):
    """A drawing with a TIN "Ground" and two points on layer "Two"."""
    path = tmp_path / "e.tin"
    with tinhost.Drawing.new(path, unit="ft") as d:
        d.import_points("Ground", SQUARE)
        d.import_points("Two", SQUARE[:2] + 50)
        d.run("create", layer="Ground", set={"notResident": 0})
    return path


def test_alert_raises_with_the_command_lines_text(drawing, tmp_path):
    copy = tmp_path / "copy.tin"
    shutil.copy(drawing, copy)
    before = drawing.read_bytes()
    with tinhost.Drawing.open(drawing) as d:
        with pytest.raises(tinhost.Alert) as e:
            d.run("create", layer="Two")
    line = cli("run", copy, "create", "--layer", "Two", check=False)
    assert line.returncode == 1
    assert line.stderr.strip() == f"error: {e.value.text} {e.value.detail}".strip()
    assert e.value.text and e.value.alerts == [(e.value.text, e.value.detail)]
    assert drawing.read_bytes() == before


@pytest.mark.parametrize("kwargs, words", [
    ({"command": "area", "choose": "Ground", "set": {"datumElev": 805}}, "datumElev=805"),
    ({"command": "cutfill", "choose": "Ground", "confirm": [True, True, True]}, "--confirm yes"),
    ({"command": "area", "choose": "Nope"}, 'no TIN "Nope"'),
    ({"command": "create", "layer": "Ground", "set": {"nosuch": 1}}, "unknown parameter"),
    ({"command": "create", "layer": "Ground", "set": {"smooth": "maybe"}}, "smooth=maybe"),
    ({"command": "fly"}, "unknown command"),
])
def test_usage_errors_raise_value_error_and_change_nothing(drawing, kwargs, words):
    before = drawing.read_bytes()
    with tinhost.Drawing.open(drawing) as d:
        params = d.tins["Ground"].params
        command = kwargs.pop("command")
        with pytest.raises(ValueError, match=words):
            d.run(command, **kwargs)
        assert d.tins["Ground"].params == params
    assert drawing.read_bytes() == before


def test_bad_data_and_files_raise(drawing, tmp_path):
    before = drawing.read_bytes()
    with tinhost.Drawing.open(drawing) as d:
        with pytest.raises(ValueError, match=r"\(N, 3\).*\(4, 2\)"):
            d.import_points("P", np.zeros((4, 2)))
        with pytest.raises(ValueError, match="row 1"):
            d.import_points("P", np.array([[0, 0, 0], [1, np.nan, 0]]))
        with pytest.raises(ValueError, match="only one vertex"):
            d.import_breaklines("P", [np.array([[0.0, 0.0, 0.0]])])
        with pytest.raises(tinhost.FileError) as e:
            d.import_file(tmp_path / "missing.csv")
        assert isinstance(e.value, OSError)
        with pytest.raises(ValueError, match="--format"):
            d.import_file(tmp_path / "missing.csv", format="shp")
    assert drawing.read_bytes() == before
    with pytest.raises(tinhost.FileError, match="already exists"):
        tinhost.Drawing.new(drawing)
    with pytest.raises(tinhost.FileError):
        tinhost.Drawing.open(tmp_path / "none.tin")


def test_with_block_that_raises_leaves_the_file_untouched(drawing):
    before = drawing.read_bytes()
    with pytest.raises(RuntimeError, match="stop"):
        with tinhost.Drawing.open(drawing) as d:
            d.import_points("More", SQUARE + 20)
            d.run("delete", choose="Ground", confirm=["yes"])
            assert "Ground" not in d.tins
            raise RuntimeError("stop")
    assert d.closed and drawing.read_bytes() == before
    with tinhost.Drawing.open(drawing, wait=0) as again:  # the lock was let go
        assert list(again.tins) == ["Ground"]
