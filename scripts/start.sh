#!/usr/bin/env bash
# Sets up, builds and starts the tool. With --demo (a Line Card) or --demo-cpe (a CPE) the bundled board
# simulator is started on a pseudo-terminal and attached as COM1: choose "COM1" in the window.
# The simulator is stopped when the tool exits or the script is interrupted.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-}
case "$mode" in
    "") ;;
    --demo) app=linecard ;;
    --demo-cpe) app=cpe ;;
    *) echo "usage: $0 [--demo | --demo-cpe]" >&2; exit 2 ;;
esac

if [ -z "$mode" ]; then
    BUILD_TARGETS=velmora-gui scripts/setup.sh build
    exec build/velmora-gui
fi
BUILD_TARGETS="velmora-gui velmora-sim" scripts/setup.sh build

path_file=$(mktemp)
sim=
gui=
stop_all() {
    [ -z "$gui" ] || kill "$gui" 2>/dev/null || true
    [ -z "$sim" ] || kill "$sim" 2>/dev/null || true
    rm -f "$path_file" "$path_file.tmp"
}
trap stop_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# The simulator writes its terminal's path to the file (by rename, so it is never read half-written).
build/tools/velmora-sim/velmora-sim --app "$app" --path-file "$path_file" >/dev/null &
sim=$!
for _ in $(seq 200); do
    [ -s "$path_file" ] && break
    kill -0 "$sim" 2>/dev/null || { echo "The board simulator did not start." >&2; exit 1; }
    sleep 0.05
done
[ -s "$path_file" ] || { echo "The board simulator named no terminal within 10 s." >&2; exit 1; }

VELMORA_COM1=$(head -n 1 "$path_file")
export VELMORA_COM1
echo "Board simulator ($app) on $VELMORA_COM1: choose COM1 in the window."
echo "A sample program file for the download: $(pwd)/tools/velmora-sim/sample/demo.hex"
# In the background, so that a signal to this script is handled at once and stops both programs.
build/velmora-gui &
gui=$!
wait "$gui"
