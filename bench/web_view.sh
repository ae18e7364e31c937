#!/usr/bin/env bash
# The web view of a large TIN, measured in one run: `tinhost export DRAWING
# view.html` against the elevation model of the same TIN at 1 m (`export
# dem.tif --cell 1`, which reads the same drawing and triangles), the size of
# the page, and the time headless Chromium takes to open it (the page's own
# clock: from navigation to the plan and the 3D view drawn) against opening
# the demo's small page in the same browser.  Chromium draws WebGL with
# SwiftShader here (software); a machine with a GPU turns the surface far
# faster.
#
#   bench/web_view.sh [BUILD_DIR] [POINTS_CSV]
#
# POINTS_CSV: x,y,z rows in millimetres, as bench/run.sh generates them
# (default: its terrain_1000000.csv).  Needs chromium and libjs-three.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
csv=${2:-$build/bench-data/terrain_1000000.csv}
host=$build/bin/tinhost
work=$build/bench-data/web
mkdir -p "$work"
[ -s "$csv" ] || { echo "no $csv: run bench/run.sh first, or name an x,y,z file in mm" >&2; exit 2; }

drawing=$work/terrain.tin
if [ ! -s "$drawing" ]; then
  awk -F, 'NR > 1 || $1 ~ /^[0-9]/ {printf "%.3f %.3f %.3f\n", $1/1000, $2/1000, $3/1000}' "$csv" > "$work/points.xyz"
  "$host" new "$drawing" > /dev/null
  "$host" import "$drawing" "$work/points.xyz" --layer Ground > /dev/null
  "$host" run "$drawing" create --layer Ground --set want3DTris=1 --set want2DCntr=1 \
      --set contourInterval=1 --set notResident=0 > /dev/null
fi

timed() {  # timed OUT_FILE COMMAND...: "seconds peak_kib"
  local out=$1; shift
  /usr/bin/time -f "%e %M" -o "$out" "$@" > /dev/null
  cat "$out"
}
read -r tv mv < <(timed "$work/view.time" "$host" export "$drawing" "$work/view.html")
read -r td md < <(timed "$work/dem.time" "$host" export "$drawing" "$work/dem.tif" --cell 1)
bytes=$(stat -c %s "$work/view.html")

open_ms() {  # open_ms PAGE: the page's own opening time and its steps
  chromium --headless --no-sandbox --use-angle=swiftshader --enable-unsafe-swiftshader \
      --user-data-dir="$work/profile" --window-size=1400,800 --dump-dom "file://$1#test&timing" 2> /dev/null |
    grep -o '<pre id="test-results"[^<]*' | sed 's/^[^>]*>//; s/&quot;/"/g'
}
"$host" demo "$work/demo" > /dev/null || true
big=$(open_ms "$work/view.html")
small=$(open_ms "$work/demo/view.html")
python3 - "$tv" "$mv" "$td" "$md" "$bytes" "$big" "$small" <<'PY'
import json, sys
tv, mv, td, md, size = map(float, sys.argv[1:6])
big, small = json.loads(sys.argv[6]), json.loads(sys.argv[7])
print(f"export view.html : {tv:7.2f} s  peak {mv/1024:7.1f} MiB  page {size/2**20:6.1f} MiB")
print(f"export dem.tif   : {td:7.2f} s  peak {md/1024:7.1f} MiB  (peer)  ratio {tv/td:5.2f}x")
print(f"open, large page : {big['openMs']/1000:7.2f} s  steps (ms from navigation) {big['steps']}")
print(f"open, demo page  : {small['openMs']/1000:7.2f} s  (peer)  ratio {big['openMs']/max(small['openMs'],1):5.1f}x")
print(f"redraw, large    : plan {big['planDrawMs']} ms  3D {big['surfaceDrawMs']} ms per frame "
      f"(demo: plan {small['planDrawMs']} ms, 3D {small['surfaceDrawMs']} ms)")
PY
