#!/usr/bin/env bash
# Takes the README's screenshots of the real window (offscreen) against the bundled board simulator: the three
# tabs in a Line Card session (docs/linecard-*.png) and the Configuration tab in a CPE session
# (docs/cpe-configuration.png). Each session waits for the board's first poll cycle, about 12 s.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_TARGETS="velmora-shots velmora-sim" scripts/setup.sh build
source scripts/simulator.sh
trap stop_simulator EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

export QT_QPA_PLATFORM=offscreen
mkdir -p docs
start_simulator linecard
build/tools/velmora-shots/velmora-shots docs/linecard configuration status terminal
stop_simulator
start_simulator cpe
build/tools/velmora-shots/velmora-shots docs/cpe configuration
stop_simulator
ls -1 docs/linecard-*.png docs/cpe-*.png
