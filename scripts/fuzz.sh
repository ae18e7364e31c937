#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) into build-fuzz and
# runs each for a bounded time from its committed seed corpus.  New inputs go
# to a scratch directory, so the committed corpus is left as it is.  A finding
# (crash, leak, sanitizer report, timeout) fails the script and leaves the
# reproducer in build-fuzz/findings/<target>/.
#   scripts/fuzz.sh [seconds per target, default 60]
# With FUZZ_RUNS=N set, each target instead runs exactly N inputs from a fixed
# seed, so that a run is repeatable (CI uses this).
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_PER_TARGET="${1:-60}"
TARGETS=(storage_reader_fuzz survey_file_fuzz dxf_reader_fuzz landxml_reader_fuzz drawing_file_fuzz las_reader_fuzz)

command -v clang++ >/dev/null || { echo "fuzz.sh: clang++ is needed" >&2; exit 1; }
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
      -DCMAKE_CXX_COMPILER=clang++ -DTIN_FUZZ=ON -DTIN_WERROR=OFF -DTIN_BUILD_PYTHON=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${TARGETS[@]}"

status=0
for target in "${TARGETS[@]}"; do
  corpus="tests/fuzz/corpus/${target}"
  scratch="build-fuzz/scratch/${target}"
  findings="build-fuzz/findings/${target}"
  rm -rf "$scratch" && mkdir -p "$scratch" "$findings"
  what="${SECONDS_PER_TARGET}s"
  [ -n "${FUZZ_RUNS:-}" ] && what="${FUZZ_RUNS} runs"
  echo "== ${target}: ${what} from $(ls "$corpus" | wc -l) seeds"
  if [ -n "${FUZZ_RUNS:-}" ]; then
    budget=(-runs="$FUZZ_RUNS" -seed=1)
  else
    budget=(-max_total_time="$SECONDS_PER_TARGET")
  fi
  if ! "build-fuzz/tests/fuzz/${target}" "${budget[@]}" -timeout=10 \
        -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
        -artifact_prefix="${findings}/" "$scratch" "$corpus"; then
    echo "fuzz.sh: ${target} found a fault; reproducer in ${findings}/" >&2
    status=1
  fi
done
exit $status
