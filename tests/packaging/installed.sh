#!/usr/bin/env bash
# Installs the build, or unpacks the Debian package, into a fresh folder
# outside the build and source trees and runs the installed copy from there.
#
#   installed.sh BUILD_DIR|PACKAGE.deb render          # the layers are found, five frames are written
#   installed.sh BUILD_DIR|PACKAGE.deb version VERSION # --version reports VERSION (77: not there yet)
#   installed.sh BUILD_DIR|PACKAGE.deb files VERSION   # desktop entry, metainfo and manual pages
#
# Exit 77 means skipped.
set -euo pipefail
from=$1
mode=$2
version=${3:-}
here=$(cd "$(dirname "$0")" && pwd)

if [ "$mode" != files ] && [ -z "${DISPLAY:-}" ]; then
  command -v xvfb-run >/dev/null || { echo "no display and no xvfb-run"; exit 77; }
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnvik-installed.XXXXXX")
trap 'rm -rf "$work"' EXIT
if [[ $from == *.deb ]]; then
  dpkg-deb -x "$from" "$work/root"
  prefix=$work/root/usr
else
  prefix=$work/prefix
  cmake --install "$from" --prefix "$prefix" >"$work/install.log"
fi
unset TARNVIK_COMPOSITIONS
cd "$work" # no source tree below or above the working folder

fail() { echo "FAIL: $*"; exit 1; }

# Renders five frames at 720x576 into $1, with the log in $1.log. The decoder
# listens on a port of its own so that parallel tests do not collide.
render() {
  local port=$((40000 + RANDOM % 20000))
  "$prefix/bin/tarnvik" --settings "$work/settings.plist" --frames 5 --snapshot-to "$1" -- "-u$port" \
    >"$1.log" 2>&1 || { local rc=$?; cat "$1.log"; fail "tarnvik exited with $rc"; }
}

case $mode in
render)
  for p in tarnvik tolkar nmea_send; do
    [ -x "$prefix/bin/$p" ] || fail "$p is not installed"
  done
  for f in "$prefix"/bin/*; do
    case $(basename "$f") in
      tarnvik | tolkar | nmea_send | tarnvik-render | tarnvik-ctl) ;;
      *) fail "not a user program, installed: $f" ;;
    esac
  done
  for layer in Video InfoBox Position DateTime Logo Compas; do
    [ -f "$prefix/share/tarnvik/compositions/$layer.qtz" ] || fail "$layer.qtz is not installed"
  done
  [ -f "$prefix/share/tarnvik/compositions/Logo.png" ] || fail "the default logo is not installed"
  "$prefix/bin/tolkar" -h | grep -q -- "-u%1: UDP port" || fail "tolkar -h"

  render "$work/frame.png"
  cat "$work/frame.png.log"
  ! grep -q "Cannot load composition file" "$work/frame.png.log" || fail "the installed layers were not found"
  [ -s "$work/frame.png" ] || fail "no frame written"
  size=$(od -An -tu1 -j16 -N8 "$work/frame.png" | tr -s ' ')
  [ "$size" = " 0 0 2 208 0 0 2 64" ] || fail "frame is not a 720x576 PNG: $size"

  # Without its installed layers the program must not fall back on a source
  # tree that happens to be on this machine.
  mv "$prefix/share/tarnvik/compositions" "$work/moved-away"
  render "$work/bare.png"
  grep -q "Cannot load composition file \".*/Video.qtz\"" "$work/bare.png.log" ||
    { cat "$work/bare.png.log"; fail "layers were loaded from outside the installed tree"; }
  echo "installed tarnvik renders from its own layers"
  ;;
version)
  if ! out=$("$prefix/bin/tarnvik" --version 2>&1); then
    grep -q "Unknown option" <<<"$out" || fail "tarnvik --version: $out"
    echo "tarnvik has no --version yet: $out"
    exit 77
  fi
  grep -qwF -- "$version" <<<"$out" || fail "tarnvik --version says \"$out\", the project is $version"
  echo "$out"
  ;;
files)
  skipped=0
  validate() {
    local rc=0
    "$here/validate.sh" "$@" || rc=$?
    [ $rc = 77 ] && skipped=1 || [ $rc = 0 ] || exit $rc
  }
  share=$prefix/share
  [ -f "$share/icons/hicolor/scalable/apps/tarnvik.svg" ] || fail "no SVG icon"
  size=$(od -An -tu1 -j16 -N8 "$share/icons/hicolor/256x256/apps/tarnvik.png" | tr -s ' ')
  [ "$size" = " 0 0 1 0 0 0 1 0" ] || fail "the PNG icon is not 256x256: $size"
  validate desktop "$share/applications/tarnvik.desktop"
  metainfo=("$share"/metainfo/*.metainfo.xml)
  validate metainfo "${metainfo[@]}"
  grep -qF "<release version=\"$version\"" "${metainfo[@]}" || fail "the metainfo's release is not $version"
  pages=("$share"/man/man1/{tarnvik,tolkar,nmea_send}.1.gz)
  validate man "${pages[@]}"
  for page in "${pages[@]}"; do
    zcat "$page" | grep -q "^\.TH .*\"Tarnvik $version\"" || fail "$page is not of version $version"
  done
  [ $skipped = 0 ] || { echo "a validator is not installed"; exit 77; }
  ;;
*)
  fail "unknown mode $mode"
  ;;
esac
