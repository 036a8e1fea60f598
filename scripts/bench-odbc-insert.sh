#!/bin/bash
# 10,000 single-row INSERTs through the data access layer against the same INSERTs in a
# bare unixODBC loop, on the Oracle stand-in, interleaved, several rounds. Prints each
# round and the ratio of the medians (data access layer / bare). The layer passes when
# the ratio is at most 1.1.
#   scripts/bench-odbc-insert.sh [rounds] [rows]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
ROUNDS=${1:-5}
ROWS=${2:-10000}
BUILD="$ROOT/build-bench"

cmake -G Ninja -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DTESSELBY_BENCH=ON \
      -DTESSELBY_GUI=ON -DTESSELBY_TESTS=OFF >/dev/null
ninja -C "$BUILD" -j2 OdbcInsertAdo OdbcInsertBare >/dev/null

eval "$("$ROOT/tools/oracle-standin.sh" start)"
trap '"$ROOT/tools/oracle-standin.sh" stop "$STANDIN_DIR"' EXIT
CONN='Driver={Microsoft ODBC for Oracle};Server=127.0.0.1;Uid=scott;Pwd=tiger;'

# One warm-up each: the first connection pays for loading the driver and the catalog caches.
"$BUILD/bench/OdbcInsertBare" "$CONN" 500 >/dev/null
"$BUILD/bench/OdbcInsertAdo" "$CONN" 500 >/dev/null

bare=()
ado=()
for ((r = 1; r <= ROUNDS; r++)); do
  if ((r % 2)); then
    b=$("$BUILD/bench/OdbcInsertBare" "$CONN" "$ROWS")
    a=$("$BUILD/bench/OdbcInsertAdo" "$CONN" "$ROWS")
  else
    a=$("$BUILD/bench/OdbcInsertAdo" "$CONN" "$ROWS")
    b=$("$BUILD/bench/OdbcInsertBare" "$CONN" "$ROWS")
  fi
  bare+=("$b")
  ado+=("$a")
  printf 'round %d: bare %ss  ado %ss\n' "$r" "$b" "$a"
done

median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'; }
mb=$(median "${bare[@]}")
ma=$(median "${ado[@]}")
awk -v a="$ma" -v b="$mb" -v n="$ROWS" 'BEGIN {
  printf "median bare %.3fs (%.0f rows/s), ado %.3fs (%.0f rows/s)\n", b, n / b, a, n / a
  printf "ratio ado/bare: %.3f (limit 1.100)\n", a / b
  exit (a / b <= 1.1) ? 0 : 1
}'
