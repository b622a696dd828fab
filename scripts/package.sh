#!/usr/bin/env bash
# Builds the Debian package (Release, just the two programs) as dist/velmora-gui_<version>_<arch>.deb, then checks
# it: lintian must report no error or warning, desktop-file-validate and appstreamcli nothing (pedantic aside).
# Installs what it needs when missing.
# Usage: scripts/package.sh [--test]
# --test builds the tests too and runs them on this build before it is packaged (CI: one Release build serves the
# README's tests and the package, which then holds the very programs tested).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=build-package
tests=OFF
[ "${1:-}" != --test ] || tests=ON

rm -f dist/velmora-gui_*.deb
# Release for its hardening flags, at -O2 like Debian's own packages: the warning-clean level of the test builds
# (g++ 12 warns falsely at -O3, see scripts/bench.sh).
EXTRA_PACKAGES="dpkg-dev lintian desktop-file-utils appstream" BUILD_TYPE=Release \
    scripts/setup.sh "$build_dir" -DVELMORA_TESTS=$tests -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG"
if [ $tests = ON ]; then
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" --output-on-failure --timeout 120 -j 2
fi
cpack --config "$build_dir/CPackConfig.cmake" -B "$build_dir/cpack" >/dev/null
package=$(ls dist/velmora-gui_*.deb)
echo "== $package"
dpkg-deb --field "$package" Version Depends

echo "== lintian"
lintian --fail-on error,warning "$package"

# The launcher and the metainfo as the package installs them.
unpacked=$build_dir/unpacked
rm -rf "$unpacked"
dpkg-deb --extract "$package" "$unpacked"
echo "== desktop-file-validate"
# It fails on errors only; warnings and hints count too.
report=$(desktop-file-validate "$unpacked"/usr/share/applications/*.desktop 2>&1 || true)
[ -z "$report" ] || { echo "$report" >&2; exit 1; }
echo "== appstreamcli validate"
appstreamcli validate --no-net --strict "$unpacked"/usr/share/metainfo/*.metainfo.xml
echo "package: $package"
