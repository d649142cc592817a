#!/usr/bin/env bash
# Times tolkar -fFILE against gpsdecode (gpsd-clients) and pynmea2
# (python3-nmea2) on the same generated stream, and prints lines per second
# and the ratios. Usage: bench/gjennomstromning.sh [LINES] (default 200000);
# TOLKAR=path picks another decoder binary than build/decoder/tolkar.
set -euo pipefail
cd "$(dirname "$0")/.."
linjer=${1:-200000}
SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
for p in gpsd-clients python3-nmea2; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    { $SUDO apt-get update -qq && $SUDO apt-get install -y -qq "$p"; }
done
# pynmea2 comes from Debian's package, so it takes Debian's interpreter,
# not one that may come first on PATH.
py=/usr/bin/python3; [ -x "$py" ] || py=python3
tolkar=${TOLKAR:-build/decoder/tolkar}
if [ ! -x "$tolkar" ]; then
  cmake -S . -B build -G Ninja >/dev/null
  cmake --build build --target tolkar
fi
fil=$(mktemp /tmp/tolkar-strom-XXXXXX.nmea)
trap 'rm -f "$fil"' EXIT
"$py" bench/lag_strom.py "$linjer" > "$fil"

tid() { # best of three runs, in seconds
  local best=""
  for _ in 1 2 3; do
    local s e
    s=$(date +%s.%N); "$@" > /dev/null 2>&1; e=$(date +%s.%N)
    best=$(python3 -c "b='$best'; d=$e-$s; print(d if not b else min(float(b), d))")
  done
  echo "$best"
}
t_tolkar=$(tid "$tolkar" -f"$fil")
t_gpsd=$(tid sh -c "gpsdecode < '$fil'")
t_py=$(tid "$py" bench/pynmea2_loop.py "$fil")
python3 - "$linjer" "$t_tolkar" "$t_gpsd" "$t_py" <<'PY'
import sys
n = int(sys.argv[1]); t = [float(x) for x in sys.argv[2:]]
navn = ["tolkar -fFILE", "gpsdecode < FILE", "pynmea2.parse loop"]
print("%d lines" % n)
for nv, s in zip(navn, t):
    print("%-20s %8.3f s %12.0f lines/s" % (nv, s, n / s))
print("tolkar / gpsdecode: %.1fx" % (t[1] / t[0]))
print("tolkar / pynmea2:   %.1fx" % (t[2] / t[0]))
PY
