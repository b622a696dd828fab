#!/usr/bin/env bash
# Sets up, builds (Release) and prints the tool's performance figures against their goals.
# Usage: scripts/bench.sh [idle seconds, default 60 [part: receive|download|flash|idle|linerate|lag|rack|startup
#                         [seconds per line-rate stream, default 20; of the status lag or the rack, default 600]]]
# With cutecom installed, each line-rate stream also runs through CuteCom, a general-purpose serial terminal,
# on an X server of its own, and the tool's figure is compared with its figure from the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
# g++ 12 at -O3 warns falsely inside std::string and std::optional (e.g. GCC bug 105651); the warning-clean
# builds are the test builds, so the optimised one does not stop on warnings.
EXTRA_PACKAGES="xvfb xauth xdotool ${EXTRA_PACKAGES:-}" BUILD_TYPE=Release \
    BUILD_TARGETS="velmora-bench velmora-sim velmora-flash velmora-rack" \
    scripts/setup.sh build-bench -DVELMORA_WERROR=OFF
bench=build-bench/benchmarks/velmora-bench
QT_QPA_PLATFORM=offscreen xvfb-run -a "$bench" "${1:-60}" "${2:-}" "${3:-}"
# The terminal view once more on an X server, where painting costs what it costs on a desktop.
if [ -z "${2:-}" ] || [ "$2" = linerate ]; then
    QT_QPA_PLATFORM=xcb xvfb-run -a "$bench" 0 linerate "${3:-20}"
fi
