# Shared by the scripts: the packages the project needs, installed when missing.
UFC_PACKAGES=(cmake ninja-build g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
              binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine64 googletest xvfb xauth
              clang libclang-rt-14-dev cppcheck nlohmann-json3-dev wixl msitools
              # npm (with Node.js here) names the tarballs of SQLite and the
              # public suffix list that the configure downloads and checks.
              nodejs)

ufc_install_packages() {
  local missing=()
  for p in "${UFC_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "installing: ${missing[*]}"
  # An index of another architecture may fail to update; the install still works.
  $sudo apt-get update || true
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

# A 32-bit Wine is optional: it is never installed, only used when present.
ufc_have_wine32() {
  [ -x /usr/lib/wine/wine ] || command -v wine >/dev/null 2>&1 || return 1
  local w
  w=$(command -v wine || echo /usr/lib/wine/wine)
  WINEDEBUG=-all WINEPREFIX=$(mktemp -d) timeout 120 "$w" cmd /c exit >/dev/null 2>&1
}

# Builds targets of a build folder and says so: "building WHAT (HINT)", then
# on a terminal one line that follows ninja's "[n/m] ..." progress; the
# build's own output only when it fails. Quiet when there is nothing to do.
#   ufc_build FOLDER WHAT HINT TARGET...
ufc_build() {
  local build=$1 what=$2 hint=$3
  shift 3
  local log status=0 said=0 line width
  log=$(mktemp)
  cmake --build "$build" -j2 --target "$@" >"$log" 2>&1 &
  local pid=$!
  width=$(( $(tput cols 2>/dev/null || echo 80) - 1 ))
  while kill -0 "$pid" 2>/dev/null; do
    sleep 0.2
    line=$(grep -a '^\[[1-9][0-9]*/[0-9]*\]' "$log" | tail -n 1) || true
    [ -n "$line" ] || continue
    if [ $said -eq 0 ]; then
      echo "building $what ($hint) ..." >&2
      said=1
    fi
    [ -t 2 ] && printf '\r\033[K%s' "${line:0:$width}" >&2
  done
  wait "$pid" || status=$?
  [ -t 2 ] && [ $said -eq 1 ] && printf '\r\033[K' >&2
  [ $status -eq 0 ] || cat "$log" >&2
  rm -f "$log"
  return $status
}
