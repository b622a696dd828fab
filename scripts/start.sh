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

source scripts/simulator.sh
gui=
stop_all() {
    [ -z "$gui" ] || kill "$gui" 2>/dev/null || true
    stop_simulator
}
trap stop_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

start_simulator "$app"
echo "Board simulator ($app) on $VELMORA_COM1: choose COM1 in the window."
echo "A sample program file for the download: $(pwd)/tools/velmora-sim/sample/demo.hex"
# In the background, so that a signal to this script is handled at once and stops both programs.
build/velmora-gui &
gui=$!
wait "$gui"
