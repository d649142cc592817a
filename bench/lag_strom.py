#!/usr/bin/env python3
"""Writes a deterministic, realistic mixed NMEA stream for the throughput
benchmark: GGA, RMC, VTG, HDT, ZDA, DPT, DBT, MTW, PSIMSSB and AIS sentences
of a vessel under way, with about one sentence in a hundred damaged.

    bench/lag_strom.py LINES > stream.nmea
"""
import math
import os
import random
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tools"))
from sjekksum import med_sum  # noqa: E402

AIS = [
    "!AIVDM,1,1,,A,13u?etPv2;0n:dDPwUM1U1Cb069D,0",
    "!AIVDM,1,1,,B,15M67FC000G?ufbE`FepT@3n00Sa,0",
    "!AIVDM,1,1,,A,33aEOK?P00PD2wVMdLDRhgvL289?,0",
    "!AIVDO,1,1,,A,13aEOK?P00PD2wVMdLDRhgvL289?,0",
]


def pos(minutter, bredde):
    h = ("N" if minutter >= 0 else "S") if bredde else ("E" if minutter >= 0 else "W")
    m = abs(minutter)
    return ("%02d%07.4f" if bredde else "%03d%07.4f") % (m // 60, m % 60), h


def main():
    antall = int(sys.argv[1]) if len(sys.argv) > 1 else 200000
    rnd = random.Random(1852)
    bredde, lengde, kurs, fart = 3625.0, 319.5, 45.0, 8.0
    t = 0
    skrevet = 0
    ut = []
    while skrevet < antall:
        hh, mm, ss = (t // 3600) % 24, (t // 60) % 60, t % 60
        utc = "%02d%02d%02d.00" % (hh, mm, ss)
        b, bh = pos(bredde, True)
        l, lh = pos(lengde, False)
        kurs = (kurs + rnd.uniform(-0.5, 0.5)) % 360
        blokk = [
            "$GPGGA,%s,%s,%s,%s,%s,1,09,0.9,10.2,M,44.1,M,," % (utc, b, bh, l, lh),
            "$GPRMC,%s,A,%s,%s,%s,%s,%.1f,%.1f,061226,,,A" % (utc, b, bh, l, lh, fart, kurs),
            "$GPVTG,%.1f,T,,M,%.1f,N,%.1f,K,A" % (kurs, fart, fart * 1.852),
            "$HEHDT,%.1f,T" % ((kurs + rnd.uniform(-2, 2)) % 360),
            "$HEHDT,%.1f,T" % ((kurs + rnd.uniform(-2, 2)) % 360),
            "$SDDPT,%.1f,0.5" % (120 + rnd.uniform(-5, 5)),
            "$SDDBT,%.1f,f,%.1f,M,%.1f,F" % (390.0, 118.9, 65.0),
            "$PSIMSSB,%s,B33,A,,C,H,M,%.1f,%.1f,%.1f,,N,," % (
                utc, rnd.uniform(-80, 80), rnd.uniform(-80, 80), rnd.uniform(40, 300)),
            AIS[t % len(AIS)],
        ]
        if ss == 0:
            blokk.append("$GPZDA,%s,06,12,2026,00,00" % utc)
            blokk.append("$YXMTW,%.1f,C" % rnd.uniform(4, 9))
        for s in blokk:
            linje = med_sum(s)
            if rnd.random() < 0.01:
                linje = linje[:-1] + ("0" if linje[-1] != "0" else "1")
            ut.append(linje)
            skrevet += 1
            if skrevet >= antall:
                break
        nm = fart / 3600.0
        bredde += nm * math.cos(math.radians(kurs))
        lengde += nm * math.sin(math.radians(kurs)) / math.cos(math.radians(bredde / 60))
        t += 1
    sys.stdout.write("\r\n".join(ut) + "\r\n")


if __name__ == "__main__":
    main()
