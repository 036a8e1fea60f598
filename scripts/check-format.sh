#!/bin/bash
# Fails when a tracked C++ file of src/, tests/, bench/ or fuzz/ differs from what clang-format
# makes of it with the tree's .clang-format, and names each such file. Changes nothing.
# Usage: scripts/check-format.sh [clang-format program]
set -euo pipefail
cd "$(dirname "$0")/.."
CLANG_FORMAT=${1:-clang-format}
command -v "$CLANG_FORMAT" >/dev/null || { echo "no $CLANG_FORMAT to check the formatting with" >&2; exit 2; }
mapfile -d '' files < <(git ls-files -z -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
  'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h')
[ ${#files[@]} -gt 0 ] || { echo "no C++ files found to check" >&2; exit 2; }
# One run over every file; each difference is reported as "FILE:LINE:COLUMN: error: ...".
if report=$("$CLANG_FORMAT" --style=file --dry-run --Werror "${files[@]}" 2>&1); then
  echo "All ${#files[@]} C++ files are formatted as .clang-format says."
  exit 0
fi
differing=$(printf '%s\n' "$report" | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*/\1/p' | sort -u)
if [ -z "$differing" ]; then
  printf '%s\n' "$report" >&2  # clang-format failed for another reason: show its words
  exit 2
fi
echo "Not formatted as .clang-format says (clang-format -i FILE mends it):"
printf '%s\n' "$differing" | sed 's/^/  /'
exit 1
