"""Drawings, TINs and their results as numpy arrays.

The same host and plug-in as the ``tinhost`` command line, in-process: every
command goes through the plug-in's menu commands exactly as ``tinhost run``
does, and every result is read from the stored TIN or the plug-in's own
reports.

    import numpy as np, tinhost
    with tinhost.Drawing.new("survey.tin", unit="ft") as d:
        d.import_points("Ground", np.loadtxt("points.csv", delimiter=",", skiprows=1))
        d.run("create", layer="Ground", set={"contourInterval": 1, "notResident": 0})
        t = d.tins["Ground"]
        print(t.area(), t.vertices.shape, t.triangles.shape)

A drawing is held (locked against other writers, the command line
included) from ``new``/``open`` until ``close``; used as a context manager it
is saved when the block ends normally and left as it was on disk when the
block raises.
"""

import json
import os
import warnings
from collections import namedtuple

import numpy as np

from tinhost._tinhost import FileError, HostError, _Drawing, _RunArgs

__all__ = ["Drawing", "TIN", "Contour", "Alert", "FileError", "HostError", "BuildWarning"]

_DEFAULT_WAIT = 60.0


def _plugin_path():
    """The plug-in built beside the tinhost program (build/bin), or $TINHOST_PLUGIN."""
    given = os.environ.get("TINHOST_PLUGIN")
    if given:
        return given
    here = os.path.dirname(os.path.abspath(__file__))
    return os.path.normpath(os.path.join(here, "..", "..", "bin", "libtinplugin.so"))


class Alert(Exception):
    """The plug-in showed an alert.  ``text`` and ``detail`` are the alert's
    two lines (the detail carries the error codes); ``alerts`` lists every
    alert of the command as (text, detail), ``reports`` its reports."""

    def __init__(self, command, alerts, reports):
        self.command = command
        self.alerts = list(alerts)
        self.reports = list(reports)
        self.text, self.detail = self.alerts[0] if self.alerts else ("", "")
        super().__init__(f"{command}: {self.text} {self.detail}".rstrip())


Contour = namedtuple("Contour", "points elevation index")
Contour.__doc__ = "A 3D contour: (K, 3) float64 points, its elevation, True for an index contour."


class BuildWarning(UserWarning):
    """A build left part of a breakline out of the TIN, or the host noted a fault."""


def _answer_text(value):
    if isinstance(value, bool):
        return "1" if value else "0"
    if isinstance(value, float) and value.is_integer():
        return str(int(value))
    return str(value)


def _warn_lines(err):
    for line in err.splitlines():
        if line.startswith("error:"):
            continue  # alerts are raised, not warned
        warnings.warn(line, BuildWarning, stacklevel=3)


class Drawing:
    """One drawing file, open in one host session."""

    def __init__(self, handle):
        self._d = handle
        self._tins = _TINs(self)

    # ---- opening and closing ----
    @classmethod
    def new(cls, path, unit=None, crs=None, resolution=1000, force=False, wait=_DEFAULT_WAIT):
        """An empty drawing, as ``tinhost new`` makes it (unit "m" or "ft")."""
        return cls(_Drawing.create(os.fspath(path), unit or "", crs or "", resolution, force, wait,
                                   _plugin_path()))

    @classmethod
    def open(cls, path, wait=_DEFAULT_WAIT, readonly=False):
        """An existing drawing, held until close(); waits up to ``wait`` seconds
        for another writer to finish with it.  ``readonly`` holds nothing and
        reads the file as last saved, as ``tinhost info`` does; it cannot save."""
        return cls(_Drawing(os.fspath(path), wait, _plugin_path(), readonly))

    @property
    def path(self):
        return self._d.path

    @property
    def closed(self):
        return self._d.closed

    def save(self):
        """Writes the drawing when something changed it since it was read or saved."""
        self._d.save()

    def close(self, save=False):
        """Ends the plug-in and releases the drawing; with ``save``, writes it first."""
        self._d.close(keep=save)

    def __enter__(self):
        return self

    def __exit__(self, exc_type, exc, tb):
        self.close(save=exc_type is None and not self._d.readonly)
        return False

    # ---- adding to the drawing ----
    def import_points(self, layer, xyz, name="points"):
        """Adds an (N, 3) array of x, y, z (user units) as 3D points on ``layer``."""
        return self._imported(self._d.import_points(layer, np.asarray(xyz, dtype=np.float64), name))

    def import_breaklines(self, layer, lines, name="breaklines"):
        """Adds each (K, 3) array as a 3D polygon on ``layer``; one whose last
        row repeats its first is closed, as in a breakline file."""
        return self._imported(self._d.import_lines(layer, [np.asarray(a, dtype=np.float64) for a in lines], name))

    def import_file(self, path, layer=None, format="auto", classes=None, last_return=False, thin=None):
        """Any file ``tinhost import`` reads (survey text, breaklines, DXF, LandXML, LAS)."""
        return self._imported(self._d.import_file(os.fspath(path), layer or "", format, classes or "",
                                                  last_return, thin))

    def _imported(self, result):
        for w in result["warnings"]:
            warnings.warn(w, BuildWarning, stacklevel=3)
        return result

    # ---- the plug-in's commands ----
    def run(self, command, layer=None, set=None, choose=None, confirm=(), cancel=False, place_text=False,
            select="layer", hold_option=False, memory_budget=0):
        """Runs a menu command (create, change, area, cutfill, diff, delete) as
        ``tinhost run`` does and returns its reports.  Raises Alert when the
        plug-in showed one, ValueError for an answer no dialog took."""
        args = _RunArgs()
        args.command = str(command)
        args.layer = layer or ""
        args.sets = [f"{k}={_answer_text(v)}" for k, v in (set or {}).items()]
        args.choose = "" if choose is None else str(choose)
        args.confirms = [("yes" if c else "no") if isinstance(c, bool) else str(c) for c in confirm]
        args.cancel, args.place_text, args.select = cancel, place_text, select
        args.hold_option, args.memory_budget = hold_option, memory_budget
        r = self._d.run(args)
        _warn_lines(r["err"])
        if r["alerts"]:
            raise Alert(command, r["alerts"], r["reports"])
        return r["reports"]

    def undo(self):
        """Reverts the last command that changed the drawing; False when there is none."""
        return self._d.undo()["status"] == 0

    # ---- reading ----
    def info(self, objects=False):
        """The same dict as ``tinhost info --json`` (``--objects`` with objects=True)."""
        return json.loads(self._d.info(objects))

    def export(self, path, layers=(), cell=None, faces=False):
        """Writes any format ``tinhost export`` writes; returns its line."""
        return self._d.export(os.fspath(path), list(layers), cell, faces).strip()

    @property
    def tins(self):
        """The stored TINs by name (or by number from 1, as info lists them)."""
        return self._tins


class _TINs:
    """The drawing's stored TINs, a read-only mapping of name to TIN."""

    def __init__(self, drawing):
        self._drawing = drawing

    def _list(self):
        return self._drawing._d.tins()

    def __len__(self):
        return len(self._list())

    def __iter__(self):
        return iter(self.keys())

    def keys(self):
        return [t["name"] for t in self._list()]

    def __contains__(self, key):
        try:
            self._index(key)
            return True
        except KeyError:
            return False

    def _index(self, key):
        tins = self._list()
        if isinstance(key, int) and not isinstance(key, bool):
            if 1 <= key <= len(tins):
                return key - 1
        else:
            for k, t in enumerate(tins):
                if t["name"] == key:
                    return k
        raise KeyError(f"{key!r}: no such TIN; the drawing holds {[t['name'] for t in tins]}")

    def __getitem__(self, key):
        index = self._index(key)
        return TIN(self._drawing, self._list()[index]["name"])

    def __repr__(self):
        return f"<TINs {self.keys()}>"


class TIN:
    """A stored TIN.  Its arrays are read-only views on the stored TIN as it
    is when they are asked for; they stay valid after the drawing changes."""

    def __init__(self, drawing, name):
        self._drawing = drawing
        self.name = name

    def _geometry(self):
        return self._drawing._d.geometry(self._drawing.tins._index(self.name))

    def _resident(self):
        g = self._geometry()
        if g.params["notResident"]:
            raise ValueError(f"TIN {self.name!r} is kept without its triangles (notResident); "
                             "create or change it with notResident=0 to store them")
        return g

    @property
    def vertices(self):
        """(N, 3) float64: x, y, z in user units, the drawing's origin added."""
        return self._resident().vertices

    @property
    def triangles(self):
        """(M, 3) int32: rows of ``vertices``, corners in stored (clockwise) order."""
        return self._resident().triangles

    @property
    def hull(self):
        """(H,) int32: the convex hull's vertices in order, rows of ``vertices``."""
        return self._resident().hull

    @property
    def breaklines(self):
        """Dicts of ``vertices`` (int32 rows of ``vertices``), ``closed``, ``level``, ``level_elev``."""
        return self._resident().breaklines

    @property
    def params(self):
        """The TIN's parameters by the names ``run(..., set=...)`` takes."""
        g = self._geometry()
        return dict(g.params, name=g.tin["name"], layer2DName=g.tin["layer2DName"],
                    layer3DName=g.tin["layer3DName"], difference=g.tin["difference"])

    def _report(self, command):
        reports = self._drawing.run(command, choose=self.name)
        if len(reports) != 1:
            raise RuntimeError(f"{command} on {self.name!r} reported {reports!r}, not one line")
        label, _, numbers = reports[0].rpartition(":")
        return [float(n) for n in numbers.split(", ")] if label else []

    def area(self):
        """The planimetric area, as the plug-in's area command reports it."""
        return self._report("area")[0]

    def cutfill(self, datum=None):
        """(volume above the datum, volume below it) as the plug-in's cutfill
        command reports them.  A ``datum`` becomes the TIN's datum first, as
        ``run("change", set={"datumElev": datum})`` makes it."""
        if datum is not None:
            self._drawing.run("change", choose=self.name, set={"datumElev": datum})
        above, below = self._report("cutfill")
        return above, below

    def contours(self):
        """The 3D contours the plug-in drew for this TIN (``want3DCntr``), as
        Contour(points, elevation, index), in drawing order."""
        params = self.params
        if not params["want3DCntr"]:
            raise ValueError(f"TIN {self.name!r} draws no 3D contours; create or change it with want3DCntr=1")
        return [Contour(points, float(points[0, 2]), index)
                for points, index in self._drawing._d.contours(params["layer3DName"])]

    def sample(self, xy):
        """The TIN's elevation at plan points: ``xy`` an (N, 2) array of x, y
        (or one x, y pair) in user units, the drawing's origin included.
        Gives an (N,) float64 array (a float for one pair), NaN where the TIN
        does not cover the point.  The plug-in answers as when it samples a
        base for a difference TIN: at the nearest world point, the elevation
        of a vertex there, else of the first listed triangle that encloses it,
        truncated to a whole world unit."""
        self._resident()
        points = np.asarray(xy, dtype=np.float64)
        one = points.shape == (2,)
        z = self._drawing._d.sample(self._drawing.tins._index(self.name), points.reshape(1, 2) if one else points)
        return float(z[0]) if one else z

    def __repr__(self):
        return f"<TIN {self.name!r}>"
