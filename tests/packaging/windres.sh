#!/usr/bin/env bash
# Compiles the Windows resource file with the MinGW resource compiler and
# checks the version record it holds. Usage: windres.sh RC_FILE INCLUDE_DIR
set -euo pipefail
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
x86_64-w64-mingw32-windres --preprocessor=gcc --preprocessor-arg=-E --preprocessor-arg=-xc \
    --preprocessor-arg=-DRC_INVOKED -I "$2" -i "$1" -o "$out/verimond.res" -O res
strings -el "$out/verimond.res" > "$out/strings"
expect() {
    grep -qx -- "$1" "$out/strings" || { echo "FAIL: the version record lacks $1"; cat "$out/strings"; exit 1; }
}
for value in 040904B0 Verimond Verimond.exe 1.00 ProductName InternalName OriginalFilename \
             FileVersion ProductVersion CompanyName "Verimond Project"; do
    expect "$value"
done
# FILEVERSION 1.0.0.0: the fixed part holds 0x00010000 then 0x00000000.
od -An -tx1 -v "$out/verimond.res" | tr -d ' \n' | grep -q 'bd04effe0000010000000100000000000000' ||
    { echo "FAIL: the numeric version is not 1.0.0.0"; exit 1; }
# The icon: both images of the .ico are in the resource.
[ "$(stat -c %s "$out/verimond.res")" -gt 1000 ] || { echo "FAIL: no icon"; exit 1; }
echo "ok: the version record compiles and holds every value"
