#!/usr/bin/env bash
# Sets up the machine (once), the third-party prefix (once) and builds everything into build/
# (or $WEBSHELL_BUILD_DIR).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/setup-machine.sh" >&2
prefix=$(bash "$top/tools/deps.sh" | tail -n 1)
build=${WEBSHELL_BUILD_DIR:-$top/build}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw-i686.cmake" \
  -DWEBSHELL_DEPS_PREFIX="$prefix" >&2
cmake --build "$build" -j "$(nproc)" >&2
echo "$build"
