#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks what it installs,
# what it depends on and how it describes itself, and that Debian's own
# checker, lintian, finds no error and no warning in it; the manual page must
# render without a warning too. Usage: package.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$1"
source="$2"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb="$(ls "$out"/*.deb)"
fail() { echo "FAIL: $*"; exit 1; }
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
for need in libqt6widgets6 libqt6gui6 fonts-liberation; do
    [[ "$depends" == *"$need"* ]] || fail "the package does not depend on $need: $depends"
done
[ "$(dpkg-deb -f "$deb" Version)" = "1.0.0" ] || fail "wrong version"
description="$(dpkg-deb -f "$deb" Description)"
expected="Diary of scripture insights, filed by keyword
 Verimond keeps the thoughts and insights that come while reading scripture,
 each filed under a keyword and a free-text date in one plain text file.
 .
 Type a keyword and click Find to read the entries filed under it again, one
 at a time; Find Next moves on to the next one."
[ "$description" = "$expected" ] || fail "the description reads: $description"

warnings="$(groff -ww -z -man "$source/packaging/linux/verimond.1" 2>&1)"
[ -z "$warnings" ] || fail "the manual page renders with warnings: $warnings"
command -v lintian >/dev/null || fail "lintian is not installed"
lintian --no-tag-display-limit "$deb" > "$out/lintian" 2>/dev/null || true
if grep -E '^[EW]: ' "$out/lintian"; then
    fail "lintian finds errors or warnings"
fi
echo "ok: $(basename "$deb") installs the program, its menu entry and icons; depends on: $depends"
