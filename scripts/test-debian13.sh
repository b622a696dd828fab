#!/usr/bin/env bash
# Runs the tests and the package check once more on Debian 13 (trixie: Qt 6.8, g++ 14), in a Debian root made by
# debootstrap: inside it scripts/test.sh installs what scripts/setup.sh names, builds (warnings are errors) and runs
# every test, then scripts/package.sh packs that build and scripts/package-check.sh installs, runs and removes the
# package. Needs root (CI runs as root); run again through sudo otherwise.
# Usage: scripts/test-debian13.sh [command...]   a command runs in the clone inside the root instead of the pass,
#        e.g. scripts/test-debian13.sh ctest --test-dir build -R PortLoss --output-on-failure
#
# Kept between runs in $VELMORA_DEBIAN13_CACHE (default /var/cache/velmora/debian13), outside the clone:
#   root/    the Debian 13 root with the packages installed, so a second run downloads nothing
#   ccache/  the compiler cache of its builds
# Delete that folder to start from a fresh Debian 13. The clone is seen inside the root as /velmora, with
# build-debian13/build and build-debian13/dist of the clone in place of its build/ and dist/, so the two systems'
# builds and packages never mix (the Debian 13 package ends up in build-debian13/dist/).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
    exec sudo --preserve-env=VELMORA_DEBIAN13_CACHE,DEBIAN_MIRROR,CI "$(pwd)/scripts/test-debian13.sh" "$@"
fi
cache=${VELMORA_DEBIAN13_CACHE:-/var/cache/velmora/debian13}
root=$cache/root
mirror=${DEBIAN_MIRROR:-}  # empty: debootstrap's own default mirror
clone=$(pwd)

# Runs in a mount namespace of its own (below): the mounts are seen by nothing else and vanish with it, even when
# the run is killed; the trap unmounts them in order on the way out all the same.
if [ "${1:-}" = "--inside" ]; then
    # Only for the call below: unshare became this process, so its parent is still in the mount namespace it left.
    own=$(readlink /proc/self/ns/mnt) && parent=$(readlink "/proc/$PPID/ns/mnt") && [ "$own" != "$parent" ] ||
        { echo "--inside: not in a mount namespace of its own" >&2; exit 2; }
    mounted=()
    unmount_all() {
        local i
        for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
            umount "${mounted[i]}" 2>/dev/null || umount --lazy "${mounted[i]}"
        done
    }
    trap unmount_all EXIT
    attach() { # attach TARGET MOUNT-ARGUMENTS...: never recursive, so nothing below the host's folders comes along
        local target=$1
        shift
        mount "$@" "$target"
        mounted+=("$target")
    }
    # build/ and dist/ of the clone are only mount points here: they may not exist yet.
    mkdir -p "$root/velmora" "$root/ccache" "$cache/ccache" build dist build-debian13/build build-debian13/dist
    attach "$root/proc" -t proc proc
    attach "$root/sys" -t sysfs sysfs
    attach "$root/dev" --bind /dev
    attach "$root/dev/pts" --bind /dev/pts
    attach "$root/dev/shm" -t tmpfs tmpfs
    attach "$root/tmp" -t tmpfs tmpfs
    attach "$root/ccache" --bind "$cache/ccache"
    attach "$root/velmora" --bind "$clone"
    attach "$root/velmora/build" --bind "$clone/build-debian13/build"
    attach "$root/velmora/dist" --bind "$clone/build-debian13/dist"
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    status=0
    chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 CI="${CI:-}" \
        CCACHE_DIR=/ccache CCACHE_MAXSIZE=2G QT_QPA_PLATFORM=offscreen bash -euo pipefail -c '
            cd /velmora
            dpkg --configure -a  # finishes an installation an earlier run was stopped in
            [ $# -eq 0 ] || exec "$@"
            for step in scripts/test.sh scripts/package.sh scripts/package-check.sh; do
                echo "== Debian 13: $step (at $SECONDS s)"
                "$step" </dev/null
            done
            echo "== Debian 13: passed in $SECONDS s"
            ccache --show-stats | grep -E "Hits|Misses" || true' pass "${@:2}" || status=$?
    exit "$status"
fi

# The root is made in a folder of its own and takes its place only when complete, so an interrupted run leaves
# nothing that a later one would take for finished.
make_root() {
    if ! command -v debootstrap >/dev/null; then
        local apt_get=(env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)
        "${apt_get[@]}" install -y -qq debootstrap debian-archive-keyring ||
            { "${apt_get[@]}" update -qq && "${apt_get[@]}" install -y -qq debootstrap debian-archive-keyring; }
    fi
    local partial=$cache/root.partial
    # debootstrap mounts /proc and more in its target: it runs in its own mount namespace, so none outlives it,
    # and removal never leaves the root's file system.
    rm -rf --one-file-system "$partial"
    echo "== making a Debian 13 root in $root"
    unshare --mount --propagation private nice debootstrap --variant=minbase trixie "$partial" ${mirror:+"$mirror"} \
        >"$cache/debootstrap.log" 2>&1 || { tail -n 30 "$cache/debootstrap.log" >&2; exit 1; }
    # No service starts inside the root when a package is installed.
    printf '#!/bin/sh\nexit 101\n' >"$partial/usr/sbin/policy-rc.d"
    chmod +x "$partial/usr/sbin/policy-rc.d"
    mv "$partial" "$root"
}

mkdir -p "$cache"
# One run at a time per cache: runs side by side would share the root's package database and installed package.
exec 9>"$cache/lock"
flock 9
[ -d "$root" ] || make_root
echo "== Debian $(cat "$root/etc/debian_version") in $root"
exec unshare --mount --propagation private nice "$clone/scripts/test-debian13.sh" --inside "$@"
