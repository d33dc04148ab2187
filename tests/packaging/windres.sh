#!/usr/bin/env bash
# Compiles the Windows resource file with the MinGW resource compiler and
# checks the version record it holds.
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
             FileVersion ProductVersion CompanyName "Verimond Project"; do
    expect "$value"
done
# FILEVERSION MAJOR.MINOR.0.0: after the signature and the structure's version,
# the fixed part holds (MAJOR << 16 | MINOR) then 0, little-endian.
le32() { printf '%08x' "$1" | sed 's/\(..\)\(..\)\(..\)\(..\)/\4\3\2\1/'; }
fixed="bd04effe00000100$(le32 $(((major << 16) | minor)))00000000"
od -An -tx1 -v "$out/verimond.res" | tr -d ' \n' | grep -q "$fixed" ||
    { echo "FAIL: the numeric version is not $major.$minor.0.0"; exit 1; }
# The icon: both images of the .ico are in the resource.
[ "$(stat -c %s "$out/verimond.res")" -gt 1000 ] || { echo "FAIL: no icon"; exit 1; }
echo "ok: the version record compiles and holds every value"
