# Shared by scripts/run and scripts/test: install the Debian packages that are missing.
# Usage: ensure_packages pkg1 pkg2 ...
ensure_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

BUILD_PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev unixodbc-dev unixodbc fonts-liberation)
# The Oracle stand-in (tools/oracle-standin.sh): PostgreSQL, psqlODBC and its Python front.
STANDIN_PACKAGES=(postgresql-15 postgresql-client-15 odbc-postgresql python3)
