# Source this file to run Windows test programs under Wine:
#   . scripts/wine-env.sh [drive-p-folder]
# It makes a private Wine prefix (once) and maps drive P: to the given folder
# (default: build/mingw/drive-p), where the tests build their mail trees.
_ndr_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEDEBUG=-all
export WINEPREFIX="${NDR_WINEPREFIX:-$_ndr_root/build/wineprefix}"
_ndr_drive_p="${1:-$_ndr_root/build/mingw/drive-p}"
mkdir -p "$_ndr_drive_p"
if [ ! -d "$WINEPREFIX/dosdevices" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
fi
ln -sfn "$_ndr_drive_p" "$WINEPREFIX/dosdevices/p:"
# Start the Wine server once and see drive P: before tests start in parallel:
# a prefix still settling can make the first programs miss the drive.
wine cmd.exe /c "cd /d P:\\" >/dev/null 2>&1 \
  || echo "wine-env: drive P: is not visible in $WINEPREFIX" >&2
unset _ndr_root _ndr_drive_p
