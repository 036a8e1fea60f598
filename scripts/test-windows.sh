#!/bin/bash
# The Windows command line, cross-built with mingw-w64 in build-win64/ and run under wine: the
# test programs that are not about windows, once each, then tesselby.exe end to end against
# the Oracle stand-in (wine's odbc32 hands ODBC to the host's unixODBC): --version, list,
# send-to-oracle and send-to-foxpro with --keep-types --verify through a share (\\server\share),
# a drive letter, a non-ASCII folder and a path past 260 characters, a table locked by another
# process, the profile from the registry, and an interrupted copy. Uses the
# stand-in of the caller (STANDIN_DIR, ODBCSYSINI, PGPORT) or starts its own.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
# shellcheck source=scripts/lib.sh
source scripts/lib.sh
started=$SECONDS
ensure_packages "${WINDOWS_PACKAGES[@]}" "${STANDIN_PACKAGES[@]}"
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$ROOT}

configure_windows_build build-win64 MinSizeRel -DTESSELBY_TESTS=ON
ninja -C build-win64 tesselby tesselby-query test_ado test_foxpro test_connections test_os hold-table-lock

work=$(mktemp -d)
key='HKCU\Software\VB and VBA Program Settings\Quenmark\Tesselby'
cleanup() {
  [ -n "${WINEPREFIX:-}" ] && { wine reg delete "$key" /f >/dev/null 2>&1 || true; rm -f "$WINEPREFIX/dosdevices/unc/fileserver/share"; }
  [ -n "${own_standin:-}" ] && tools/oracle-standin.sh stop "$STANDIN_DIR"
  rm -rf "$work"
}
trap cleanup EXIT
if [ -z "${STANDIN_DIR:-}" ]; then
  eval "$(tools/oracle-standin.sh start)"
  own_standin=1
fi
export STANDIN_DIR ODBCSYSINI PGPORT WINEDEBUG=-all
WINEPREFIX=$(windows_wine_prefix)
export WINEPREFIX
wine reg delete "$key" /f >/dev/null 2>&1 || true  # a profile left by an interrupted run

status=0
fail() { echo "test-windows: $*" >&2; status=1; }

# Linux's premises: two spellings of one name side by side, a name free again while a
# handle still has the deleted file open (wine has no POSIX delete semantics).
linux_only='FindPathIgnoringCase.FindsEveryPartWhateverItsLetterCaseAndPrefersTheExactOne'
linux_only+=':ProviderTest.TablesSchemaListsEveryTableOfTheFolderOnceInLowerCase'
linux_only+=':ProviderTest.CreateReplacesStaleCompanionsOfADeletedTable'
linux_only+=':ProviderTest.InsertFollowsATableReplacedBehindTheConnection'
for test in test_ado test_foxpro test_connections test_os; do
  (cd build-win64/tests && wine "./$test.exe" --gtest_brief=1 --gtest_filter="-$linux_only") || fail "$test failed"
done

program=build-win64/src/cli/tesselby.exe
query=build-win64/src/query/tesselby-query.exe
oracle='Driver={Microsoft ODBC for Oracle};Server=127.0.0.1;Uid=scott;Pwd=tiger;'
run() { wine "$program" "$@"; }
expect() {  # expect WHAT EXPECTED ACTUAL
  [ "$2" = "$3" ] || fail "$1: expected [$2], got [$3]"
}

expect "--version" "tesselby $(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-win64/CMakeCache.txt)" \
  "$(run --version | tr -d '\r')"

# The container reached as a share: wine maps \\fileserver\share onto dosdevices/unc.
mkdir -p "$work/share/data" "$work/back" "$WINEPREFIX/dosdevices/unc/fileserver"
cp ../shared/testdata/foxpro/northwind/* "$work/share/data/"
chmod -R u+w "$work/share"
ln -sfn "$work/share" "$WINEPREFIX/dosdevices/unc/fileserver/share"
dbc='\\fileserver\share\data\northwind.dbc'
back="Z:$(echo "$work/back" | tr / '\\')"
for table in CATEGORIES SHIPPERS REGION WIN_BIG; do
  wine "$query" "$oracle" "DROP TABLE IF EXISTS \"$table\"" >/dev/null 2>&1 || true
done
export TESSELBY_PASSWORD=tiger
login=(--server 127.0.0.1 --user scott)

expect "list of the share's container" "foxpro	Categories" \
  "$(run "${login[@]}" --dbc "$dbc" list | tr -d '\r' | grep -m1 '^foxpro')"
out=$(run "${login[@]}" --dbc "$dbc" --keep-types --verify --overwrite=yes --summary=tsv send-to-oracle Categories Shippers Region) ||
  fail "send-to-oracle from $dbc: exit $?"
# name, read, written, failed statements, values compared, differing
expect "send-to-oracle" "Categories	8	8	0	32	0	Shippers	3	3	0	9	0	Region	4	4	0	8	0" \
  "$(printf '%s\n' "$out" | tr -d '\r' | cut -f1-4,7,8 | tr '\n' '\t' | sed 's/\t$//')"
out=$(run "${login[@]}" --folder "$back" --keep-types --verify --summary=tsv send-to-foxpro categories shippers Region) ||
  fail "send-to-foxpro into $back: exit $?"
# Typed copies name Oracle's tables in upper case; the way back finds them by any letter case.
expect "send-to-foxpro" "CATEGORIES	8	8	0	32	0	SHIPPERS	3	3	0	9	0	REGION	4	4	0	8	0" \
  "$(printf '%s\n' "$out" | tr -d '\r' | cut -f1-4,7,8 | tr '\n' '\t' | sed 's/\t$//')"

# Folders Windows' narrow calls cannot reach: a name outside the ANSI code page, and a path
# past 260 characters; a container there goes out and tables come back into it.
summary() { printf '%s\n' "$1" | tr -d '\r' | cut -f1-4,7,8 | tr '\n' '\t' | sed 's/\t$//'; }
long="$work/long"
while [ ${#long} -le 270 ]; do long+=/nested-folder-with-a-long-name; done
for place in "$work/Daten-Größe-Ünïcode-日本" "$long"; do
  mkdir -p "$place/dbc" "$place/back" "$place/new"
  cp ../shared/testdata/foxpro/northwind/{northwind.*,categories.*,region.*} "$place/dbc/"
  chmod -R u+w "$place"
  windows="Z:$(echo "$place" | tr / '\\')"
  label="${place:0:50}..."
  out=$(run "${login[@]}" --dbc "$windows\\dbc\\northwind.dbc" --keep-types --verify --overwrite=yes --summary=tsv \
    send-to-oracle Categories Region) || fail "send-to-oracle from $label: exit $?"
  expect "send-to-oracle from $label" "Categories	8	8	0	32	0	Region	4	4	0	8	0" "$(summary "$out")"
  out=$(run "${login[@]}" --folder "$windows\\back" --keep-types --verify --summary=tsv send-to-foxpro categories \
    Region) || fail "send-to-foxpro into $label: exit $?"
  expect "send-to-foxpro into $label" "CATEGORIES	8	8	0	32	0	REGION	4	4	0	8	0" "$(summary "$out")"
  out=$(run "${login[@]}" --dbc "$windows\\new\\new.dbc" --create-dbc --keep-types --verify --summary=tsv send-to-foxpro \
    categories Region) || fail "send-to-foxpro into a new container in $label: exit $?"
  expect "send-to-foxpro into a new container in $label" "CATEGORIES	8	8	0	32	0	REGION	4	4	0	8	0" "$(summary "$out")"
done

# A table Visual FoxPro holds locked (FLOCK() from another Windows process) is replaced only
# once it lets go; meanwhile not a byte of it changes.
locker=build-win64/tests/hold-table-lock.exe
held=$(cd "$work/back" && find . -maxdepth 1 -iname region.dbf -printf '%f')
: >"$work/held.out"
wine "$locker" hold "$back\\$held" 4 >"$work/held.out" &
holder=$!
until grep -q locked "$work/held.out" || ! kill -0 $holder 2>/dev/null; do sleep 0.05; done
before=$(md5sum <"$work/back/$held")
run "${login[@]}" --folder "$back" --overwrite=yes --summary=tsv send-to-foxpro Region >"$work/held-copy.out" &
copy=$!
sleep 2
kill -0 $copy 2>/dev/null || fail "send-to-foxpro did not wait for FoxPro's lock"
expect "table under FoxPro's lock" "$before" "$(md5sum <"$work/back/$held")"
wait $holder || fail "the lock holder failed"
code=0
wait $copy || code=$?
expect "send-to-foxpro after FoxPro let go" "0 REGION	4	4	0" "$code $(tr -d '\r' <"$work/held-copy.out" | cut -f1-4)"

# The profile where VB's SaveSetting keeps it: no option names the server, user or folder.
for setting in Server=127.0.0.1 User=scott FoxproOption=2 "FreeTableFolder=$back"; do
  wine reg add "$key" /v "${setting%%=*}" /t REG_SZ /d "${setting#*=}" /f >/dev/null 2>&1 || fail "wine reg add $setting"
done
expect "list with the registry's profile" "foxpro	categories" \
  "$(run list | tr -d '\r' | grep -m1 '^foxpro')"

# Ctrl-C (wine turns SIGINT into the console's Ctrl-C event) ends the copy after a row, with
# the summary and status 130.
wine "$query" "$oracle" 'CREATE TABLE "WIN_BIG"("ID" INT, "NAME" VARCHAR(20))' >/dev/null
# Rows enough that the copy is still running when the reader below has had its look, however
# slowly wine starts on a busy machine.
wine "$query" "$oracle" "INSERT INTO \"WIN_BIG\" SELECT g, 'row ' || g FROM generate_series(1, 300000) g" >/dev/null
rm -rf "$work/back"/*
# wine execs its loader, which becomes the program: $! is the program's own process.
wine "$program" --summary=tsv send-to-foxpro WIN_BIG >"$work/interrupted.out" 2>"$work/interrupted.err" &
copy=$!
until [ "$(stat -c %s "$work/back/win_big.DBF" 2>/dev/null || echo 0)" -ge 2000 ] || ! kill -0 $copy 2>/dev/null; do
  sleep 0.05
done
# Tesselby's own lock, held while it appends, keeps FoxPro's FLOCK() out but not a reader.
probe=$(wine "$locker" probe "$back\\WIN_BIG.DBF" | tr -d '\r') || fail "the reader beside the copy failed"
expect "a reader beside the copy" "flock refused" "${probe#read * bytes, }"
kill -INT $copy || fail "the copy ended before Ctrl-C could interrupt it"
code=0
wait $copy || code=$?
expect "interrupted copy's status" 130 "$code"
expect "interrupted copy's summary" partial "$(tr -d '\r' <"$work/interrupted.out" | cut -f6)"
wine "$query" "$oracle" 'DROP TABLE "WIN_BIG"' >/dev/null

echo "test-windows: $((SECONDS - started)) s, $([ $status -eq 0 ] && echo passed || echo FAILED)"
exit $status
