#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer + UBSan) and runs each one.
# Usage: scripts/fuzz.sh [seconds per target, default 10]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
targets="FuzzReplyLines FuzzReadingRules FuzzBootLoaderText"
EXTRA_PACKAGES="clang libclang-rt-dev" BUILD_TARGETS="$targets" BUILD_TYPE=RelWithDebInfo \
    scripts/setup.sh build-fuzz -DVELMORA_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DVELMORA_TESTS=ON
export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS=suppressions=$(pwd)/tests/fuzz/lsan.supp
for target in $targets; do
    seeds=tests/fuzz/corpus/$target
    found=build-fuzz/corpus/$target
    mkdir -p "$found"
    echo "== $target ($seconds s)"
    log=build-fuzz/$target.log
    if ! build-fuzz/tests/fuzz/$target -max_total_time="$seconds" -print_final_stats=1 -max_len=8192 \
        -timeout=10 -rss_limit_mb=2048 -artifact_prefix=build-fuzz/ "$found" "$seeds" >"$log" 2>&1; then
        tail -n 60 "$log"
        exit 1
    fi
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$log"
done
