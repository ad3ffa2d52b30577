#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need and that
# this machine lacks. Quiet when everything is there already.
set -euo pipefail

packages=(
  cmake make g++ pkg-config
  libgtest-dev liblzma-dev zlib1g-dev
)

# The Windows build and the Wine suite: the mingw-w64 cross compilers (i686
# for the launcher, x86_64 for its twin on kernels without 32-bit code),
# apt-get source (dpkg-dev) for xz-utils, Wine with its 32-bit part, a
# display, signing, and python3 for the post-link step and the icon.
packages+=(
  g++-mingw-w64-i686 g++-mingw-w64-x86-64-win32 dpkg-dev xz-utils python3
  wine wine64 wine32:i386 xvfb osslsigncode openssl
)

# The hardening run: clang with libFuzzer and the sanitizer run times.
packages+=(clang libclang-rt-14-dev)

# make bench: Google Benchmark, zlib's crc32 and the xz command as the
# references, and GNU time for peak resident memory by hand.
packages+=(libbenchmark-dev zlib1g-dev xz-utils time)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
# wine32 comes from the i386 architecture, which apt must know first.
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
