#!/usr/bin/env bash
# Builds the line fuzzer with clang, AddressSanitizer and UBSan, and runs it
# for the given number of seconds (default 60) on the seed corpus. Findings
# go to build-fuzz/funn/. Extra arguments go to libFuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
sekunder=${1:-60}
shift || true
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DTARNVIK_FUZZ=ON -DTARNVIK_TESTS=OFF -DTARNVIK_APP=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --target linje_fuzz
mkdir -p build-fuzz/korpus build-fuzz/funn
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ./build-fuzz/fuzz/linje_fuzz -max_total_time="$sekunder" -max_len=4096 -timeout=5 \
  -artifact_prefix=build-fuzz/funn/ -print_final_stats=1 "$@" \
  build-fuzz/korpus fuzz/korpus
