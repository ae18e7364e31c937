"""The demo done from Python: the same drawing, byte for byte, and the same
reports as the command line's demo."""
import csv

import numpy as np

import tinhost


def breakline_arrays(path):
    """The rows of a line_id,x,y,z file as one array per line, in file order."""
    lines = {}
    with open(path, newline="") as f:
        for row in csv.DictReader(f):
            lines.setdefault(row["line_id"], []).append([float(row["x"]), float(row["y"]), float(row["z"])])
    return [np.array(rows) for rows in lines.values()]


def report_lines(demo_out):
    return [line.strip() for line in demo_out.splitlines() if line.startswith("    Planimetric")
            or line.startswith("    Volumes")]


def python_demo(src, folder):
    reports = []
    with tinhost.Drawing.new(folder / "survey.tin", unit="ft", force=True) as d:
        d.import_points("Ground", np.loadtxt(src / "ground_points.csv", delimiter=",", skiprows=1))
        d.import_breaklines("Ground", breakline_arrays(src / "ground_breaklines.csv"))
        d.run("create", layer="Ground", set={"contourInterval": 1, "indexContourEvery": 5, "smooth": 1,
                                             "labelCntrs": 1, "useBrklns": 1, "wantHull": 1,
                                             "notResident": 0, "datumElev": 806})
        reports += d.run("area", choose="Ground") + d.run("cutfill", choose="Ground")
        d.import_points("Design", np.loadtxt(src / "design_pad.csv", delimiter=",", skiprows=1))
        d.run("create", layer="Design", set={"contourInterval": 1.0, "notResident": False})
        d.run("diff", layer="Earthwork", set={"innerBase": "Ground", "outerBase": "Design",
                                              "contourInterval": 0.5, "labelCntrs": True, "notResident": 0})
        earthwork = [name for name in d.tins if name.startswith("Earthwork")]
        assert len(earthwork) == 1, d.tins.keys()
        reports += d.run("cutfill", choose=earthwork[0])
        ground = d.tins["Ground"]
        numbers = (ground.area(), ground.cutfill(), d.tins[earthwork[0]].cutfill())
        d.export(folder / "survey.png", layers=["Ground", ground.params["layer2DName"]])
    return reports, numbers


def test_python_demo_matches_command_line_demo(cli_demo, tmp_path):
    src, out = cli_demo
    reports, (area, ground_volumes, earthwork_volumes) = python_demo(src, tmp_path)
    expected = report_lines(out)
    assert len(expected) == 3 and reports == expected
    # The numbers are the reports' own, not recomputed.
    assert f"{area:.2f}" in expected[0]
    assert expected[1].endswith(f"{ground_volumes[0]:.2f}, {ground_volumes[1]:.2f}")
    assert expected[2].endswith(f"{earthwork_volumes[0]:.2f}, {earthwork_volumes[1]:.2f}")
    assert (tmp_path / "survey.tin").read_bytes() == (src / "survey.tin").read_bytes()
    assert (tmp_path / "survey.png").read_bytes() == (src / "survey.png").read_bytes()
