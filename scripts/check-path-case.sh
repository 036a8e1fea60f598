#!/bin/bash
# Fails when two tracked paths differ only by letter case: a checkout on a case-insensitive file
# system keeps only one of them. Folders count too (a/X.cpp and A/y.cpp split on such a system).
# Usage: scripts/check-path-case.sh [repository folder]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
# Every tracked path and each folder above it, once each.
paths=$(git ls-files -z | tr '\0' '\n' |
  awk -F/ '{ path = $1; print path; for (i = 2; i <= NF; i++) { path = path "/" $i; print path } }' | sort -u)
clashes=$(printf '%s\n' "$paths" | sort -f | uniq -di)
if [ -n "$clashes" ]; then
  echo "Tracked paths that differ only by letter case:"
  printf '%s\n' "$paths" | grep -ixF -f <(printf '%s\n' "$clashes")
  exit 1
fi
echo "No two tracked paths differ only by letter case."
