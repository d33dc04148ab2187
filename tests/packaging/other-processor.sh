#!/usr/bin/env bash
# Builds the Qt-free entry store for 64-bit ARM with Debian's cross compiler,
# with every warning an error: once optimised, as a package is, and once
# without a build type. So each hardening flag must apply to the processor it
# is given for, and fortified functions, which need the optimiser, must be
# asked for in the first build only.
# Usage: other-processor.sh SOURCE_DIR
set -euo pipefail
source="$1"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
command -v aarch64-linux-gnu-g++ >/dev/null || { echo "FAIL: g++-aarch64-linux-gnu is not installed"; exit 1; }
for type in RelWithDebInfo ""; do
    dir="$out/build-${type:-none}"
    cmake -S "$source" -B "$dir" -DVERIMOND_STORE_ONLY=ON -DBUILD_TESTING=OFF \
        -DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR=aarch64 \
        -DCMAKE_CXX_COMPILER=aarch64-linux-gnu-g++ -DCMAKE_CXX_FLAGS=-Werror \
        -DCMAKE_BUILD_TYPE="$type" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >"$out/configure.log" 2>&1 ||
        { cat "$out/configure.log"; echo "FAIL: configuring for aarch64 (${type:-no build type})"; exit 1; }
    cmake --build "$dir" --parallel "$(nproc)" >"$out/build.log" 2>&1 ||
        { cat "$out/build.log"; echo "FAIL: building for aarch64 (${type:-no build type})"; exit 1; }
    fortified=no
    grep -q _FORTIFY_SOURCE "$dir/compile_commands.json" && fortified=yes
    [ "$fortified" = "$([ -n "$type" ] && echo yes || echo no)" ] ||
        { echo "FAIL: fortified functions asked for: $fortified (${type:-no build type})"; exit 1; }
done
echo "ok: the entry store builds for aarch64, optimised and without a build type"
