#!/usr/bin/env bash
# Installs the package that scripts/package.sh wrote to dist/, runs its programs from their installed paths
# (the simulator and the rack monitor when the tree has them), checks that SIGTERM closes a running window cleanly
# (exit status 0), then purges the package again, so that nothing of it stays behind. Needs root (CI runs as root)
# or sudo.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
apt_get=("${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)
package=$(ls dist/velmora-gui_*.deb)
version=$(dpkg-deb --field "$package" Version)

"${apt_get[@]}" install -y -qq "./$package" >/dev/null
gui=
# COM1..8 name paths of this check's own (none exists), so the window never opens a serial device of the machine.
ports=$(mktemp -d)
for n in $(seq 8); do export "VELMORA_COM$n=$ports/com$n"; done
remove_package() {
    [ -z "$gui" ] || kill -KILL "$gui" 2>/dev/null || true
    rm -rf "$ports"
    "${apt_get[@]}" purge -y -qq velmora-gui >/dev/null
}
trap remove_package EXIT

export QT_QPA_PLATFORM=offscreen
expect_output() {
    local expected=$1
    shift
    local actual
    actual=$("$@")
    [ "$actual" = "$expected" ] || { echo "$*: printed '$actual', expected '$expected'" >&2; exit 1; }
    echo "$*: $actual"
}
expect_output "velmora-gui $version" /usr/bin/velmora-gui --version
expect_output "velmora-flash $version" /usr/bin/velmora-flash --version
files=(/usr/share/man/man1/velmora-flash.1.gz
    /usr/share/applications/org.example.velmora_gui.desktop
    /usr/share/icons/hicolor/256x256/apps/org.example.velmora_gui.png
    /usr/share/icons/hicolor/scalable/apps/org.example.velmora_gui.svg
    /usr/share/man/man1/velmora-gui.1.gz)
# The package holds the simulator when the tree has it (packaging/CMakeLists.txt).
if [ -d tools/velmora-sim ]; then
    expect_output "velmora-sim $version" /usr/bin/velmora-sim --version
    /usr/bin/velmora-sim --help | grep -q '^Usage: velmora-sim' || { echo "velmora-sim --help: no usage" >&2; exit 1; }
    echo "/usr/bin/velmora-sim --help: usage shown"
    files+=(/usr/share/man/man1/velmora-sim.1.gz /usr/share/doc/velmora-gui/examples/demo.hex)
fi
# The rack monitor, its service and its examples (built on Unix).
if [ -d src/rack ]; then
    expect_output "velmora-rack $version" /usr/bin/velmora-rack --version
    status=0
    /usr/bin/velmora-rack 2>/dev/null || status=$?
    [ "$status" -eq 2 ] || { echo "velmora-rack without boards: exit status $status, expected 2" >&2; exit 1; }
    echo "/usr/bin/velmora-rack without boards: exit status 2"
    /usr/bin/velmora-rack --help | grep -q '^Usage: .*velmora-rack \[options\] NAME=PORT' ||
        { echo "velmora-rack --help: no usage" >&2; exit 1; }
    echo "/usr/bin/velmora-rack --help: usage shown"
    files+=(/usr/share/man/man1/velmora-rack.1.gz /usr/lib/systemd/system/velmora-rack.service
        /usr/share/doc/velmora-gui/examples/rack.yaml /usr/share/doc/velmora-gui/examples/velmora-rack.logrotate)
    if command -v systemd-analyze >/dev/null; then
        systemd-analyze verify --man=no /usr/lib/systemd/system/velmora-rack.service
        echo "velmora-rack.service: verified"
    fi
fi
for file in "${files[@]}"; do
    [ -f "$file" ] || { echo "not installed: $file" >&2; exit 1; }
done

/usr/bin/velmora-gui &
gui=$!
# The window is up once its stop handler is in place (SIGTERM, signal 15, among the caught signals of
# /proc/PID/status): a SIGTERM before that would end it the default way.
handles_sigterm() {
    local mask
    mask=$(sed -n 's/^SigCgt:\t//p' "/proc/$gui/status" 2>/dev/null) && [ -n "$mask" ] && (( 0x$mask & (1 << 14) ))
}
for _ in $(seq 300); do
    handles_sigterm && break
    kill -0 "$gui" 2>/dev/null || { echo "velmora-gui ended before its window was up" >&2; exit 1; }
    sleep 0.1
done
handles_sigterm || { echo "velmora-gui: no SIGTERM handler within 30 s of its start" >&2; exit 1; }
kill -TERM "$gui"
for _ in $(seq 50); do
    kill -0 "$gui" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$gui" 2>/dev/null && { echo "velmora-gui still running 5 s after SIGTERM" >&2; exit 1; }
status=0
wait "$gui" || status=$?
gui=
[ "$status" -eq 0 ] || { echo "velmora-gui ended with exit status $status on SIGTERM" >&2; exit 1; }
echo "velmora-gui: window up, ended with exit status 0 on SIGTERM"
echo "package check: passed"
