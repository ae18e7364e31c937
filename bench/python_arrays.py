"""Time a stored TIN's vertices and triangles through the Python module.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_arrays.py DRAWING [TIN]

DRAWING holds a resident TIN (create --set notResident=0), e.g. the 1M
terrain drawing bench/run.sh makes, or one made by hand:
    tinhost new big.tin && tinhost import big.tin terrain_1000000.csv --layer Ground
    tinhost run big.tin create --layer Ground --set notResident=0

Prints the time to open the drawing, the first access (the stored runs
decoded once), a second access (views on the same decoded copy), and as the
peer, numpy copying the same arrays in the same run (the least any copying
access could cost), with the ratio of the first access to it.
"""
import sys
import time

import numpy as np

import tinhost


def timed(f):
    t = time.perf_counter()
    r = f()
    return time.perf_counter() - t, r


def cpu_timed(f):
    """Processor time of this process: what the work costs on a machine
    that other jobs share."""
    t = time.process_time()
    r = f()
    return time.process_time() - t, r


def main():
    path = sys.argv[1]
    name = sys.argv[2] if len(sys.argv) > 2 else "Ground"
    opened, d = timed(lambda: tinhost.Drawing.open(path))
    with d:
        t = d.tins[name]
        first, (v, tri) = timed(lambda: (t.vertices, t.triangles))
        second, _ = timed(lambda: (t.vertices, t.triangles))
        peer = min(timed(lambda: (np.array(v), np.array(tri)))[0] for _ in range(3))
        d.run("area", choose=name)  # a command: the next access decodes again
        first_cpu, _ = cpu_timed(lambda: (t.vertices, t.triangles))
        peer_cpu = min(cpu_timed(lambda: (np.array(v), np.array(tri)))[0] for _ in range(3))
    print(f"{name}: {len(v):,} vertices, {len(tri):,} triangles")
    print(f"open the drawing           {opened:8.3f} s")
    print(f"vertices+triangles, first  {first:8.3f} s   (decode the stored TIN once)")
    print(f"vertices+triangles, again  {second:8.3f} s   (views, no copy)")
    print(f"peer: numpy copy of both   {peer:8.3f} s   ratio first/peer {first / peer:6.1f}")
    print(f"first access, processor    {first_cpu:8.3f} s   peer {peer_cpu:.3f} s, ratio {first_cpu / peer_cpu:6.1f}")


if __name__ == "__main__":
    main()
