# The comment block at the top of a script, after its #! line, without the comment marks: the
# script's --help.
header_help() {
  awk 'NR == 1 { next } !/^#/ { exit } { sub(/^# ?/, ""); print }' "$1"
}

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

BUILD_PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev qtkeychain-qt6-dev unixodbc-dev unixodbc fonts-liberation)
# The Oracle stand-in (tools/oracle-standin.sh): PostgreSQL, psqlODBC and its Python front.
STANDIN_PACKAGES=(postgresql-15 postgresql-client-15 odbc-postgresql python3)

# The Release configuration of the package, in RELEASE_ARGS (needs dpkg-buildflags, dpkg-dev):
# Debian's hardening flags, all of them (bindnow included): stack protector, FORTIFY, RELRO,
# BIND_NOW, PIE. The binaries are stripped, so -g would only slow the build down. scripts/run
# builds with it too where it can, so that the package builds on in its folder.
set_release_args() {
  buildflag() {
    DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CFLAGS_MAINT_STRIP=-g DEB_CXXFLAGS_MAINT_STRIP=-g \
      dpkg-buildflags --get "$1"
  }
  RELEASE_ARGS=(-DCMAKE_BUILD_TYPE=Release -DTESSELBY_TESTS=OFF
    -DCMAKE_C_FLAGS="$(buildflag CPPFLAGS) $(buildflag CFLAGS)"
    -DCMAKE_CXX_FLAGS="$(buildflag CPPFLAGS) $(buildflag CXXFLAGS)"
    -DCMAKE_EXE_LINKER_FLAGS="$(buildflag LDFLAGS)")
  if command -v ccache >/dev/null; then RELEASE_ARGS+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
}

# Whether the build folder $1 was configured with RELEASE_ARGS, so that building on in it
# recompiles only what changed.
has_release_configuration() {
  local cache=$1/CMakeCache.txt arg name value
  [ -f "$cache" ] || return 1
  for arg in "${RELEASE_ARGS[@]}"; do
    name=${arg#-D}; value=${name#*=}; name=${name%%=*}
    [ "$(sed -n "s/^$name:[A-Z]*=//p" "$cache")" = "$value" ] || return 1
  done
}

# The Windows command line: the mingw-w64 cross compiler, wine to run it, googletest's source
# (built with the cross compiler for the tests).
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix cmake ninja-build wine wine64 googletest)

# Configures the Windows cross build in folder $1 with build type $2 (and more cmake options).
configure_windows_build() {
  local dir=$1 type=$2
  shift 2
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -G Ninja -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE="$type" \
    -DTESSELBY_WERROR=ON "${launcher[@]}" "$@" >/dev/null
}

# A wine prefix of this user's own for the Windows checks, made once (wineboot takes seconds).
windows_wine_prefix() {
  local prefix=${TESSELBY_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/tesselby-wine}
  if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    WINEDEBUG=-all WINEPREFIX=$prefix wineboot -i >/dev/null 2>&1
    WINEDEBUG=-all WINEPREFIX=$prefix wineserver -w
  fi
  echo "$prefix"
}
