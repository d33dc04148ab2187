#!/usr/bin/env bash
# Installs the Windows installer under Wine as a user would, without
# administrator rights, and checks what the user meets: the program in
# %LocalAppData%\Programs\Verimond, the Start-menu shortcut, the entry in
# Apps & Features, a diary in Documents when Verimond is started the way the
# shortcut starts it; then uninstalls it and checks that everything but the
# diaries is gone. An installer of the same version built again replaces the
# installed one instead of adding a second Verimond to Apps & Features.
# Runs inside scripts/test-windows' Wine prefix and display.
# Usage: msi.sh Verimond-<version>-windows-x64.msi REBUILT.msi
set -euo pipefail
msi="$(realpath "$1")"
rebuilt="$(realpath "$2")"
scripts="$(dirname "$0")/../../scripts"
version="$("$scripts/version")"
maker="$("$scripts/version" --maker)"
fail() { echo "FAIL: $*" >&2; exit 1; }
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-};winemenubuilder.exe=d"
# A server and Wine's services started now, away from the pipes of the
# command substitutions below, which would otherwise wait for them to end.
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1
folder() { winepath -u "$(wine cmd /c echo "%$1%" </dev/null 2>/dev/null | tr -d '\r')"; }
programs="$(folder LOCALAPPDATA)/Programs/Verimond"
menu="$(folder APPDATA)/Microsoft/Windows/Start Menu/Programs"
docs="$(folder USERPROFILE)/Documents"
arp() {
    for root in HKCU HKLM; do
        # Wine keeps a per-user product's entry with the machine's.
        wine reg query "$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s \
            </dev/null 2>/dev/null || true
    done | tr -d '\r' >"$work/arp"
}

# Wine's Documents is a link to the home folder, which may hold a real diary:
# this test gets a Documents folder of its own for as long as it runs.
work="$(mktemp -d)"
mv "$docs" "$work/documents-link"
mkdir "$docs"
cleanup() {
    for installer in "$msi" "$rebuilt"; do
        wine msiexec /x "$installer" /qn </dev/null >/dev/null 2>&1 || true
    done
    rm -rf "$docs" "$programs"
    mv "$work/documents-link" "$docs"
    rm -rf "$work"
}
trap cleanup EXIT

echo "== install"
wine msiexec /i "$msi" /qn </dev/null >"$work/install.log" 2>&1 || fail "msiexec /i: $(cat "$work/install.log")"
for file in Verimond.exe README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
    [ -f "$programs/$file" ] || fail "$file is not in $programs"
done
link="$menu/Verimond.lnk"
[ -f "$link" ] || fail "no Start-menu shortcut Verimond"
{ strings -a "$link"; strings -a -el "$link"; } >"$work/link"
grep -qi '^C:.*\\AppData\\Local\\Programs\\Verimond\\Verimond.exe$' "$work/link" ||
    fail "the shortcut's target: $(cat "$work/link")"
grep -qi '\\Documents\\\?$' "$work/link" || fail "the shortcut's working folder: $(cat "$work/link")"
arp
for value in "DisplayName    REG_SZ    Verimond" "DisplayVersion    REG_SZ    $version" \
             "Publisher    REG_SZ    $maker"; do
    grep -qF "$value" "$work/arp" || fail "Apps & Features lacks $value"
done
# Wine may list a per-user product under both roots: what counts is that a
# rebuilt installer adds none.
entries="$(grep -c "DisplayName    REG_SZ    Verimond$" "$work/arp")"
echo "ok: installed for the user, with its shortcut and its entry in Apps & Features"

echo "== started from the Start menu"
wine start /unix "$link" </dev/null >"$work/start.log" 2>&1
win="$(timeout 60 xdotool search --sync --onlyvisible --name '^Verimond$' | head -n1)" ||
    fail "Verimond did not start from its shortcut"
sleep 0.5
xdotool windowfocus --sync "$win"
xdotool type --delay 30 "menu"
xdotool key Tab Tab Tab space # the keyword box, then past the entry and date boxes to Save
for _ in $(seq 300); do [ -s "$docs/verimond.dat" ] && break; sleep 0.1; done
[ "$(cat "$docs/verimond.dat" 2>/dev/null)" = "$(printf 'menu\r\n\r\n\r\n**EOE**\r')" ] ||
    fail "no diary in Documents: $(ls -la "$docs")"
xdotool key Tab Tab Tab space # Find, Find Next, Done
for _ in $(seq 300); do xdotool search --name '^Verimond$' >/dev/null || break; sleep 0.1; done
echo "ok: the diary is in Documents"

echo "== the same version built again"
code() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'; }
[ "$(code "$msi")" != "$(code "$rebuilt")" ] || fail "the rebuilt installer has the same product code"
for installer in "$rebuilt" "$rebuilt"; do
    wine msiexec /i "$installer" /qn </dev/null >"$work/install.log" 2>&1 ||
        fail "msiexec /i: $(cat "$work/install.log")"
done
arp
[ "$(grep -c "DisplayName    REG_SZ    Verimond$" "$work/arp")" = "$entries" ] ||
    fail "Apps & Features lists Verimond twice: $(grep -B2 -A8 "REG_SZ    Verimond$" "$work/arp")"
[ -f "$programs/Verimond.exe" ] || fail "Verimond.exe is gone after the rebuilt installer"
echo "ok: the rebuilt installer replaced the installed one, and installing it twice kept one entry"

echo "== uninstall"
# A diary made by starting the program from its own folder stays as well.
printf 'kept\r\n\r\n\r\n**EOE**\r\n' >"$programs/verimond.dat"
wine msiexec /x "$rebuilt" /qn </dev/null >"$work/uninstall.log" 2>&1 || fail "msiexec /x: $(cat "$work/uninstall.log")"
[ "$(ls "$programs")" = verimond.dat ] || fail "left in $programs: $(ls "$programs")"
[ ! -e "$link" ] || fail "the shortcut is still there"
[ -s "$docs/verimond.dat" ] || fail "the diary in Documents is gone"
arp
! grep -q "REG_SZ    Verimond$" "$work/arp" || fail "still in Apps & Features"
echo "ok: uninstalled; both diaries are kept"
