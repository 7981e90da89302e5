#!/usr/bin/env bash
# Sets up the machine (once), the third-party prefix of the architecture (once) and builds
# everything for that architecture. Usage: build.sh [i686|x86_64] (default: what the machine
# tests, see tools/arch.sh). The build folder is build/ for i686, the shipped build, and
# build-x86_64/ for the 64-bit one ($WEBSHELL_BUILD_DIR overrides). Prints the folder last.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/tools/arch.sh"
[ $# -gt 0 ] && WEBSHELL_ARCH=$1
webshell_choose_arch
arch=$WEBSHELL_ARCH
bash "$top/tools/setup-machine.sh" >&2
prefix=$(bash "$top/tools/deps.sh" "$arch" | tail -n 1)
build=$(webshell_build_dir "$top" "$arch")
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw-$arch.cmake" \
  -DWEBSHELL_DEPS_PREFIX="$prefix" -DWEBSHELL_WINE_TESTS="${WEBSHELL_WINE_TESTS:-ON}" >&2
cmake --build "$build" -j "$(nproc)" >&2
echo "$build"
