#!/usr/bin/env bash
# Sets up, builds (Release) and prints the tool's performance figures against their goals.
# Usage: scripts/bench.sh [idle seconds, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_TYPE=Release BUILD_TARGETS="velmora-bench velmora-sim" scripts/setup.sh build-bench
QT_QPA_PLATFORM=offscreen build-bench/benchmarks/velmora-bench "${1:-60}"
