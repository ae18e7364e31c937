"""The stored TINs as arrays agree with what `tinhost info --json --objects`
shows of the same drawing."""
import json
import shutil
from collections import Counter

import numpy as np
import pytest

import tinhost
from conftest import cli


@pytest.fixture(scope="module")
def demo_drawing(cli_demo, tmp_path_factory):
    """A copy of the command line demo's drawing and its info."""
    path = tmp_path_factory.mktemp("tins") / "survey.tin"
    shutil.copy(cli_demo[0] / "survey.tin", path)
    info = json.loads(cli("info", path, "--json", "--objects").stdout)
    return path, info


def user_xyz(info, vertices):
    """Vertices of an info object (world units) in user units with the origin added."""
    w = info["units"]["world_per_unit"]
    x0, y0 = info["units"]["origin"]
    return [(x0 + x / w, y0 + y / w, z / w) for x, y, z in vertices]


def key(points):
    return tuple(sorted(tuple(round(c, 6) for c in p) for p in points))


@pytest.mark.parametrize("name", ["Ground", "Design", "Earthwork"])
def test_triangles_are_the_drawn_3d_triangles(demo_drawing, name):
    path, info = demo_drawing
    with tinhost.Drawing.open(path) as d:
        t = d.tins[name]
        v, tri = t.vertices, t.triangles
        params = t.params
        assert v.dtype == np.float64 and v.shape[1] == 3 and tri.dtype == np.int32 and tri.shape[1] == 3
        ours = Counter(key(v[row]) for row in tri)
    drawn = Counter(key(user_xyz(info, o["vertices"])) for o in info["objects"]
                    if o["layer"] == params["layer3DName"] and o["type"] == "poly3d" and len(o["vertices"]) == 3)
    assert len(ours) > 0 and ours == drawn
    entry = next(e for e in info["tins"] if e["name"] == name)
    assert (params["layer2DName"], params["layer3DName"]) == (entry["layer2D"], entry["layer3D"])
    assert params["difference"] == ("inner" in entry)


@pytest.mark.parametrize("name", ["Ground", "Design", "Earthwork"])
def test_hull_is_the_boundary_of_the_triangles(demo_drawing, name):
    with tinhost.Drawing.open(demo_drawing[0]) as d:
        t = d.tins[name]
        hull, tri = t.hull, t.triangles
    edges = Counter(frozenset((int(a), int(b))) for row in tri for a, b in zip(row, np.roll(row, -1)))
    boundary = {e for e, n in edges.items() if n == 1}
    ring = {frozenset((int(a), int(b))) for a, b in zip(hull, np.roll(hull, -1))}
    assert len(hull) >= 3 and ring == boundary


def test_breaklines_follow_the_drawn_3d_polygons(demo_drawing):
    path, info = demo_drawing
    with tinhost.Drawing.open(path) as d:
        t = d.tins["Ground"]
        lines = [t.vertices[b["vertices"]] for b in t.breaklines]
        params = t.params
    polygons = [user_xyz(info, o["vertices"]) for o in info["objects"]
                if o["layer"] == "Ground" and o["type"] == "poly3d"]
    assert params["useBrklns"] and len(lines) == len(polygons) == 11
    assert sorted(key(line) for line in lines) == sorted(key(p) for p in polygons)


def test_arrays_are_read_only_views_that_outlive_the_drawing(demo_drawing):
    d = tinhost.Drawing.open(demo_drawing[0])
    t = d.tins[1]
    v1, v2 = t.vertices, t.vertices
    assert np.shares_memory(v1, v2)  # one decoded copy per state of the drawing
    with pytest.raises(ValueError):
        v1[0, 0] = 0.0
    expected = v1.copy()
    d.close()
    assert np.array_equal(v1, expected)
    with pytest.raises(ValueError, match="closed"):
        t.vertices


def test_params_and_non_resident_tins(tmp_path):
    pts = np.array([[0, 0, 1], [10, 0, 2], [0, 10, 3], [10, 10, 4], [5, 5, 9]], dtype=float)
    with tinhost.Drawing.new(tmp_path / "p.tin") as d:
        d.import_points("Kept", pts)
        d.import_points("Light", pts + 100)
        d.run("create", layer="Kept", set={"contourInterval": 0.5, "datumElev": 2.25, "notResident": 0})
        d.run("create", layer="Light", set={"notResident": 1})
        kept, light = d.tins["Kept"], d.tins["Light"]
        assert (kept.params["contourInterval"], kept.params["datumElev"]) == (0.5, 2.25)
        assert len(kept.vertices) == 5 and len(kept.triangles) == 4
        assert light.params["notResident"]
        with pytest.raises(ValueError, match="notResident"):
            light.vertices
        with pytest.raises(KeyError):
            d.tins["Nowhere"]


def test_contours_lie_at_their_levels_and_index_every_nth(tmp_path):
    x, y = np.meshgrid(np.linspace(0, 50, 11), np.linspace(0, 40, 9))
    z = 100 + 0.3 * x + 0.1 * y
    with tinhost.Drawing.new(tmp_path / "c.tin") as d:
        d.import_points("Slope", np.column_stack([x.ravel(), y.ravel(), z.ravel()]))
        d.run("create", layer="Slope", set={"contourInterval": 0.5, "indexContourEvery": 4, "want3DCntr": 1,
                                            "notResident": 0})
        t = d.tins["Slope"]
        contours = t.contours()
        d.run("change", choose="Slope", set={"want3DCntr": 0})
        with pytest.raises(ValueError, match="want3DCntr"):
            t.contours()
    levels = sorted(c.elevation for c in contours)
    assert levels == [100.5 + 0.5 * k for k in range(len(levels))] and levels[-1] > 117
    for c in contours:
        assert c.points.shape[1] == 3 and len(c.points) >= 2
        assert np.all(c.points[:, 2] == c.elevation)
        assert c.index == (round(c.elevation / 0.5) % 4 == 0)


def test_sample_answers_as_the_difference_tin_sampled_its_bases(demo_drawing):
    # Earthwork is Ground minus Design: at a Ground vertex it holds Ground's
    # elevation minus Design sampled there, elsewhere (a Design vertex)
    # Ground sampled there minus Design's elevation.
    with tinhost.Drawing.open(demo_drawing[0], readonly=True) as d:
        ground, design, earth = d.tins["Ground"], d.tins["Design"], d.tins["Earthwork"]
        gv, dv, ev = ground.vertices, design.vertices, earth.vertices
        assert np.array_equal(ground.sample(gv[:, :2]), gv[:, 2])  # a vertex answers with its own elevation
        ground_z, design_z = ({tuple(p[:2]): p[2] for p in v} for v in (gv, dv))
        at = [tuple(p) for p in ev[:, :2]]
        on_ground = np.array([p in ground_z for p in at])
        assert on_ground.any() and (~on_ground).any()
        expected = np.where(on_ground,
                            [ground_z.get(p, np.nan) for p in at] - design.sample(ev[:, :2]),
                            ground.sample(ev[:, :2]) - [design_z.get(p, np.nan) for p in at])
        assert np.allclose(ev[:, 2], expected, rtol=0, atol=1e-9)

        lo, hi = gv[:, :2].min(axis=0), gv[:, :2].max(axis=0)
        outside = np.array([lo - 10, hi + 10, [lo[0] - 1e12, lo[1]]])
        assert np.isnan(ground.sample(outside)).all()
        inside = ground.sample(gv[0, :2] * 0.5 + gv[-1, :2] * 0.5)
        assert isinstance(inside, float) and gv[:, 2].min() <= inside <= gv[:, 2].max()
        with pytest.raises(ValueError, match="N, 2"):
            ground.sample(gv)


def test_sample_needs_the_stored_triangles(tmp_path):
    pts = np.array([[0, 0, 1], [10, 0, 2], [0, 10, 3], [10, 10, 4]], dtype=float)
    with tinhost.Drawing.new(tmp_path / "s.tin") as d:
        d.import_points("Light", pts)
        d.run("create", layer="Light", set={"notResident": 1})
        with pytest.raises(ValueError, match="notResident"):
            d.tins["Light"].sample([[5, 5]])
        # Answers follow the drawing: the same TIN made again from raised points.
        d.import_points("Kept", pts)
        d.run("create", layer="Kept", set={"notResident": 0})
        assert d.tins["Kept"].sample([5, 5]) == 2.5
        d.undo()
        d.undo()
        d.import_points("Kept", pts + [0, 0, 10])
        d.run("create", layer="Kept", set={"notResident": 0})
        assert d.tins["Kept"].sample([5, 5]) == 12.5
