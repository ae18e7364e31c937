#!/usr/bin/env bash
# The elevation-model export against its peer, measured in the same run:
# `tinhost export DRAWING dem.tif --cell C` against `gdal_grid -a linear` on
# the same points and the same grid (gdal_grid is given the extent and size
# of our grid), each timed three times, interleaved, with the median and the
# peak memory reported and the ratio ours / peer.  Both interpolate linearly
# in a Delaunay triangulation of the points, so bench/dem_compare checks that
# they computed the same grid.
#
#   bench/dem_peer.sh [BUILD_DIR] [SIZES]     e.g. bench/dem_peer.sh build-perf "100000 1000000"
#
# The export reads the TIN's 3D triangles from the drawing; the TIN build that
# made them (`run create`) and the import are timed too and reported beside,
# so the whole way from points to grid can be compared as well.  The inputs:
# a LiDAR-like terrain tile of SIZES points (one square kilometre in metres,
# smooth hills with centimetre noise, fixed seed) at a 1 m cell, and the real
# LiDAR ground points of ../shared/data at 0.5 m.  Needs gdal-bin, python3 and
# a build with -DTIN_BUILD_BENCH=ON (for dem_compare).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build-perf}
sizes=${2:-"1000000"}
host=$build/bin/tinhost
compare=$build/bench/dem_compare
data=$build/bench-data/dem
mkdir -p "$data"

terrain() {  # terrain N FILE: x,y,z in metres
  python3 - "$@" <<'PY'
import math, random, sys
n, path = int(sys.argv[1]), sys.argv[2]
r = random.Random(12)
seen = set()
with open(path, "w") as f:
    f.write("x,y,z\n")
    while len(seen) < n:
        x, y = r.randint(0, 10**6), r.randint(0, 10**6)
        if (x, y) in seen:
            continue
        seen.add((x, y))
        z = (50000 + 30000 * math.sin(x / 150000) * math.cos(y / 110000)
             + 12000 * math.sin((x + 2 * y) / 70000) + int(r.gauss(0, 30)))
        f.write(f"{x / 1000:.3f},{y / 1000:.3f},{z / 1000:.3f}\n")
PY
}

timed() {  # timed OUT_FILE COMMAND...: "seconds peak_kb" into OUT_FILE
  local out=$1
  shift
  /usr/bin/time -f "%e %M" -o "$out" "$@" > /dev/null 2> "$out.err" || { cat "$out.err" >&2; return 1; }
}

case_() {  # case_ NAME POINTS_FILE CELL
  local name=$1 points=$2 cell=$3 d=$data/$1 csv=$data/$1_points.csv
  rm -f "$d.tin"
  "$host" new "$d.tin" > /dev/null
  timed "$d.import" "$host" import "$d.tin" "$points" --layer Ground
  timed "$d.create" "$host" run "$d.tin" create --layer Ground --set want3DTris=1 --set want2DCntr=0 \
      --set want3DCntr=0 --set wantHull=0 --set notResident=0
  # The peer reads the very points the drawing holds (at its resolution), so
  # that both triangulate the same input.
  "$host" export "$d.tin" "$csv" --layer Ground > /dev/null
  # The points as OGR reads a CSV: a virtual layer of 3D points from its columns.
  cat > "$d.vrt" <<VRT
<OGRVRTDataSource><OGRVRTLayer name="points"><SrcDataSource>$csv</SrcDataSource><SrcLayer>$(basename "$csv" .csv)</SrcLayer>
<GeometryType>wkbPoint25D</GeometryType><GeometryField encoding="PointFromColumns" x="x" y="y" z="z"/>
</OGRVRTLayer></OGRVRTDataSource>
VRT
  : > "$d.ours.times"
  : > "$d.peer.times"
  for rep in 1 2 3; do
    rm -f "$d.ours.tif" "$d.peer.tif"
    timed "$d.t" "$host" export "$d.tin" "$d.ours.tif" --layer Ground --cell "$cell"
    cat "$d.t" >> "$d.ours.times"
    # The peer gets our grid: the same extent, the same number of cells.
    read -r xmin xmax ymin ymax cols rows < <(gdalinfo -json "$d.ours.tif" 2> /dev/null | python3 -c '
import json, sys
j = json.load(sys.stdin)
t, (c, r) = j["geoTransform"], j["size"]
print(t[0], t[0] + c * t[1], t[3] + r * t[5], t[3], c, r)')
    timed "$d.t" gdal_grid -q -a linear:radius=0:nodata=-9999 -ot Float32 -of GTiff -l points \
        -txe "$xmin" "$xmax" -tye "$ymax" "$ymin" -outsize "$cols" "$rows" "$d.vrt" "$d.peer.tif"
    cat "$d.t" >> "$d.peer.times"
  done
  local same local
  same=$("$compare" "$d.ours.tif" "$d.peer.tif" 0.001)
  # Once more, untimed, on the points relative to the drawing's origin: with
  # UTM-sized coordinates the peer's floating-point triangulation can pick
  # other diagonals where points are nearly cocircular; near zero it cannot.
  read -r ox oy < <("$host" info "$d.tin" --json | python3 -c '
import json, sys
o = json.load(sys.stdin)["units"]["origin"]
print(o[0], o[1])')
  awk -F, -v ox="$ox" -v oy="$oy" 'NR == 1 { print; next } { printf "%.6f,%.6f,%s\n", $1 - ox, $2 - oy, $3 }' \
      "$csv" > "$data/local_points.csv"
  sed "s|$csv|$data/local_points.csv|; s|<SrcLayer>[^<]*</SrcLayer>|<SrcLayer>local_points</SrcLayer>|" "$d.vrt" \
      > "$d.local.vrt"
  gdal_grid -q -a linear:radius=0:nodata=-9999 -ot Float32 -of GTiff -l points \
      -txe "$(python3 -c "print($xmin - $ox)")" "$(python3 -c "print($xmax - $ox)")" \
      -tye "$(python3 -c "print($ymax - $oy)")" "$(python3 -c "print($ymin - $oy)")" \
      -outsize "$cols" "$rows" "$d.local.vrt" "$d.local.tif"
  local=$("$compare" --cells-only "$d.ours.tif" "$d.local.tif" 0.001)
  python3 - "$name" "$cols" "$rows" "$d" "$same" "$local" <<'PY'
import statistics, sys
name, cols, rows, d, same, local = sys.argv[1:]
def runs(f):
    return [tuple(map(float, l.split())) for l in open(f) if l.strip()]
def one(f):
    return tuple(map(float, open(f).read().split()))
ours, peer = runs(d + ".ours.times"), runs(d + ".peer.times")
to, tp = statistics.median(t for t, _ in ours), statistics.median(t for t, _ in peer)
mo, mp = max(m for _, m in ours), max(m for _, m in peer)
ti, mi = one(d + ".import")
tc, mc = one(d + ".create")
print(f"{name}: grid {cols} x {rows}")
print(f"  tinhost export      {to:7.2f} s  peak {mo/1024:7.1f} MiB   ratio to gdal_grid x{to/tp:5.2f} time, x{mo/mp:5.2f} memory")
print(f"  gdal_grid -a linear {tp:7.2f} s  peak {mp/1024:7.1f} MiB   (runs: ours {[t for t, _ in ours]}, peer {[t for t, _ in peer]})")
print(f"  points to grid: import {ti:.2f} s + create {tc:.2f} s + export {to:.2f} s = {ti+tc+to:.2f} s, x{(ti+tc+to)/tp:5.2f} of gdal_grid")
print(f"  same grid? peer on real coordinates:       {same}")
print(f"             peer relative to the origin:    {local}")
PY
}

for n in $sizes; do
  [ -s "$data/terrain_$n.csv" ] || terrain "$n" "$data/terrain_$n.csv"
  case_ "terrain_$n" "$data/terrain_$n.csv" 1
done
lidar=${TIN_DATA_DIR:-$here/../../shared/data}/lidar_utm42n
case_ lidar_ground "$lidar/hexbin-crop.las" 0.5
