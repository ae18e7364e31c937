#!/usr/bin/env bash
# LAS import, whole commands, measured in the same run:
#   * `tinhost import` of a LiDAR-like LAS tile of SIZE points (bench/make_las:
#     four in five ground), keeping the ground, with the drawing's save;
#   * the same file read and filtered only (--thin 1000 keeps a handful), to
#     show what the LAS reader itself costs;
#   * the import of the very points kept, as an XYZ text file, for scale: the
#     drawing's own cost of adding and saving that many points.
#
#   bench/las_import.sh [BUILD_DIR] [SIZES]     e.g. bench/las_import.sh build-perf "1000000 10000000"
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build-perf}
sizes=${2:-"10000000"}
host=$build/bin/tinhost
data=$build/bench-data/las
mkdir -p "$data"

timed() {  # timed NAME COMMAND...: prints "NAME seconds peak"
  local name=$1
  shift
  /usr/bin/time -f "%e %M" -o "$data/t" "$@" > /dev/null 2>&1
  read -r t m < "$data/t"
  printf '  %-46s %8.2f s  peak %8.1f MiB\n' "$name" "$t" "$(python3 -c "print($m / 1024)")"
}

for n in $sizes; do
  las=$data/tile_$n.las
  [ -s "$las" ] || "$build/bench/make_las" "$n" "$las" 1
  rm -f "$data/a.tin" "$data/b.tin" "$data/c.tin"
  "$host" new "$data/a.tin" > /dev/null
  "$host" new "$data/b.tin" > /dev/null
  "$host" new "$data/c.tin" > /dev/null
  timed "LAS $n points, ground kept, with the save" "$host" import "$data/a.tin" "$las"
  timed "LAS $n points, read and filtered only" "$host" import "$data/b.tin" "$las" --thin 1000
  "$host" export "$data/a.tin" "$data/kept.xyz" > /dev/null
  timed "the kept points as XYZ text, with the save" "$host" import "$data/c.tin" "$data/kept.xyz"
done
