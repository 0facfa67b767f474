#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Usage: scripts/install-deps.sh [extra-package ...]
#
# Beside the native toolchain: the MinGW-w64 cross compiler that builds
# ZRX.dll, and the i686 cross compiler with SQLite's i386 runtime (a multiarch
# package, so the i386 architecture is added to dpkg first) for the 32-bit
# test run. GoogleTest for that run is built from the sources of the
# googletest package. qemu-user runs the 32-bit programs on machines whose
# kernel does not.
set -euo pipefail

# clang and its runtimes build the fuzz targets (libFuzzer and sanitizers).
# The command reads its options with CLI11 and writes JSON with nlohmann-json
# (both header-only); man (man-db, with groff) checks its man page; dot
# (graphviz) draws the tree as the README shows. `mentrenq serve` speaks HTTP
# through cpp-httplib (libcpp-httplib-dev, a compiled library); its tests
# check /metrics with promtool (prometheus) and the page in headless chromium.
# `mentrenq watch` draws its full screen with ncurses (libncurses-dev); its
# tests drive it in a real terminal through tmux.
packages=(cmake ninja-build g++ binutils libgtest-dev libgmock-dev googletest
          libbenchmark-dev libsqlite3-dev sqlite3 libcli11-dev nlohmann-json3-dev man-db graphviz
          g++-mingw-w64-i686 g++-i686-linux-gnu libsqlite3-0:i386 qemu-user
          clang libclang-rt-14-dev libcpp-httplib-dev pkg-config prometheus chromium libncurses-dev tmux "$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
   ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
# --no-remove: an i386 library must never take a cross compiler with it.
$sudo apt-get install -y -qq --no-install-recommends --no-remove "${missing[@]}"
