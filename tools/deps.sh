#!/usr/bin/env bash
# Fetches the third-party libraries named in cmake/deps.manifest as Debian source packages,
# builds them once with the cross toolchain and installs them into a prefix keyed by the
# manifest, the build recipes and the architecture. Prints the prefix on its last line. Later
# runs reuse it. Usage: deps.sh [i686|x86_64] (default: $WEBSHELL_ARCH, else i686).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cache=${WEBSHELL_CACHE:-$HOME/.cache/webshell}
arch=${1:-${WEBSHELL_ARCH:-i686}}
toolchain=$top/cmake/toolchain-mingw-$arch.cmake
[ -f "$toolchain" ] || { echo "deps: no toolchain for architecture '$arch'" >&2; exit 1; }
manifest=$top/cmake/deps.manifest
key=$(cat "$manifest" "$top/tools/deps.sh" "$toolchain" "$top/cmake/toolchain-mingw-common.cmake" \
        $(find "$top/cmake/deps" -type f | sort) | sha256sum | cut -c1-16)
prefix=$cache/deps/prefix-$arch-$key
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

src=$cache/deps/src
work=$cache/deps/build-$arch-$key
mkdir -p "$src"
exec 9>"$cache/deps/.lock"
flock 9
if [ -f "$prefix/.complete" ]; then echo "$prefix"; exit 0; fi
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix"
jobs=$(nproc)

# Fetch one source package: the manifest's version, else the suite's plain version when the
# mirror no longer carries that (security) release. Prints the unpacked folder.
fetch() {
  local pkg=$1 version=$2 suite=$3 dsc
  dsc=$(ls "$src/${pkg}_${version#*:}.dsc" 2>/dev/null || true)
  if [ -z "$dsc" ]; then
    (cd "$src" && apt-get source -qq --download-only "$pkg=$version" >&2) ||
      (cd "$src" && apt-get source -qq --download-only "$pkg/$suite" >&2) ||
      (cd "$src" && apt-get source -qq --download-only "$pkg" >&2)
    dsc=$(ls -t "$src/${pkg}_"*.dsc | head -n 1)
  fi
  local out=$work/src-$pkg
  rm -rf "$out"
  dpkg-source -q -x --skip-debianization "$dsc" "$out" >&2 2>/dev/null ||
    dpkg-source -x --skip-debianization "$dsc" "$out" >&2
  echo "$(basename "$dsc" .dsc)" >> "$prefix/versions.txt"
  echo "$out"
}

cmake_build() { # name source-dir [cmake options...]
  local name=$1 dir=$2; shift 2
  echo "deps: building $name" >&2
  cmake -S "$dir" -B "$work/build-$name" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" "$@" >"$work/$name.log" 2>&1 ||
    { tail -n 40 "$work/$name.log" >&2; exit 1; }
  cmake --build "$work/build-$name" -j "$jobs" >>"$work/$name.log" 2>&1 &&
    cmake --install "$work/build-$name" >>"$work/$name.log" 2>&1 ||
    { tail -n 40 "$work/$name.log" >&2; exit 1; }
}

while read -r name pkg version suite; do
  case "$name" in ''|'#'*) continue ;; esac
  dir=$(fetch "$pkg" "$version" "$suite")
  case "$name" in
    zlib)
      cmake_build zlib "$top/cmake/deps/zlib-minizip" -DZLIB_SOURCE_DIR="$dir" ;;
    curl)
      cmake_build curl "$dir" -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF \
        -DENABLE_MANUAL=OFF -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_USE_LIBSSH2=OFF \
        -DUSE_LIBIDN2=OFF -DUSE_NGHTTP2=OFF -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF \
        -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none -DENABLE_UNIX_SOCKETS=OFF -DCURL_DISABLE_LDAP=ON \
        -DCURL_DISABLE_LDAPS=ON -DCURL_DISABLE_DICT=ON -DCURL_DISABLE_FTP=ON -DCURL_DISABLE_GOPHER=ON \
        -DCURL_DISABLE_IMAP=ON -DCURL_DISABLE_MQTT=ON -DCURL_DISABLE_POP3=ON -DCURL_DISABLE_RTSP=ON \
        -DCURL_DISABLE_SMB=ON -DCURL_DISABLE_SMTP=ON -DCURL_DISABLE_TELNET=ON -DCURL_DISABLE_TFTP=ON ;;
    jsoncpp)
      cmake_build jsoncpp "$dir" -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF \
        -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF ;;
    duktape)
      cmake_build duktape "$top/cmake/deps/duktape" -DDUKTAPE_SOURCE_DIR="$dir" ;;
    googletest)
      cmake_build googletest "$dir" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON ;;
    7zip)
      # The 7z plug-in compiles the C decoder sources itself; keep them in the prefix.
      mkdir -p "$prefix/src/7zip"
      cp -r "$dir/C" "$prefix/src/7zip/" ;;
    *) echo "deps: unknown entry $name" >&2; exit 1 ;;
  esac
done < "$manifest"

rm -rf "$work"
touch "$prefix/.complete"
echo "$prefix"
