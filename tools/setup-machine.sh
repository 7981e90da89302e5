#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine (run as root).
# Idempotent: a second run only checks and returns quickly.
set -euo pipefail

need_packages=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  cmake ninja-build python3 dpkg-dev
  wine wine32:i386 xvfb xauth x11-apps imagemagick
  x11-utils fonts-wqy-microhei
)

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${need_packages[@]}"; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

changed_sources=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
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

stamp=/var/lib/webshell-apt-updated
if [ "$changed_sources" = 1 ] || [ ! -f "$stamp" ] || [ "${#missing[@]}" -gt 0 ]; then
  as_root apt-get update -q
  as_root touch "$stamp"
fi
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup-machine: installing ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
echo "setup-machine: machine ready"
