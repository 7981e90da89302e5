#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine (run as root). Both MinGW-w64
# toolchains and 64-bit Wine always; 32-bit Wine (wine32:i386, with the i386 multiarch) only on
# a machine whose kernel runs 32-bit programs. Idempotent: with everything installed it only
# checks and returns in about a second, without touching the package index. Also installs the
# TypeScript compiler from the npm registry into ~/.cache/webshell/node (tools/setup-typescript.sh).
#
# The mirror may serve a broken index for hours (a security-suite list of the wrong size):
# `apt-get update` is retried a few times and then set-up goes on with the lists it has, and an
# install that cannot be resolved against those lists is retried against the stable suite.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/tools/arch.sh"

base_packages=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  cmake ninja-build python3 dpkg-dev
  wine wine64 xvfb xauth x11-apps imagemagick x11-utils fonts-wqy-microhei
  # The 7z tests make their archives with 7zz; bench/extract compares with 7zz and Info-ZIP's unzip.
  7zip unzip
  # tools/fuzz-engine builds the engine's fuzz targets natively with clang and its libFuzzer runtime.
  clang libclang-rt-14-dev
)
wine32_packages=(wine32:i386)

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }
say() { echo "setup-machine: $*" >&2; }

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

can_run_32bit=0
webshell_can_run_32bit && can_run_32bit=1

changed_sources=0
if [ "$can_run_32bit" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
  changed_sources=1
fi
# deb-src entries are needed for `apt-get source`; add them beside every deb822 "Types: deb" stanza.
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] || continue
  if grep -q '^Types: deb$' "$f"; then
    as_root sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"
    changed_sources=1
  fi
done
if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list && ! grep -q '^deb-src ' /etc/apt/sources.list; then
  grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | as_root tee -a /etc/apt/sources.list >/dev/null
  changed_sources=1
fi

mapfile -t missing_base < <(missing_of "${base_packages[@]}")
missing_wine32=()
[ "$can_run_32bit" = 1 ] && mapfile -t missing_wine32 < <(missing_of "${wine32_packages[@]}")

# A new deb-src entry needs a fresh index too: tools/deps.sh fetches sources with it. A failed
# refresh never stops set-up by itself; only what cannot be installed does.
if [ "$changed_sources" = 1 ] || [ "${#missing_base[@]}" -gt 0 ] || [ "${#missing_wine32[@]}" -gt 0 ]; then
  updated=0
  for attempt in 1 2 3; do
    if as_root apt-get update -q >&2; then updated=1; break; fi
    say "apt-get update failed (attempt $attempt of 3)"
    [ "$attempt" -lt 3 ] && sleep $((attempt * 5))
  done
  if [ "$updated" = 0 ]; then
    say "the package index could not be refreshed completely; going on with the lists there are"
  fi
fi

# Installs a group; an install that cannot be resolved is tried once more against the stable
# suite, whose amd64 and i386 versions always match. Returns non-zero when it still fails.
install_group() {
  [ $# -gt 0 ] || return 0
  say "installing $*"
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -q --no-install-recommends "$@" >&2 && return 0
  say "retrying against the stable suite (-t bookworm)"
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -q --no-install-recommends -t bookworm "$@" >&2
}

if ! install_group "${missing_base[@]}"; then
  mapfile -t still < <(missing_of "${base_packages[@]}")
  echo "setup-machine: FAILED: could not install ${still[*]} (see the apt-get messages above)" >&2
  exit 1
fi
if [ "${#missing_wine32[@]}" -gt 0 ] && ! install_group "${missing_wine32[@]}"; then
  say "could not install ${missing_wine32[*]}: 32-bit programs will not run here, the 64-bit build is tested instead"
fi
# The TypeScript compiler that checks the page author's declarations (docs/webshell.d.ts); run
# as the user who builds, since it installs into that user's cache folder.
if [ -n "${SUDO_USER:-}" ] && [ "$(id -u)" = 0 ]; then
  sudo -u "$SUDO_USER" bash "$top/tools/setup-typescript.sh" || say "the TypeScript compiler could not be set up"
else
  bash "$top/tools/setup-typescript.sh" || say "the TypeScript compiler could not be set up"
fi
say "machine ready"
