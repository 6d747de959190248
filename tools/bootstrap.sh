#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine.
# Idempotent and non-interactive: a second run finds everything in place and
# only checks. Needs root (apt-get, dpkg, locale-gen).
set -euo pipefail

export DEBIAN_FRONTEND=noninteractive

need_root() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "bootstrap: run as root (it installs Debian packages)" >&2
    exit 1
  fi
}

packages=(
  # cross compiler for the engine, native toolchain for the portable code and tools
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  cmake ninja-build g++ clang libclang-rt-14-dev googletest
  # the test platform
  wine wine32 wine64 xvfb x11-utils
  locales fonts-ipafont-gothic fonts-ipafont-mincho fonts-wine
  imagemagick
  # the builder's manifest reader and command line, and signing
  libtomlplusplus-dev libcli11-dev osslsigncode openssl
  # its Debian package (cpack -G DEB finds its dependencies with dpkg-shlibdeps)
  dpkg-dev file
  # the benchmarks' peak memory
  time
)

missing() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

need_root
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  rm -f /var/lib/apt/lists/lock.stamp
fi

todo=$(missing)
if [ -n "$todo" ]; then
  apt-get update -q
  # shellcheck disable=SC2086
  apt-get install -y -q --no-install-recommends $todo
fi

if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen ja_JP.UTF-8 >/dev/null
fi

# An ordinary user for the Wine tests (tools/test.sh runs them as it).
if ! id -u setuptest >/dev/null 2>&1; then
  useradd --create-home --shell /bin/bash setuptest
fi

echo "bootstrap: all prerequisites present"
