#!/usr/bin/env bash
# Installs every Debian package the project needs. Safe to run again: it only installs
# what is missing, and skips apt entirely when everything is already present.
set -euo pipefail

packages=(
  cmake ninja-build make g++ clang libclang-rt-14-dev clang-format clang-tidy git
  libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-win32
  wine wine32:i386 wine64 xvfb xauth x11-apps x11-utils imagemagick bc
  osslsigncode openssl
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]}); run this script as root" >&2
  exit 1
fi

# 32-bit Wine needs the i386 architecture.
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
