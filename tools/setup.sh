#!/usr/bin/env bash
# Sets a Debian 12 machine up for Morvane and uses it: installs the packages from Debian (with
# sudo when not root), then
#   build: builds morvane and converts the shipped samples (each writes NAME.c beside its source);
#   test:  runs every test (tests/run_all.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

build_packages=(cmake g++ make)
test_packages=(
  "${build_packages[@]}" libgtest-dev libgmock-dev libstb-dev python3 python3-pil strace
  clang libclang-rt-14-dev
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 wine wine64 fonts-wine xvfb xauth fonts-ipafont-gothic
  gcc-arm-none-eabi libmgba-dev ninja-build
  dpkg-dev file man-db unzip
  g++-s390x-linux-gnu qemu-user)
# The Windows tests run the 32-bit program under it where it can be had, the 64-bit one otherwise.
optional_packages=(wine32:i386)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  else
    sudo "$@"
  fi
}

apt() {
  as_root env DEBIAN_FRONTEND=noninteractive apt-get "$@"
}

# A mirror caught mid-sync fails an index or two; apt keeps the lists it had for those, and the
# install goes on from them.
refresh_package_lists() {
  apt update -q && return
  sleep 10
  apt update -q && return
  echo "setup: the package lists could not all be refreshed; installing from the lists at hand" >&2
}

install_packages() {
  refresh_package_lists
  apt install -y -q "$@"
}

case "${1:-}" in
build)
  install_packages "${build_packages[@]}"
  cmake --preset default
  cmake --build --preset default
  # A line for each sample, naming it. The exit status is 0 whatever the outcome, so a failure
  # is told by its line on standard error, which fails this command.
  { failures=$(build/morvane samples/*.bmp samples/*.cgx samples/*.scr samples/*.col 2>&1 1>&3); } 3>&1
  [ -z "$failures" ] || { echo "$failures" >&2; exit 1; }
  ;;
test)
  as_root dpkg --add-architecture i386
  install_packages "${test_packages[@]}"
  for package in "${optional_packages[@]}"; do
    apt install -y -q "$package" ||
      echo "setup: $package cannot be installed; the Windows tests run the 64-bit build" >&2
  done
  bash tests/run_all.sh
  ;;
*)
  echo "usage: tools/setup.sh build|test" >&2
  exit 2
  ;;
esac
