#!/usr/bin/env bash
# Installs, builds, and renders the six overlay layers once into a PNG
# (default stack.png; size and time optional), under Xvfb when there is no display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build >/dev/null
out=${1:-stack.png}
shift || true
if [ -n "${DISPLAY:-}" ]; then
  build/tools/tarnvik-stack "$out" "$@"
else
  xvfb-run -a build/tools/tarnvik-stack "$out" "$@"
fi
