#!/usr/bin/env bash
# Installs, builds and replays the built-in recording of an ROV dive through
# the decoder, which prints one log line per decoded item.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
./build/decoder/tolkar -ftests/data/demo.nmea
