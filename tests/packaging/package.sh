#!/usr/bin/env bash
# Builds the Debian package twice with scripts/package, in two folders at two
# times, and checks that both are the same bytes; then what it installs, what
# it depends on and how it describes itself, that the program is hardened, and
# that Debian's own checker, lintian, finds no error, no warning and no
# hardening tag in it; the manual page must render without a warning too.
# Usage: package.sh SOURCE_DIR VERSION
set -euo pipefail
source="$1"
version="$2"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
"$source/scripts/package" "$out/build" "$out/first" >/dev/null
sleep 1
"$source/scripts/package" "$out/elsewhere/build-again" "$out/second" >/dev/null
deb="$(ls "$out"/first/*.deb)"
cmp "$deb" "$out/second/$(basename "$deb")" || fail "two builds of one commit differ"
dpkg-deb -c "$deb" > "$out/contents"
for path in ./usr/bin/verimond ./usr/share/applications/org.example.Verimond.desktop \
            ./usr/share/man/man1/verimond.1.gz ./usr/share/doc/verimond/copyright \
            ./usr/share/doc/verimond/changelog.gz \
            ./usr/share/metainfo/org.example.Verimond.metainfo.xml \
            ./usr/share/icons/hicolor/scalable/apps/org.example.Verimond.svg; do
    grep -q " $path\$" "$out/contents" || fail "the package lacks $path"
done
for size in 16 32 48 64 128 256; do
    grep -q " ./usr/share/icons/hicolor/${size}x${size}/apps/org.example.Verimond.png\$" "$out/contents" ||
        fail "the package lacks the ${size} pixel icon"
done
depends="$(dpkg-deb -f "$deb" Depends)"
[[ "$depends" != *svg* ]] || fail "the package still depends on Qt Svg: $depends"
for need in libqt6widgets6 libqt6gui6 libhunspell fonts-liberation; do
    [[ "$depends" == *"$need"* ]] || fail "the package does not depend on $need: $depends"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = "hunspell-en-us | hunspell-dictionary" ] ||
    fail "the package does not recommend a spelling dictionary"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "wrong version"
description="$(dpkg-deb -f "$deb" Description)"
expected="Diary of scripture insights, filed by keyword
 Verimond keeps the thoughts and insights that come while reading scripture,
 each filed under a keyword and a free-text date in one plain text file.
 .
 Type a keyword and click Find to read the entries filed under it again, one
 at a time; Find Next moves on to the next one."
[ "$description" = "$expected" ] || fail "the description reads: $description"

warnings="$(groff -ww -z -man "$out/build/packaging/verimond.1" 2>&1)"
[ -z "$warnings" ] || fail "the manual page renders with warnings: $warnings"
command -v lintian >/dev/null || fail "lintian is not installed"
lintian --display-info --no-tag-display-limit "$deb" > "$out/lintian" 2>/dev/null || true
if grep -E '^[EW]: |hardening' "$out/lintian"; then
    fail "lintian finds errors, warnings or missing hardening"
fi
# The hardening itself, as the program file shows it.
dpkg-deb -x "$deb" "$out/root"
program="$out/root/usr/bin/verimond"
# Each listing into a file first: grep -q stops reading early, and pipefail
# would take readelf's broken pipe for a failure.
readelf -dlhW "$program" > "$out/headers"
grep -q 'BIND_NOW' "$out/headers" || fail "the program is not bound immediately"
grep -q 'GNU_RELRO' "$out/headers" || fail "the program has no read-only relocations"
grep -q 'DYN (Position-Independent' "$out/headers" || fail "the program is not position-independent"
readelf --dyn-syms -W "$program" > "$out/symbols"
grep -q '__stack_chk_fail' "$out/symbols" || fail "the program has no stack protector"
grep -qE '__[a-z]+_chk@' "$out/symbols" || fail "the program uses no fortified functions"
echo "ok: $(basename "$deb") installs the program, its menu entry and icons; depends on: $depends"
