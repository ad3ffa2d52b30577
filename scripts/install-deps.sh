#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need and that
# this machine lacks. Quiet when everything is there already.
set -euo pipefail

packages=(
  cmake make g++ pkg-config
  libgtest-dev liblzma-dev zlib1g-dev
)

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
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
