#!/usr/bin/env bash
# Runs clang-tidy (checks in .clang-tidy) and cppcheck over the tool (src/) and the board simulator
# (tools/velmora-sim/); exits non-zero on any finding of either. Installs clang-tidy and cppcheck when missing.
# Usage: scripts/lint.sh [parallel jobs, default: the number of processors]
# A finding is fixed, or silenced on its line with NOLINT(check) / cppcheck-suppress plus the reason, or,
# for cppcheck findings that cannot be marked in place, listed with its reason in scripts/cppcheck-suppressions.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${1:-$(nproc)}
build_dir=build-lint

# Installs what is missing, writes the compile database and runs moc for the two libraries, so that a source
# including its moc file finds it.
EXTRA_PACKAGES="clang-tidy cppcheck" BUILD_TYPE=Debug BUILD_TARGETS="velmora_core_autogen velmora_sim_core_autogen" \
    scripts/setup.sh "$build_dir" >/dev/null

# The Debian package installs a versioned binary and, depending on the release, the plain name too.
clang_tidy=$(command -v clang-tidy || true)
run_clang_tidy=$(command -v run-clang-tidy || true)
for version in 19 18 17 16 15 14; do
    [ -n "$clang_tidy" ] || clang_tidy=$(command -v "clang-tidy-$version" || true)
    [ -n "$run_clang_tidy" ] || run_clang_tidy=$(command -v "run-clang-tidy-$version" || true)
done
[ -n "$clang_tidy" ] || { echo "lint: clang-tidy not found" >&2; exit 2; }

mapfile -t sources < <(find src tools/velmora-sim -name '*.cpp' | sort)
failed=0

echo "== clang-tidy ($($clang_tidy --version | sed -n 's/.*version \([0-9.]*\).*/\1/p'), ${#sources[@]} files, $jobs jobs)"
tidy_log=$build_dir/clang-tidy.log
start=$(date +%s)
if [ -n "$run_clang_tidy" ]; then
    # The file argument is a regular expression over the database's absolute paths: only our own sources,
    # neither moc's output in the build folder nor the tests.
    "$run_clang_tidy" -clang-tidy-binary "$clang_tidy" -p "$build_dir" -j "$jobs" -quiet \
        "^$root/(src/.*|tools/velmora-sim/[^/]*)\.cpp\$" >"$tidy_log" 2>&1 || failed=1
else
    printf '%s\n' "${sources[@]}" |
        xargs -P "$jobs" -n 4 "$clang_tidy" -p "$build_dir" --quiet >"$tidy_log" 2>&1 || failed=1
fi
# Every finding is an error (WarningsAsErrors in .clang-tidy); print them without the invocation noise.
if grep -qE '(warning|error): ' "$tidy_log"; then
    failed=1
    sed 's/\x1b\[[0-9;]*m//g' "$tidy_log" | grep -E -A3 '(warning|error): ' || true
fi
echo "   $(($(date +%s) - start)) s"

echo "== cppcheck ($(cppcheck --version | sed 's/Cppcheck //'))"
# cppcheck reads the same database, cut down to our own sources.
filtered=$build_dir/compile_commands.lint.json
python3 - "$build_dir/compile_commands.json" "$filtered" "$root" <<'EOF'
import json, re, sys
source, target, root = sys.argv[1:]
ours = re.compile(re.escape(root) + r"/(src/.*|tools/velmora-sim/[^/]*)\.cpp$")
entries = [e for e in json.load(open(source)) if ours.match(e["file"])]
json.dump(entries, open(target, "w"), indent=1)
EOF
start=$(date +%s)
mkdir -p "$build_dir/cppcheck"
cppcheck --enable=warning,performance,portability --inline-suppr --library=qt --std=c++20 \
    --suppressions-list=scripts/cppcheck-suppressions.txt --error-exitcode=1 \
    --project="$filtered" --cppcheck-build-dir="$build_dir/cppcheck" -j "$jobs" --quiet \
    --template='{file}:{line}: {severity}: {message} [{id}]' || failed=1
echo "   $(($(date +%s) - start)) s"

if [ "$failed" -ne 0 ]; then
    echo "lint: findings above (clang-tidy log: $tidy_log)" >&2
    exit 1
fi
echo "lint: no findings"
