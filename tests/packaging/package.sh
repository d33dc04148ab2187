#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks what it installs
# and what it depends on. Usage: package.sh BUILD_DIR
set -euo pipefail
build="$1"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb="$(ls "$out"/*.deb)"
fail() { echo "FAIL: $*"; exit 1; }
dpkg-deb -c "$deb" > "$out/contents"
for path in ./usr/bin/verimond ./usr/share/applications/org.example.Verimond.desktop \
            ./usr/share/metainfo/org.example.Verimond.metainfo.xml \
            ./usr/share/icons/hicolor/scalable/apps/org.example.Verimond.svg; do
    grep -q " $path\$" "$out/contents" || fail "the package lacks $path"
done
for size in 16 32 48 64 128 256; do
    grep -q " ./usr/share/icons/hicolor/${size}x${size}/apps/org.example.Verimond.png\$" "$out/contents" ||
        fail "the package lacks the ${size} pixel icon"
done
depends="$(dpkg-deb -f "$deb" Depends)"
for need in libqt6widgets6 libqt6svg6 libqt6gui6 fonts-liberation; do
    [[ "$depends" == *"$need"* ]] || fail "the package does not depend on $need: $depends"
done
[ "$(dpkg-deb -f "$deb" Version)" = "1.0.0" ] || fail "wrong version"
echo "ok: $(basename "$deb") installs the program, its menu entry and icons; depends on: $depends"
