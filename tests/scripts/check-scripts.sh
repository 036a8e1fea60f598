#!/bin/bash
# The scripts' --help is their header and nothing after it; the package builds on in a folder
# configured as it would configure one, and only in such a folder.
set -euo pipefail
cd "$1"
# shellcheck source=scripts/lib.sh
source scripts/lib.sh
for script in scripts/run scripts/package; do
  help=$("$script" --help)
  [ "$help" = "$(header_help "$script")" ] && [ -n "$help" ] || { echo "$script --help: $help" >&2; exit 1; }
  case "$help" in *"set -"*) echo "$script --help shows code: $help" >&2; exit 1 ;; esac
done
command -v dpkg-buildflags >/dev/null || { echo "no dpkg-buildflags: the reuse is not checked"; exit 0; }
set_release_args
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
for arg in "${RELEASE_ARGS[@]}"; do
  name=${arg#-D}
  echo "${name%%=*}:STRING=${name#*=}"
done >"$folder/CMakeCache.txt"
has_release_configuration "$folder" || { echo "a folder of the package's configuration is not reused" >&2; exit 1; }
sed -i 's/^CMAKE_CXX_FLAGS:STRING=.*/CMAKE_CXX_FLAGS:STRING=-O0/' "$folder/CMakeCache.txt"
if has_release_configuration "$folder"; then echo "a folder of other flags is reused" >&2; exit 1; fi
