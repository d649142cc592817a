#!/usr/bin/env bash
# Installs, builds and runs every test: once in a normal build (and its Debian
# package), once with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)
scripts/build.sh build
# The application tests draw with OpenGL: Xvfb gives them a display. Without
# -noreset the server resets whenever its last client leaves, and a test
# that connects during the reset fails to open the display.
xvfb-run -a -s "-screen 0 1920x1200x24 -noreset" ctest --test-dir build --output-on-failure -j"$jobs"
# The Debian package: lintian, its files, and five frames rendered from the
# unpacked package with no source tree to fall back on.
scripts/package.sh --check build
scripts/build.sh build-asan -DTARNVIK_SANITIZE=ON -DTARNVIK_APP=OFF -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"
# Every dispatch key keeps a fuzz seed; then a minute of the line fuzzer,
# where any finding fails the run.
python3 fuzz/lag_korpus.py --sjekk
fuzzlogg=$(mktemp)
if ! scripts/fuzz.sh 60 >"$fuzzlogg" 2>&1; then
  tail -n 80 "$fuzzlogg"
  exit 1
fi
grep -E '^(Done|stat::)' "$fuzzlogg"
rm -f "$fuzzlogg"
