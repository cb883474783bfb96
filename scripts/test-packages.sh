#!/usr/bin/env bash
# Tests what an operator installs. Builds both packages once with settings of
# its own (scripts/package.sh, in build/test-packages/ so that an operator's
# packages in build/ stay as they are; drives inside that tree), then:
#   - installs the Release build into a temporary DESTDIR and runs the
#     installed ndr_Carry and ndr_Requeue on a fixture drive;
#   - checks the manual pages, the desktop entry and the icons;
#   - inspects the .deb (control data, and the same files as the install);
#   - checks the zip's contents and runs its batch programs under Wine on a
#     fixture drive P:.
# Needs the tools that scripts/install-deps.sh installs. Uses NDR_WINEPREFIX
# when set (scripts/test-all.sh exports its own), else a temporary prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

relay_a=relay-a.package.test
relay_b=relay-b.package.test
builds="$root/build/test-packages"
drives="$builds/package/drives"  # compiled into the test's packages

work=$(mktemp -d /tmp/ndr-packages.XXXXXX)
own_prefix=""
cleanup() {
  if [ -n "$own_prefix" ]; then
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$own_prefix"
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "test-packages: FAILED: $*" >&2
  exit 1
}
pass() { echo "  ok: $*"; }

# ---- the fixture drive, laid and checked the same way natively and under Wine

crlf() { sed 's/$/\r/'; }

# bounce RELAY SUBJECT BODY: a returned-mail notice carrying a copy of a
# message that left through RELAY.
bounce() {
  crlf <<EOF
From: MAILER-DAEMON@mx.example.org
To: remailer@remailer.test
Subject: Undelivered Mail Returned to Sender

The message below could not be delivered.

Received: from $1 (relay [10.1.0.1])
	by mx.example.org; Sun, 6 Dec 2026 09:59:00 +0000
Message-ID: <$2@remailer.test>
Date: Sun, 6 Dec 2026 09:58:00 +0000
From: sender@remailer.test
To: someone@example.org
Subject: $2

$3
bye
EOF
}

# The head of the queue file rebuilt from bounce RELAY SUBJECT, less its
# first two lines (the queue mark and the date). The relay's folded marker
# line has gone with its continuation.
expected_q0_head() {
  crlf <<EOF

From: sender@remailer.test
To: someone@example.org
Subject: $1

EOF
}

lay_fixture() {
  local p=$1/p:
  rm -rf "$p"
  mkdir -p "$p/Pmail/Mail/_Bounces/folder.cnm" "$p/Diverido/Mail/~Bounces/Local" \
           "$p/Diverido/Mail/Mailout"
  local mailbox=$p/Pmail/Mail/_Bounces bounces=$p/Diverido/Mail/~Bounces
  echo "carried upper" | crlf >"$mailbox/UPPER.CNM"
  echo "carried taken" | crlf >"$mailbox/taken.cnm"
  : >"$mailbox/empty.cnm"
  echo "not mail" >"$mailbox/notes.txt"
  echo "already here" | crlf >"$bounces/Local/taken.cnm"
  bounce "$relay_a" first "Hello A" >"$bounces/via-a.cnm"
  bounce "$relay_b" second "Hello B" >"$bounces/via-b.cnm"
  bounce "relay-c.elsewhere.test" third "Hello C" >"$bounces/unmarked.cnm"
  : >"$bounces/empty.cnm"
}

same_text() { printf '%s' "$2" | crlf | cmp -s - "$1"; }

check_carry() {
  local p=$1/p: where=$2
  local mailbox=$p/Pmail/Mail/_Bounces local=$p/Diverido/Mail/~Bounces/Local
  [ "$(cd "$mailbox" && ls -A | sort | tr '\n' ' ')" = "empty.cnm folder.cnm notes.txt " ] \
    || fail "$where: ndr_Carry left $(ls -A "$mailbox") in the mailbox"
  same_text "$local/upper.cnm" "carried upper"$'\n' \
    || fail "$where: UPPER.CNM did not arrive as upper.cnm"
  same_text "$local/taken.cnm" "already here"$'\n' \
    || fail "$where: ndr_Carry replaced a file of the target folder"
  local col=("$local"/~col????.cnm)
  [ ${#col[@]} -eq 1 ] && same_text "${col[0]}" "carried taken"$'\n' \
    || fail "$where: taken.cnm did not arrive under one collision name"
  pass "$where: ndr_Carry moved the mailbox's bounces, lower-cased or renamed, replacing nothing"
}

check_requeue() {
  local p=$1/p: where=$2
  local bounces=$p/Diverido/Mail/~Bounces queue=$p/Diverido/Mail/Mailout
  [ "$(cd "$bounces" && ls -A | sort | tr '\n' ' ')" = "Local empty.cnm unmarked.cnm " ] \
    || fail "$where: the bounce folder holds $(ls -A "$bounces")"
  bounce "relay-c.elsewhere.test" third "Hello C" | cmp -s - "$bounces/unmarked.cnm" \
    || fail "$where: the unmarked bounce changed"
  [ "$(ls -A "$queue" | wc -l)" -eq 4 ] || fail "$where: the queue holds $(ls -A "$queue")"
  local subject body q0 q1 found
  for subject in first second; do
    found=""
    for q0 in "$queue"/~col????.q0; do
      grep -q "^Subject: $subject"$'\r$' "$q0" && found=$q0
    done
    [ -n "$found" ] || fail "$where: no queue pair for the bounce through the relay of '$subject'"
    q1=${found%.q0}.q1
    [ "$(head -n1 "$found")" = $'RELI_MAILOUT\r' ] \
      && sed -n 2p "$found" | grep -Eq $'^[0-3][0-9]/[01][0-9]/[0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-5][0-9]\r$' \
      && tail -n +3 "$found" | cmp -s - <(expected_q0_head "$subject") \
      || fail "$where: $(basename "$found") is not the rebuilt head of '$subject'"
    [ "$subject" = first ] && body="Hello A" || body="Hello B"
    same_text "$q1" "$body"$'\nbye\n' || fail "$where: $(basename "$q1") is not the body of '$subject'"
  done
  pass "$where: ndr_Requeue queued the bounces of both compiled-in relays, left the others"
}

# ---- settings are checked when configuring

echo "=== Settings: an empty relay host name is refused"
if cmake -S . -B "$work/refused" -G Ninja -DNDR_BUILD_TESTS=OFF -DNDR_BUILD_UI=OFF \
     -DNDR_RELAY_B= >"$work/refused.log" 2>&1; then
  fail "cmake accepted an empty NDR_RELAY_B"
fi
grep -q 'NDR_RELAY_B="" is refused' "$work/refused.log" || fail "no word on the empty NDR_RELAY_B"
pass "cmake stops on an empty NDR_RELAY_B"

echo "=== Building both packages (scripts/package.sh)"
bash scripts/package.sh --drives "$drives" --relay-a "$relay_a" --relay-b "$relay_b" \
  --build-dir "$builds" \
  >"$work/package.log" 2>&1 || { cat "$work/package.log"; fail "scripts/package.sh"; }
grep -E '^-- (Settings|  NDR_)' "$work/package.log"
deb=$(sed -n 's/^=== Debian package: //p' "$work/package.log")
zip=$(sed -n 's/^=== Windows zip: //p' "$work/package.log")
[ -f "$deb" ] && [ -f "$zip" ] || fail "package.sh named no packages"
pass "built $deb and $zip"

# ---- the installation

echo "=== Installing the Release build into a temporary DESTDIR"
dest=$work/destdir
DESTDIR="$dest" cmake --install "$builds/package" --prefix /usr >/dev/null
(cd "$dest" && find . -type f | sort) >"$work/installed.txt"

# Only these may be installed: nothing of the tests, samples or benchmarks.
grep -Ev '^\./usr/(bin/ndr_(Desk|Requeue|Carry)|share/applications/ndr_Desk\.desktop|share/icons/hicolor/[^/]+/apps/ndr_Desk\.(png|svg)|share/man/man1/ndr_(Desk|Requeue|Carry)\.1\.gz)$' \
  "$work/installed.txt" && fail "installed files that are no part of an installation"
for program in ndr_Desk ndr_Requeue ndr_Carry; do
  [ -x "$dest/usr/bin/$program" ] || fail "$program is not installed in bin/"
  [ -f "$dest/usr/share/man/man1/$program.1.gz" ] || fail "no manual page for $program"
done
pass "the three programs side by side in bin/, a manual page each, nothing else"

for png in "$dest"/usr/share/icons/hicolor/*x*/apps/ndr_Desk.png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  file "$png" | grep -q "PNG image data, ${size%x*} x ${size#*x}," || fail "$png is not $size"
done
for size in 16x16 32x32 48x48 256x256; do
  [ -f "$dest/usr/share/icons/hicolor/$size/apps/ndr_Desk.png" ] || fail "no $size icon"
done
grep -q '<svg' "$dest/usr/share/icons/hicolor/scalable/apps/ndr_Desk.svg" || fail "no SVG icon"
pass "icons: PNG at $(cd "$dest/usr/share/icons/hicolor" && ls -d *x* | sort -n | tr '\n' ' ')and SVG"

entry=$dest/usr/share/applications/ndr_Desk.desktop
report=$(desktop-file-validate "$entry" 2>&1) || true
[ -z "$report" ] || fail "desktop-file-validate: $report"
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
[ -x "$dest/usr/bin/$exec_program" ] || fail "the desktop entry starts $exec_program, not installed"
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -f "$dest/usr/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "the desktop entry's icon $icon is not installed"
pass "desktop entry valid; it starts the installed viewer with the installed icon"

for program in ndr_Desk ndr_Requeue ndr_Carry; do
  page=$dest/usr/share/man/man1/$program.1.gz
  warnings=$(man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man --warnings on $program: $warnings"
  lexgrog "$page" | grep -q "\"$program - " || fail "lexgrog finds no NAME line in $program.1"
  text=$(MANWIDTH=200 man -E UTF-8 -l "$page" 2>/dev/null)
  for section in NAME SYNOPSIS DESCRIPTION FILES "EXIT STATUS"; do
    grep -q "^$section" <<<"$text" || fail "$program.1 has no $section"
  done
  grep -qF "$drives" <<<"$text" || fail "$program.1 does not name the compiled-in drive folder"
done
grep -qF "$relay_a" <<<"$(zcat "$dest/usr/share/man/man1/ndr_Requeue.1.gz")" \
  || fail "ndr_Requeue.1 does not name the compiled-in relay"
pass "manual pages clean under man --warnings and lexgrog, with this build's settings"

echo "=== Running the installed batch programs on a fixture drive"
lay_fixture "$drives"
"$dest/usr/bin/ndr_Carry" 2>"$work/carry.err" || fail "installed ndr_Carry exited $?"
[ ! -s "$work/carry.err" ] || fail "installed ndr_Carry reported: $(cat "$work/carry.err")"
check_carry "$drives" "installed"
"$dest/usr/bin/ndr_Requeue" 2>"$work/requeue.err" || fail "installed ndr_Requeue exited $?"
[ ! -s "$work/requeue.err" ] || fail "installed ndr_Requeue reported: $(cat "$work/requeue.err")"
check_requeue "$drives" "installed"

# ---- the Debian package

echo "=== Inspecting $(basename "$deb")"
info=$(dpkg-deb --info "$deb")
field() { sed -n "s/^ $1: //p" <<<"$info"; }
[ "$(field Package)" = ndr-tools ] || fail "package name: $(field Package)"
depends=$(field Depends)
depends_names=$(tr ',' '\n' <<<"$depends" | awk '{ print $1 }')
for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6; do
  grep -qxF "$library" <<<"$depends_names" || fail "Depends lacks $library: $depends"
done
[ "$(field Recommends)" = xdg-utils ] || fail "Recommends: $(field Recommends)"
grep -qF "relay hosts $relay_a and $relay_b" <<<"$info" || fail "the description names no settings"
pass "control: Depends computed ($depends)"
dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort >"$work/deb.txt"
diff -u "$work/installed.txt" "$work/deb.txt" >&2 || fail "the .deb holds other files than the installation"
dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ && $6 ~ /^\.\/usr\/bin\// && ($1 != "-rwxr-xr-x" || $2 != "root/root") { bad = 1 } END { exit bad }' \
  || fail "the programs in the .deb are not root-owned executables"
pass "contents: the same $(wc -l <"$work/deb.txt") files as the installation"

# ---- the Windows zip

echo "=== Inspecting $(basename "$zip")"
top=$(basename "$zip" .zip)
unzip -Z1 "$zip" | grep -v '/$' | sort >"$work/zip.txt"
{
  echo "$top/README.txt"
  for exe in "$builds"/package-mingw/bin/*.exe; do echo "$top/$(basename "$exe")"; done
} | sort >"$work/zip-expected.txt"
diff -u "$work/zip-expected.txt" "$work/zip.txt" >&2 || fail "the zip holds other files than every program and the read-me"
grep -q "/ndr_Requeue.exe$" "$work/zip.txt" && grep -q "/ndr_Carry.exe$" "$work/zip.txt" \
  || fail "the zip lacks a batch program"
unzip -q "$zip" -d "$work/zip"
! grep -q $'[^\r]$' "$work/zip/$top/README.txt" || fail "README.txt has lines without CR LF"
grep -qF "Received: from $relay_b" "$work/zip/$top/README.txt" || fail "README.txt names no relays"
for exe in "$work/zip/$top"/*.exe; do
  imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z')
  grep -Eq '^(libstdc|libgcc|libwinpthread)' <<<"$imports" \
    && fail "$(basename "$exe") needs the mingw runtime DLLs: $imports"
done
pass "zip: $(tr '\n' ' ' <"$work/zip.txt")(static programs, CR LF read-me)"

echo "=== Running the zip's batch programs under Wine on a fixture drive P:"
if [ -z "${NDR_WINEPREFIX:-}" ]; then
  own_prefix=$(mktemp -d /tmp/ndr-wine.XXXXXX)
  export NDR_WINEPREFIX="$own_prefix"
fi
wine_drive="$builds/package-mingw/drive-p"
# shellcheck source=wine-env.sh
. scripts/wine-env.sh "$wine_drive/p:"
lay_fixture "$wine_drive"
wine "$work/zip/$top/ndr_Carry.exe" || fail "ndr_Carry.exe exited $?"
check_carry "$wine_drive" "zip under Wine"
wine "$work/zip/$top/ndr_Requeue.exe" || fail "ndr_Requeue.exe exited $?"
check_requeue "$wine_drive" "zip under Wine"

echo "All package tests passed."
