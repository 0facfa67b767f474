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

# Wine (wine, wine32:i386) runs ZRX.dll for the 64-bit mentrenq and its
# wine.* tests. It is optional: installed only where the kernel runs 32-bit
# programs natively (Wine's 32-bit part needs that), which the i686 cross
# toolchain's own loader tells; ZRX_WINE=no leaves it out.
#
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

runs32() { [ -x /usr/i686-linux-gnu/lib/ld-linux.so.2 ] && /usr/i686-linux-gnu/lib/ld-linux.so.2 --version >/dev/null 2>&1; }

# Installs those of the packages given that are missing.
install() {
  local missing=()
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
     ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  # --no-remove: an i386 library must never take a cross compiler with it.
  $sudo apt-get install -y -qq --no-install-recommends --no-remove "${missing[@]}"
}

install "${packages[@]}"
# After the cross toolchain, whose loader tells whether 32-bit programs run.
if [ "${ZRX_WINE:-yes}" != no ] && runs32; then
  install wine wine32:i386 ||
    echo "Wine could not be installed; the wine.* tests will be reported as skipped" >&2
fi
