#!/usr/bin/env bash
# The host's share of a whole `tinhost run DRAWING create` on the 1,000,000-point
# terrain tile (3D triangles, 1 m contours, with the save): the command's CPU
# time split by library with `perf record`, the plug-in's library against
# everything else (the drawing's open, the objects the plug-in's callbacks
# make, the save, SQLite, the C library, the kernel).  Give several builds to
# compare them interleaved in one sitting; the drawings they write are
# compared byte for byte.
#
#   bench/host_share.sh CSV BUILD_DIR...     e.g. bench/host_share.sh /work/bd/terrain_1000000.csv build-old build
#
# The CSV holds x,y,z in world units (bench/run.sh makes one); needs perf.
set -euo pipefail
csv=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
awk -F, '{printf "%.3f %.3f %.3f\n", $1/1000, $2/1000, $3/1000}' "$csv" > "$work/points.xyz"
first=$1/bin/tinhost
"$first" new "$work/start.tdb" > /dev/null
"$first" import "$work/start.tdb" "$work/points.xyz" --layer Ground > /dev/null
for build in "$@"; do
  name=$(basename "$build")
  mkdir -p "$work/$name"
  cp "$work/start.tdb" "$work/$name/d.tdb"
  perf record -q -F 499 -o "$work/$name/perf.data" /usr/bin/time -f "%e %U %S %M" -o "$work/$name/time" \
    "$build/bin/tinhost" run "$work/$name/d.tdb" create --layer Ground --set want3DTris=1 \
    --set want2DCntr=1 --set contourInterval=1 > /dev/null 2>&1
  read -r wall user sys peak < "$work/$name/time"
  plugin=$(perf report -i "$work/$name/perf.data" --sort dso --stdio 2>/dev/null |
           awk '/libtinplugin/ {gsub("%", "", $1); print $1}')
  python3 -c "
wall, cpu, share, peak = $wall, $user + $sys, ${plugin:-0} / 100, $peak / 1024
print(f'$name: {wall:.2f} s wall, {cpu:.2f} s CPU, plug-in {cpu * share:.2f} s, host {cpu * (1 - share):.2f} s, peak {peak:.0f} MiB')"
  sha256sum "$work/$name/d.tdb" | cut -c1-16
done
