#!/usr/bin/env bash
# Compiles the Windows resource file with the MinGW resource compiler and
# checks the version record, the manifest and the icon's images it holds.
# Usage: windres.sh RC_FILE INCLUDE_DIR MAJOR MINOR (the project's version)
set -euo pipefail
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
x86_64-w64-mingw32-windres --preprocessor=gcc --preprocessor-arg=-E --preprocessor-arg=-xc \
    --preprocessor-arg=-DRC_INVOKED -I "$2" -i "$1" -o "$out/verimond.res" -O res
strings -el "$out/verimond.res" > "$out/strings"
expect() {
    grep -qx -- "$1" "$out/strings" || { echo "FAIL: the version record lacks $1"; cat "$out/strings"; exit 1; }
}
major="$3"
minor="$4"
for value in 040904B0 Verimond Verimond.exe "$(printf '%d.%02d' "$major" "$minor")" ProductName InternalName OriginalFilename \
             FileVersion ProductVersion CompanyName "$("$(dirname "$0")/../../scripts/version" --maker)" LegalCopyright \
             "$(grep -m1 '^Copyright ' "$(dirname "$0")/../../LICENSE")"; do
    expect "$value"
done
# FILEVERSION MAJOR.MINOR.0.0: after the signature and the structure's version,
# the fixed part holds (MAJOR << 16 | MINOR) then 0, little-endian.
le32() { printf '%08x' "$1" | sed 's/\(..\)\(..\)\(..\)\(..\)/\4\3\2\1/'; }
fixed="bd04effe00000100$(le32 $(((major << 16) | minor)))00000000"
od -An -tx1 -v "$out/verimond.res" | tr -d ' \n' | grep -q "$fixed" ||
    { echo "FAIL: the numeric version is not $major.$minor.0.0"; exit 1; }
# The manifest Windows reads at start: no elevation, Windows 10 and 11, the
# DPI awareness Qt sets, and paths longer than 260 characters.
for entry in 'level="asInvoker"' 'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"' \
             '>PerMonitorV2</dpiAwareness>' '>true</longPathAware>'; do
    grep -qaF -- "$entry" "$out/verimond.res" || { echo "FAIL: the manifest lacks $entry"; exit 1; }
done
# The icon's images: 16 and 32 pixels in 16 colours, 48 in true colour (its
# bitmap header: 40, 48, 96, 1 plane, 32 bits) and 256 as PNG.
od -An -tx1 -v "$out/verimond.res" | tr -d ' \n' > "$out/hex"
for image in 280000001000000020000000010004 280000002000000040000000010004 \
             280000003000000060000000010020 49484452000001000000010008060000; do
    grep -q "$image" "$out/hex" || { echo "FAIL: the icon lacks the image $image"; exit 1; }
done
echo "ok: the version record, the manifest and the icon's four images"
