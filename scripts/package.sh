#!/usr/bin/env bash
# Builds the two packages for one installation, prints where they are and
# lists what they hold:
#   - a Debian package (Release build, preset "package"): the three programs,
#     the viewer's desktop entry and icon, a manual page for each program;
#   - a Windows zip (mingw-w64 release build, preset "package-mingw"): the
#     programs and a plain-text read-me.
# The settings are compiled in, so the operator names them here:
#   bash scripts/package.sh --relay-a HOST --relay-b HOST \
#        [--drives FOLDER] [--editor PROGRAM] [--build-dir FOLDER]
# --drives defaults to the dosdevices folder of the Wine prefix of the user
# running this script (where an operator's remailer under Wine has its
# drives); --editor defaults to xdg-open; the builds go into the folders
# package/ and package-mingw/ of --build-dir, by default build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

usage() {
  sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

drives="${WINEPREFIX:-$HOME/.wine}/dosdevices"
relay_a=""
relay_b=""
editor="xdg-open"
build_root="$root/build"
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || usage
  case $1 in
    --drives) drives=$2 ;;
    --relay-a) relay_a=$2 ;;
    --relay-b) relay_b=$2 ;;
    --editor) editor=$2 ;;
    --build-dir) build_root=$(mkdir -p "$2" && cd "$2" && pwd) ;;
    *) usage ;;
  esac
  shift 2
done
if [ -z "$relay_a" ] || [ -z "$relay_b" ]; then
  echo "package.sh: name the remailer's relays with --relay-a and --relay-b" >&2
  usage
fi

bash scripts/install-deps.sh

settings=(-DNDR_DRIVES="$drives" -DNDR_RELAY_A="$relay_a" -DNDR_RELAY_B="$relay_b"
          -DNDR_EDITOR="$editor")
jobs=$(nproc)

# make_package PRESET GLOB: configure (which prints the settings), build,
# and run CPack in the preset's build folder; prints the package's path.
make_package() {
  local preset=$1 glob=$2 dir="$build_root/$1"
  echo "=== $preset: configure" >&2
  cmake --preset "$preset" -B "$dir" "${settings[@]}" | grep -E '^-- (Settings compiled in|  NDR_)' >&2
  echo "=== $preset: build" >&2
  cmake --build "$dir" -j "$jobs" >&2
  rm -f "$dir"/$glob
  (cd "$dir" && cpack >&2)
  ls "$dir"/$glob
}

deb=$(make_package package 'ndr-tools_*.deb')
zip=$(make_package package-mingw 'ndr_tools-*-win64.zip')

echo
echo "=== Debian package: $deb"
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"
echo
echo "=== Windows zip: $zip"
unzip -l "$zip"
