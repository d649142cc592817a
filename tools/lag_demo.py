#!/usr/bin/env python3
"""Writes a short, deterministic recording of an ROV dive: the vessel's GPS,
heading, course and depth sentences and the positioning system's transponder
fixes, one block a second, each line prefixed with its time of day.

    tools/lag_demo.py > tests/data/demo.nmea
"""
import math
import sys

from sjekksum import med_sum


def nmea_bredde(minutter):
    h = "N" if minutter >= 0 else "S"
    m = abs(minutter)
    return "%02d%07.4f" % (m // 60, m % 60), h


def nmea_lengde(minutter):
    h = "E" if minutter >= 0 else "W"
    m = abs(minutter)
    return "%03d%07.4f" % (m // 60, m % 60), h


def main():
    ut = sys.stdout
    bredde = 60 * 60 + 25.1234      # 60 25.1234 N
    lengde = 5 * 60 + 19.5678       # 005 19.5678 E
    fart = 1.5                      # knots, while the ROV works
    kurs = 88.0
    for t in range(0, 120):
        klokka = 12 * 3600 + t
        hh, mm, ss = klokka // 3600, klokka // 60 % 60, klokka % 60
        stempel = "%02d:%02d:%02d" % (hh, mm, ss)
        utc = "%02d%02d%02d.00" % (hh, mm, ss)
        heading = kurs + 2.0 * math.sin(t / 15.0)
        b, bh = nmea_bredde(bredde)
        l, lh = nmea_lengde(lengde)
        linjer = []
        if t % 10 == 0:
            linjer.append("$GPZDA,%s,06,12,2026,00,00" % utc)
        linjer.append("$GPGGA,%s,%s,%s,%s,%s,1,10,0.8,12.3,M,45.6,M,," % (utc, b, bh, l, lh))
        linjer.append("$GPRMC,%s,A,%s,%s,%s,%s,%.1f,%.1f,061226,,,A" % (utc, b, bh, l, lh, fart, kurs))
        linjer.append("$GPVTG,%.1f,T,,M,%.1f,N,%.1f,K,A" % (kurs, fart, fart * 1.852))
        linjer.append("$HEHDT,%.1f,T" % heading)
        if t % 2 == 0:
            x = 40.0 * math.cos(t / 20.0)
            y = 25.0 + 10.0 * math.sin(t / 20.0)
            dybde = 50.0 + t * 0.25
            linjer.append("$PSIMSSB,%s,B33,A,,C,H,M,%.1f,%.1f,%.1f,,N,," % (utc, x, y, dybde))
        if t % 5 == 0:
            linjer.append("$SDDPT,%.1f,0.5" % (180.0 + 3.0 * math.sin(t / 30.0)))
            linjer.append("$YXMTW,%.1f,C" % 7.4)
        if t % 30 == 3:
            linjer.append("!AIVDM,1,1,,A,13u?etPv2;0n:dDPwUM1U1Cb069D,0")
        for s in linjer:
            ut.write("%s %s\n" % (stempel, med_sum(s)))
        if t == 61:
            # A sentence damaged on the way: its checksum no longer matches.
            ut.write("%s $HEHDT,9%.1f,T*00\n" % (stempel, heading))
        # 1.5 knots toward the course, in minutes of arc per second.
        nm = fart / 3600.0
        bredde += nm * math.cos(math.radians(kurs))
        lengde += nm * math.sin(math.radians(kurs)) / math.cos(math.radians(bredde / 60.0))


if __name__ == "__main__":
    main()
