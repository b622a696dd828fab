#!/usr/bin/env bash
# Installs what the build needs (Debian/Ubuntu packages) when it is missing, then configures and builds.
# The names hold on Debian 12 and 13 and on Ubuntu 24.04; where releases differ, "a|b" names alternatives and the
# first that apt knows is taken. Liberation 2 holds the face the window's fixed layout is drawn for: package
# fonts-liberation2 until Debian 13 made that a transitional package of fonts-liberation.
# Usage: scripts/setup.sh [build-dir] [extra cmake arguments...]
# EXTRA_PACKAGES adds Debian packages; BUILD_TARGETS limits what is built.
set -euo pipefail
cd "$(dirname "$0")/.."

# Qt HTTP Server's CMake files need Qt WebSockets', which its Debian 12 package does not pull in.
packages=(cmake ninja-build ccache g++ qt6-base-dev qt6-serialport-dev qt6-httpserver-dev qt6-websockets-dev
    libyaml-cpp-dev libgtest-dev "fonts-liberation2|fonts-liberation" ${EXTRA_PACKAGES:-})
missing=()
for alternatives in "${packages[@]}"; do
    package=${alternatives%%|*}
    if [ "$package" != "$alternatives" ]; then
        IFS='|' read -ra names <<<"$alternatives"
        for name in "${names[@]}"; do
            apt-cache show "$name" >/dev/null 2>&1 && { package=$name; break; }
        done
    fi
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    # On a fresh machine the daily updates may hold apt's lock for a while: wait for it rather than fail.
    apt_get=("${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)
    # The package lists are updated only when the ones at hand do not serve (none yet, or outdated).
    if ! "${apt_get[@]}" install -y -qq "${missing[@]}" 2>/dev/null; then
        "${apt_get[@]}" update -qq
        "${apt_get[@]}" install -y -qq "${missing[@]}"
    fi
fi

build_dir=${1:-build}
shift || true
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
targets=()
for target in ${BUILD_TARGETS:-}; do targets+=(--target "$target"); done
cmake --build "$build_dir" --parallel "${targets[@]}"
