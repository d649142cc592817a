#!/usr/bin/env python3
"""Writes a deterministic five-minute recording of an ROV dive in the
decoder's replay format ("HH:MM:SS <sentence>"), once a second:

  - the vessel's GPZDA, GPGGA, GPRMC and GPVTG, drifting slowly near
    60 25' N 005 19' E;
  - its HEHDT heading, swinging slowly between 80 and 110 degrees;
  - a PSIMSSB fix of the ROV's transponder, north-oriented, on a 40 m circle
    around the vessel while it goes down from 50 to 80 m.

    tools/lag_rov_demo.py [OUTPUT]     (default tests/data/rov_demo.nmea)

The decoder reads a north-oriented PSIMSSB fix as X metres east and Y metres
north of the vessel, so the fix below is written that way: the bearing from
the vessel is then the angle round the circle, clockwise from north.
"""
import math
import os
import sys

from sjekksum import med_sum

SECONDS = 300
START = 10 * 3600 + 15 * 60           # 10:15:00 UTC
DATE = (15, 6, 2026)                  # day, month, year
RADIUS_M = 40.0
TRANSPONDER = "B33"
METRES_PER_MINUTE = 1852.0            # a minute of latitude


def latitude(minutes):
    hemi = "N" if minutes >= 0 else "S"
    m = abs(minutes)
    return "%02d%08.5f" % (m // 60, m % 60), hemi


def longitude(minutes):
    hemi = "E" if minutes >= 0 else "W"
    m = abs(minutes)
    return "%03d%08.5f" % (m // 60, m % 60), hemi


def heading_at(t):
    return 95.0 + 15.0 * math.sin(2 * math.pi * t / 240.0)


def drift_at(t):
    """Course over ground (degrees) and speed (knots) of the drifting vessel."""
    return (200.0 + 25.0 * math.sin(t / 90.0)) % 360.0, 0.4 + 0.1 * math.sin(t / 70.0)


def rov_at(t):
    """East and north offsets (m) of the ROV from the vessel, and its depth (m)."""
    angle = 2 * math.pi * t / SECONDS
    depth = 65.0 - 15.0 * math.cos(math.pi * t / (SECONDS - 1))
    return RADIUS_M * math.sin(angle), RADIUS_M * math.cos(angle), depth


def lines():
    lat = 60 * 60 + 25.1000           # 60 25.1000 N, in minutes
    lon = 5 * 60 + 19.5000            # 005 19.5000 E
    day, month, year = DATE
    for t in range(SECONDS):
        clock = START + t
        hh, mm, ss = clock // 3600, clock // 60 % 60, clock % 60
        stamp = "%02d:%02d:%02d" % (hh, mm, ss)
        utc = "%02d%02d%02d.00" % (hh, mm, ss)
        course, knots = drift_at(t)
        la, lah = latitude(lat)
        lo, loh = longitude(lon)
        east, north, depth = rov_at(t)
        sentences = [
            "$GPZDA,%s,%02d,%02d,%04d,00,00" % (utc, day, month, year),
            "$GPGGA,%s,%s,%s,%s,%s,1,12,0.7,14.2,M,45.6,M,," % (utc, la, lah, lo, loh),
            "$GPRMC,%s,A,%s,%s,%s,%s,%.1f,%.1f,%02d%02d%02d,,,A"
            % (utc, la, lah, lo, loh, knots, course, day, month, year % 100),
            "$GPVTG,%.1f,T,,M,%.1f,N,%.1f,K,A" % (course, knots, knots * 1.852),
            "$HEHDT,%.1f,T" % heading_at(t),
            "$PSIMSSB,%s,%s,A,,C,N,M,%.1f,%.1f,%.1f,,N,,"
            % (utc, TRANSPONDER, east, north, depth),
        ]
        for s in sentences:
            yield "%s %s\n" % (stamp, med_sum(s))
        # The drift over one second, in minutes of arc.
        metres = knots * 1852.0 / 3600.0
        lat += metres * math.cos(math.radians(course)) / METRES_PER_MINUTE
        lon += (metres * math.sin(math.radians(course)) / METRES_PER_MINUTE
                / math.cos(math.radians(lat / 60.0)))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        here, "..", "tests", "data", "rov_demo.nmea")
    with open(out, "w", newline="\n") as f:
        f.writelines(lines())


if __name__ == "__main__":
    main()
