#!/usr/bin/env bash
# Builds the Debian package as dist/velmora-gui_<version>_<arch>.deb from the build the tests use (build/, made by
# scripts/test.sh when it ran first, so CI packs the very programs it tested), then checks it: lintian must report
# no error or warning, desktop-file-validate and appstreamcli nothing (pedantic aside). Installs what it needs when
# missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=build

rm -f dist/velmora-gui_*.deb
EXTRA_PACKAGES="dpkg-dev lintian desktop-file-utils appstream" scripts/setup.sh "$build_dir"
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
# AppStream 1.0 (Debian 13) deprecates <developer_name> for a <developer> element that 0.16 (Debian 12) does not
# know: the file keeps the tag both read, and the newer validator counts that as pedantic.
appstream_args=(--no-net --strict)
case $(appstreamcli --version) in
*" 0."*) ;;
*) appstream_args+=("--override=developer-name-tag-deprecated=pedantic,developer-info-missing=pedantic") ;;
esac
appstreamcli validate "${appstream_args[@]}" "$unpacked"/usr/share/metainfo/*.metainfo.xml
echo "package: $package"
