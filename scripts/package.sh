#!/usr/bin/env bash
# Builds the Debian package (build/tarnvik_VERSION_ARCH.deb) from the build in
# build/ (or the folder given) and runs lintian on it, failing on any error.
# With --check it also unpacks the package into a temporary folder, renders
# five frames from there, checks the desktop entry, metainfo and manual pages,
# and lets apt resolve its dependencies.
#
#   scripts/package.sh [--check] [BUILD_DIR]
#   sudo apt-get install ./build/tarnvik_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
if [ "${1:-}" = --check ]; then
  check=1
  shift
fi
dir=${1:-build}
scripts/build.sh "$dir"
rm -f "$dir"/tarnvik_*.deb
(cd "$dir" && cpack -G DEB >cpack.log) || { cat "$dir/cpack.log"; exit 1; }
deb=$(ls "$dir"/tarnvik_*.deb)
echo "Built $deb"
dpkg-deb --field "$deb" Package Version Depends

if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb"
  echo "lintian: no errors"
else
  echo "lintian is not installed: the package was not checked" >&2
  [ $check = 0 ] || exit 1
fi
[ $check = 1 ] || exit 0

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
[ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || { echo "package version is not $version"; exit 1; }
dpkg-deb --field "$deb" Depends | grep -q libqt6quick6 || { echo "no Qt libraries in Depends: shlibdeps did not run"; exit 1; }
for mode in files render version; do
  rc=0
  tests/packaging/installed.sh "$deb" "$mode" "$version" || rc=$?
  [ $rc = 0 ] || [ $rc = 77 ] || exit $rc
done
# Resolves the dependencies against the package lists without installing.
apt-get install --simulate --no-install-recommends "$(realpath "$deb")" >"$dir/apt-simulate.log" ||
  { cat "$dir/apt-simulate.log"; exit 1; }
echo "apt can install $deb"
