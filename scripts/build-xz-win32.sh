#!/usr/bin/env bash
# Cross-builds a static, decoder-only liblzma for the 32-bit Windows launcher
# from Debian's own source package of xz-utils. The sources and the build
# stay under build/; nothing of xz is kept in the repository.
#
# Usage: scripts/build-xz-win32.sh [PREFIX [HOST]]
#   PREFIX defaults to build/xz-win32; the result is PREFIX/lib/liblzma.a
#   and PREFIX/include/lzma.h. Does nothing when they are there already.
#   HOST defaults to i686-w64-mingw32; x86_64-w64-mingw32 builds the library
#   of the 64-bit twin that the Wine suite falls back on.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
prefix="${1:-$root/build/xz-win32}"
work="$root/build/xz-src"
host="${2:-i686-w64-mingw32}"

if [ -f "$prefix/lib/liblzma.a" ] && [ -f "$prefix/include/lzma.h" ]; then
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# apt-get source needs a deb-src entry. Debian 12 keeps its sources in
# deb822 form; add a source twin of the main archive once.
ensure_deb_src() {
  if grep -rqs -e '^deb-src' -e '^Types:.*deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    return
  fi
  echo "Adding a deb-src entry for Debian's source packages" >&2
  local codename
  codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")"
  $sudo tee /etc/apt/sources.list.d/tarnwick-deb-src.sources >/dev/null <<EOF
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $codename $codename-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: $codename-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  $sudo apt-get update -qq
}

fetch_source() {
  mkdir -p "$work"
  local existing
  existing="$(find "$work" -maxdepth 1 -type d -name 'xz-utils-*' | head -n 1)"
  if [ -n "$existing" ]; then
    echo "$existing"
    return
  fi
  ensure_deb_src
  (cd "$work" && apt-get source -qq xz-utils >/dev/null 2>&1) || {
    # A stale package list is the usual cause; refresh once and retry.
    $sudo apt-get update -qq
    (cd "$work" && apt-get source -qq xz-utils >/dev/null)
  }
  find "$work" -maxdepth 1 -type d -name 'xz-utils-*' | head -n 1
}

source_dir="$(fetch_source)"
[ -n "$source_dir" ] || { echo "xz-utils source package not found" >&2; exit 1; }

echo "Cross-building liblzma (decoder only) from $(basename "$source_dir")"
build_dir="$work/build-$host"
rm -rf "$build_dir"
mkdir -p "$build_dir"
cd "$build_dir"

# -ffile-prefix-map keeps the build folder out of the library; the flags
# match the launcher's so that nothing pulls in unwinding tables.
cflags="-Os -fno-asynchronous-unwind-tables -ffunction-sections -fdata-sections -ffile-prefix-map=$source_dir=xz"

"$source_dir/configure" \
  --host="$host" \
  --prefix="$prefix" \
  --disable-shared --enable-static \
  --disable-encoders --enable-decoders=lzma1 \
  --disable-match-finders \
  --disable-threads --disable-nls \
  --disable-xz --disable-xzdec --disable-lzmadec --disable-lzmainfo \
  --disable-lzma-links --disable-scripts --disable-doc \
  CFLAGS="$cflags" >configure.log 2>&1 || {
  tail -n 30 configure.log >&2
  exit 1
}

make -j"$(nproc)" -C src/liblzma >make.log 2>&1 || { tail -n 30 make.log >&2; exit 1; }
make -C src/liblzma install >>make.log 2>&1 || { tail -n 30 make.log >&2; exit 1; }
echo "liblzma for $host: $prefix/lib/liblzma.a"
