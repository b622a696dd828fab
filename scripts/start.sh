#!/usr/bin/env bash
# Sets up, builds and starts the tool. With --demo (a Line Card) or --demo-cpe (a CPE) the bundled board
# simulator is started on a pseudo-terminal and attached as COM1: choose "COM1" in the window.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh build
mode=${1:-}
if [ -z "$mode" ]; then
    exec build/velmora-gui
fi
case "$mode" in
    --demo) app=linecard ;;
    --demo-cpe) app=cpe ;;
    *) echo "usage: $0 [--demo | --demo-cpe]" >&2; exit 2 ;;
esac
path_file=$(mktemp)
build/tools/velmora-sim/velmora-sim --app "$app" --path-file "$path_file" >/dev/null &
sim=$!
trap 'kill $sim 2>/dev/null; rm -f "$path_file"' EXIT
for _ in $(seq 100); do
    [ -s "$path_file" ] && break
    sleep 0.05
done
export VELMORA_COM1=$(head -n 1 "$path_file")
echo "Board simulator ($app) on $VELMORA_COM1: choose COM1 in the window."
echo "A sample program file for the download: $(pwd)/tools/velmora-sim/sample/demo.hex"
build/velmora-gui
