#!/bin/bash
# Whole-transfer benchmarks, one run each, against a private Oracle stand-in:
#   1. FoxPro -> Oracle of a ROWS-row, 8-column table vs. psql -f running the same INSERT
#      texts on the same stand-in (target: at most 1.15x);
#   2. Oracle -> FoxPro of that table vs. a bare ODBC fetch plus the engine's append
#      (target: at most 2x);
#   3. Oracle -> FoxPro of BIG_ROWS rows: peak memory vs. the size of the rows' text
#      (target: below 1.5x).
# Prints the figures and the ratios; exits 1 when a ratio misses its target.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
ROWS=${ROWS:-100000}
BIG_ROWS=${BIG_ROWS:-1000000}

cmake -G Ninja -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTESSELBY_BENCH=ON -DTESSELBY_TESTS=OFF -DTESSELBY_GUI=ON >/dev/null
ninja -C build-bench -j2 TransferBench >/dev/null
BENCH=$ROOT/build-bench/bench/TransferBench

eval "$(tools/oracle-standin.sh start)"
export STANDIN_DIR ODBCSYSINI PGPORT
WORK=$(mktemp -d)
cleanup() {
  tools/oracle-standin.sh stop "$STANDIN_DIR" || true
  rm -rf "$WORK"
}
trap cleanup EXIT
mkdir -p "$WORK/source" "$WORK/target" "$WORK/base" "$WORK/big"
export PGPASSWORD=tiger
PSQL=(psql -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$PGPORT" -U scott -d scott)

now() { date +%s.%N; }
seconds_of() { sed -n 's/.*seconds=\([0-9.e+-]*\).*/\1/p'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
within() { awk -v r="$1" -v limit="$2" 'BEGIN { exit !(r <= limit) }'; }
status=0

"$BENCH" make-source "$WORK/source" bench "$ROWS" >/dev/null

# 1. FoxPro -> Oracle against psql -f with the INSERT texts the server received.
log_start=$(wc -c <"$STANDIN_DIR/server.log")
to_oracle=$("$BENCH" to-oracle "$WORK/source" bench | seconds_of)
tail -c +"$((log_start + 1))" "$STANDIN_DIR/server.log" >"$WORK/transfer.log"
create=$(grep -o 'statement: CREATE TABLE "bench"(.*' "$WORK/transfer.log" | tail -1 | sed 's/^statement: //')
grep -o 'statement: INSERT INTO "bench" VALUES(.*' "$WORK/transfer.log" | sed 's/^statement: //; s/$/;/' >"$WORK/inserts.sql"
inserts=$(wc -l <"$WORK/inserts.sql")
[ "$inserts" -eq "$ROWS" ] || { echo "expected $ROWS INSERT texts in the server log, found $inserts" >&2; exit 1; }
"${PSQL[@]}" -c 'DROP TABLE "bench"' -c "$create"
start=$(now)
"${PSQL[@]}" -f "$WORK/inserts.sql"
psql_seconds=$(awk -v a="$start" -v b="$(now)" 'BEGIN { print b - a }')
r1=$(ratio "$to_oracle" "$psql_seconds")
# For the record: the same texts through the data access layer alone (the ODBC path's share).
"${PSQL[@]}" -c 'DROP TABLE "bench"' -c "$create"
replay=$("$BENCH" replay "$WORK/inserts.sql" | seconds_of)
echo "FoxPro -> Oracle, $ROWS rows: transfer ${to_oracle}s, psql -f ${psql_seconds}s, ratio $r1 (target <= 1.15);" \
     "the same INSERTs through the data access layer alone: ${replay}s"
within "$r1" 1.15 || status=1

# 2. Oracle -> FoxPro against a bare fetch plus the engine's append.
to_foxpro=$("$BENCH" to-foxpro "$WORK/target" bench | seconds_of)
baseline=$("$BENCH" fetch-append "$WORK/base" bench | seconds_of)
r2=$(ratio "$to_foxpro" "$baseline")
echo "Oracle -> FoxPro, $ROWS rows: transfer ${to_foxpro}s, fetch + append ${baseline}s, ratio $r2 (target <= 2)"
within "$r2" 2 || status=1

# 3. Peak memory of Oracle -> FoxPro with BIG_ROWS rows of the same shape.
"${PSQL[@]}" -c 'CREATE TABLE "big" AS SELECT * FROM "bench" WHERE false'
copies=$(( (BIG_ROWS + ROWS - 1) / ROWS ))
for _ in $(seq "$copies"); do "${PSQL[@]}" -c 'INSERT INTO "big" SELECT * FROM "bench"'; done
"${PSQL[@]}" -c "DELETE FROM \"big\" WHERE ctid IN (SELECT ctid FROM \"big\" OFFSET $BIG_ROWS)"
columns=$("${PSQL[@]}" -At -c "SELECT string_agg(format('coalesce(octet_length(%I::text), 0)', column_name), ' + ')
                               FROM information_schema.columns WHERE table_name = 'big'")
text_bytes=$("${PSQL[@]}" -At -c "SELECT sum($columns) FROM \"big\"")
/usr/bin/time -v -o "$WORK/time.txt" "$BENCH" to-foxpro "$WORK/big" big >"$WORK/big.out"
rss_kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$WORK/time.txt")
r3=$(ratio "$((rss_kb * 1024))" "$text_bytes")
echo "Oracle -> FoxPro, $BIG_ROWS rows: $(seconds_of <"$WORK/big.out")s, peak RSS $((rss_kb / 1024)) MiB," \
     "rows' text $((text_bytes / 1048576)) MiB, ratio $r3 (target < 1.5)"
awk -v r="$r3" 'BEGIN { exit !(r < 1.5) }' || status=1
exit $status
