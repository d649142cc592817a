#!/usr/bin/env bash
# Installs what building and testing Tarnvik needs (Debian 12 packages).
set -euo pipefail
SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
PACKAGES=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev python3 pkg-config
  # The application: Qt 6 Widgets and Quick, FFmpeg, and TIFF for stored images.
  qt6-base-dev libqt6opengl6-dev qt6-declarative-dev qml6-module-qtquick qml6-module-qtquick-window
  qml6-module-qtqml-workerscript qml6-module-qtquick-shapes qml6-module-qtqml qt6-image-formats-plugins
  libgl-dev libegl-dev libavcodec-dev libavformat-dev libswscale-dev libavutil-dev libavdevice-dev
  # Positions on the WGS84 ellipsoid and in projected grids (PROJ's database comes with it).
  libgeographiclib-dev libproj-dev
  # Playing DV out to a camcorder or deck on IEEE 1394.
  libiec61883-dev libraw1394-dev
  # OpenGL tests without a GPU: Xvfb with Mesa's software renderer; a locale
  # with a decimal comma made by localedef for the overlay's texts.
  xvfb xauth fonts-dejavu-core libgl1-mesa-dri locales
  # The Debian package and its checks: dependencies computed by dpkg-shlibdeps,
  # the icon drawn from its SVG, and the validators of Debian and the desktops.
  dpkg-dev file librsvg2-bin lintian desktop-file-utils appstream man-db)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
