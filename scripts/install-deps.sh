#!/bin/sh
# Installs the Debian packages that building, testing and running ZrReaders
# need. Does nothing when they are all present.
set -eu

PACKAGES="
cmake
g++
make
pkg-config
libpng-dev
libjpeg62-turbo-dev
libtiff-dev
libzint-dev
libgtest-dev
libgmock-dev
libbenchmark-dev
libzxing-dev
valgrind
clang-tidy
python3
python3-dev
python3-numpy
python3-pil
python3-pytest
python3-distributed
pybind11-dev
qt6-base-dev
"
# `install-deps.sh fuzz` adds what the fuzz targets are built with.
if [ "${1:-}" = "fuzz" ]; then
    PACKAGES="$PACKAGES clang libclang-rt-14-dev"
fi

missing=""
for package in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done

if [ -z "$missing" ]; then
    exit 0
fi

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
elif command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
else
    echo "install-deps: run as root to install:$missing" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
