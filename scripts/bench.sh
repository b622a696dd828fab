#!/usr/bin/env bash
# Sets up, builds (Release) and prints the tool's performance figures against their goals.
# Usage: scripts/bench.sh [idle seconds, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
# g++ 12 at -O3 warns falsely inside std::string and std::optional (e.g. GCC bug 105651); the warning-clean
# builds are the test builds, so the optimised one does not stop on warnings.
BUILD_TYPE=Release BUILD_TARGETS="velmora-bench velmora-sim" scripts/setup.sh build-bench -DVELMORA_WERROR=OFF
QT_QPA_PLATFORM=offscreen build-bench/benchmarks/velmora-bench "${1:-60}"
