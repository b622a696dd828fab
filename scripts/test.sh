#!/usr/bin/env bash
# Sets up, builds and runs every test. With --sanitize the tests are built and run under
# AddressSanitizer and UndefinedBehaviorSanitizer in a build folder of their own.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
cmake_args=()
if [ "${1:-}" = "--sanitize" ]; then
    build_dir=build-sanitize
    cmake_args=(-DVELMORA_SANITIZE=ON)
    export BUILD_TYPE=Debug
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
scripts/setup.sh "$build_dir" "${cmake_args[@]}"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build_dir" --output-on-failure --timeout 120 -j 2
