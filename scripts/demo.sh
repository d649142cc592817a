#!/usr/bin/env bash
# Installs, builds and runs the application on a recorded ROV dive: the
# recording is played to UDP port 49000 at its own pace, over and over, and
# the vehicle's position and the compass move over the test-pattern video.
# Without a display it renders ten seconds under Xvfb and writes demo.png.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
build/tools/nmea_send tests/data/rov_demo.nmea -p49000 &
sender=$!
trap 'kill $sender 2>/dev/null || true' EXIT
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  build/app/tarnvik "$@"
else
  echo "No display: rendering 10 s of the demo to demo.png"
  xvfb-run -a build/app/tarnvik --settings "$(mktemp -d)/demo.plist" --frames 250 --snapshot-to demo.png "$@"
  echo "Wrote demo.png"
fi
