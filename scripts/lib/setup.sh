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
