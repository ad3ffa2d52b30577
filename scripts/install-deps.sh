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

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  # wine32 comes from the i386 architecture, which apt must know first.
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Where the kernel runs no 32-bit code, the Wine suite runs Wine's 32-bit
# loader under qemu-i386 user emulation, of a version that Debian 12 has only
# in its backports (tests/wine/wine32.sh says why).
. "$(dirname "$0")/../tests/wine/wine32.sh"
if ! can_run_32bit && ! qemu_i386 >/dev/null; then
  codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
  release=()
  if [ "$codename" = bookworm ]; then
    backports=/etc/apt/sources.list.d/bookworm-backports.sources
    if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d; then
      echo "Adding Debian's bookworm-backports for qemu-user"
      printf '%s\n' 'Types: deb' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm-backports' \
        'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' | $sudo tee "$backports" >/dev/null
    fi
    release=(-t bookworm-backports)
  fi
  echo "Installing: qemu-user ${release[*]} (this kernel runs no 32-bit code)"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${release[@]}" qemu-user >/dev/null
  if ! qemu_i386 >/dev/null; then
    echo "no qemu-i386 $QEMU_I386_LEAST_MAJOR or later: the Wine suite will run the launcher's 64-bit twin" >&2
  fi
fi
