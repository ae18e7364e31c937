"""Times matplotlib's contouring of the triangles and levels that
tin_contour_points wrote (PREFIX.xyz, PREFIX.tri, PREFIX.levels).

    /usr/bin/python3 bench/contour_peer.py PREFIX [REPEATS]

Two figures, each the best of REPEATS runs:
  generator: Triangulation + TriContourGenerator + create_contour per level
             (the contour lines as arrays, no plotting objects);
  tricontour: Axes.tricontour on an Agg figure (lines and their collections,
             nothing drawn).
Prints "generator_seconds S lines N points P tricontour_seconds T".
"""
import sys
import time

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402
from matplotlib import _tri  # noqa: E402
from matplotlib.tri import Triangulation  # noqa: E402


def load(prefix):
    xyz = np.fromfile(prefix + ".xyz", dtype="<f8").reshape(-1, 3)
    tri = np.fromfile(prefix + ".tri", dtype="<i4").reshape(-1, 3)
    levels = np.loadtxt(prefix + ".levels", dtype=np.float64, ndmin=1)
    return xyz[:, 0].copy(), xyz[:, 1].copy(), xyz[:, 2].copy(), tri, levels


def generator(x, y, z, tri, levels):
    start = time.perf_counter()
    triangulation = Triangulation(x, y, tri)
    gen = _tri.TriContourGenerator(triangulation.get_cpp_triangulation(), z)
    lines = points = 0
    for level in levels:
        segs, _kinds = gen.create_contour(level)
        lines += len(segs)
        points += sum(len(s) for s in segs)
    return time.perf_counter() - start, lines, points


def tricontour(x, y, z, tri, levels):
    fig, ax = plt.subplots()
    start = time.perf_counter()
    triangulation = Triangulation(x, y, tri)
    ax.tricontour(triangulation, z, levels=levels)
    seconds = time.perf_counter() - start
    plt.close(fig)
    return seconds


def main():
    prefix = sys.argv[1]
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    data = load(prefix)
    best_gen = best_plot = float("inf")
    for _ in range(repeats):
        seconds, lines, points = generator(*data)
        best_gen = min(best_gen, seconds)
        best_plot = min(best_plot, tricontour(*data))
    print(f"generator_seconds {best_gen:.3f} lines {lines} points {points} "
          f"tricontour_seconds {best_plot:.3f}")


if __name__ == "__main__":
    main()
