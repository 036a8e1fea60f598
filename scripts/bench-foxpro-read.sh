#!/bin/bash
# Reads a 1,000,000-row, 8-column FoxPro table (C, N, D, I, L, M) and prints every value as
# text (DbfDump), against pgdbf converting the same table to /dev/null. Prints both times and
# the ratio ours / pgdbf; the reader passes when the ratio is at most 0.7. Then measures the
# append rate into an 8-memo-column table.
#   scripts/bench-foxpro-read.sh [rows] [memo-rows]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
ROWS=${1:-1000000}
MEMO_ROWS=${2:-200000}
BUILD="$ROOT/build-bench"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

command -v pgdbf >/dev/null || { echo "pgdbf is not installed (apt-get install pgdbf)" >&2; exit 1; }
cmake -G Ninja -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DTESSELBY_BENCH=ON -DTESSELBY_TESTS=OFF -DTESSELBY_GUI=ON >/dev/null
ninja -C "$BUILD" -j2 DbfMake DbfDump >/dev/null

echo "generating $ROWS rows..."
"$BUILD/bench/DbfMake" "$WORK/bench.dbf" "$ROWS"
ls -l "$WORK"/bench.*

# Median of several runs of a command, in seconds.
measure() {
  local times=()
  for _ in 1 2 3 4 5; do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc)")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 3p
}

if command -v hyperfine >/dev/null; then
  hyperfine -w 1 -r 5 "'$BUILD/bench/DbfDump' '$WORK/bench.dbf' >/dev/null" \
                      "pgdbf -m '$WORK/bench.fpt' '$WORK/bench.dbf' >/dev/null"
fi
ours=$(measure "$BUILD/bench/DbfDump" "$WORK/bench.dbf")
theirs=$(measure pgdbf -m "$WORK/bench.fpt" "$WORK/bench.dbf")
echo "DbfDump: ${ours}s   pgdbf: ${theirs}s   ratio ours/pgdbf: $(echo "scale=3; $ours / $theirs" | bc) (target <= 0.7)"

"$BUILD/bench/DbfMake" --memos "$WORK/memos.dbf" "$MEMO_ROWS"
