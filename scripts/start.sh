#!/usr/bin/env bash
# Sets up, builds and starts the tool. With --demo (a Line Card) or --demo-cpe (a CPE) the bundled board
# simulator is started on a pseudo-terminal and attached as COM1: choose "COM1" in the window.
# With --demo-rack, eight simulated boards run under velmora-rack, some of them overheating, losing their link,
# rebooting or going silent on a schedule, so that alarms come and go within two minutes.
# The simulators are stopped when the tool exits or the script is interrupted.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-}
case "$mode" in
    "") ;;
    --demo) app=linecard ;;
    --demo-cpe) app=cpe ;;
    --demo-rack) ;;
    *) echo "usage: $0 [--demo | --demo-cpe | --demo-rack]" >&2; exit 2 ;;
esac

if [ -z "$mode" ]; then
    BUILD_TARGETS=velmora-gui scripts/setup.sh build
    exec build/velmora-gui
fi
if [ "$mode" = --demo-rack ]; then
    BUILD_TARGETS="velmora-sim velmora-rack" scripts/setup.sh build
else
    BUILD_TARGETS="velmora-gui velmora-sim" scripts/setup.sh build
fi

source scripts/simulator.sh
program=
logs=
stop_all() {
    if [ -n "$program" ]; then
        kill "$program" 2>/dev/null || true
        wait "$program" 2>/dev/null || true  # the rack prints its summary
    fi
    stop_simulator
    [ -z "${logs:-}" ] || echo "The boards' console logs are in $logs"
}
trap stop_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

if [ "$mode" = --demo-rack ]; then
    # NAME APP FAULT...: the faults' times count in milliseconds from the simulator's start. Each board has a
    # network of its own (its seed): with one seed for all, boards of a kind would lose SFDs in step.
    boards=("rack01 linecard" "rack02 cpe" "rack03 cpe --fault overheat=20000+40000"
        "rack04 linecard --fault link-loss=30000+25000" "rack05 cpe --fault reboot=45000"
        "rack06 linecard --fault silence=50000+45000" "rack07 cpe" "rack08 linecard")
    arguments=()
    seed=0
    for board in "${boards[@]}"; do
        read -r name board_app faults <<<"$board"
        seed=$((seed + 1))
        # shellcheck disable=SC2086 # the faults are words
        start_simulator "$board_app" --seed "$seed" $faults
        arguments+=("$name=$VELMORA_COM1")
    done
    logs=$(mktemp -d)
    echo "Eight simulated boards; their console logs go to $logs; metrics on http://127.0.0.1:9464/metrics"
    sleep 2
    build/src/rack/velmora-rack --log-dir "$logs" --metrics 127.0.0.1:9464 "${arguments[@]}" &
    program=$!
    wait "$program"
    exit
fi

start_simulator "$app"
echo "Board simulator ($app) on $VELMORA_COM1: choose COM1 in the window."
echo "A sample program file for the download: $(pwd)/tools/velmora-sim/sample/demo.hex"
# In the background, so that a signal to this script is handled at once and stops both programs.
build/velmora-gui &
program=$!
wait "$program"
