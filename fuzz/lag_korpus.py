#!/usr/bin/env python3
"""Writes the line fuzzer's seed corpus: one small file per key of the
dispatch table, with sound sentences and correct checksums, plus the
instrument line shapes, replay times and the switch-guarded paths.

    fuzz/lag_korpus.py          rewrite fuzz/korpus/
    fuzz/lag_korpus.py --sjekk  fail if a key has no seed or a file is stale

A seed starts with the fuzzer's switch byte (see linje_fuzz.cpp); "0" turns
every switch off. Lines are split as a datagram is, at LF, CR or CR LF, and
keep their CR; seeds end their lines in CR LF unless they show another end.
"""
import os
import re
import sys

ROT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
KORPUS = os.path.join(ROT, "fuzz", "korpus")
sys.path.insert(0, os.path.join(ROT, "tools"))
from sjekksum import med_sum  # noqa: E402

# Switch bytes: bit 0 no checksum, 1 replay, 2 special target, 3 jumping
# fixes, 6 forget list.
AV, UTEN_SUM, REPLAY, SPESIAL, FORGLEM = "0", "1", "2", "4", "@"


def gga(t, bredde, lengde):
    return "$GPGGA,%s,%s,N,%s,E,2,09,1.0,12.0,M,41.0,M,3,0123" % (t, bredde, lengde)


# Key in the table -> sentences for its seed (summed unless marked raw).
NOKLER = {
    "GGA,": [gga("1200%02d.00" % i, "5954.%04d" % (i * 10), "01043.0000") for i in range(8)],
    "SMDBS,": ["$SMDBS,12.5,M,80.2,M"],
    "SMTDS,": ["$SMTDS,110,M"],
    "SMHFB,": ["$SMHFB,4.2,M,3.1,M"],
    "SMTFI,": ["$SMTFI,1"],
    "SMCL1,": ["$SMCL1,1.8,N"],
    "SMMTW,": ["$SMMTW,4.5,C"],
    "MA,": ["$MA,1,a,2,3,4,b,5,6,7,c,8,9,d"],
    "MMB,": ["$WIMMB,29.92,I,1.0132,B"],
    "MWV,": ["$WIMWV,270,T,15.5,N,A"],
    "MTA,": ["$WIMTA,12.5,C"],
    "XDR,": ["$WIXDR,P,1.0132,B,Baro", "$WIXDR,C,12.5,C,Air"],
    "MTE,": ["$GPMTE,03/12/09,08:35:01.00"],
    "RMC,": ["$GPRMC,083501.00,A,5954.000,N,01043.000,E,3.5,87.0,031209,,,A"],
    "VTG,": ["$GPVTG,87.0,T,85.0,M,3.5,N,6.5,K,A"],
    "ZDA,": ["$GPZDA,083501.00,03,12,2009,00,00"],
    "DPT,": ["$SDDPT,10.5,0.3"],
    "$IIDBS,": ["$IIDBS,32.8,f,10.0,M,5.5,F"],
    "DBS,": ["$SDDBS,32.8,f,10.0,M,5.5,F"],
    "DBT,": ["$SDDBT,32.8,f,10.0,M,5.5,F", "$SDDBT,,f,,M,5.5,F"],
    "OSD,": ["$HEOSD,45.0,A,88.0,B,1.5,B,,,N"],
    "HDT,": ["$HEHDT,123.4,T"],
    "THS,": ["$HETHS,123.4,A", "$HETHS,124.0,E", "$HETHS,125.0,V"],
    "HDM,": ["$HCHDM,12.5,M"],
    "HDG,": ["$HCHDG,12.5,1.0,E,2.0,W"],
    "TTM,": ["$RATTM,7,1.852,45.0,T,1.852,90,T,1.852,5.5,N,BOAT,T",
             "$RATTM,8,1.0,45.0,T,1.0,90,T,1.0,5.5,K,99,T"],
    "MTW,": ["$YXMTW,12.3,C"],
    "PSIMSSB,": ["$HEHDT,10.0,T", gga("120000.00", "5954.0000", "01043.0000"),
                 "$PSIMSSB,120001.00,B33,A,,C,H,M,29.0,10.0,40.5,,N,,",
                 "$PSIMSSB,120002.00,B33,A,,C,N,M,22.0,10.0,44.0,,N,,",
                 "$PSIMSSB,120003.00,B33,V,,C,H,M,20.0,10.0,45.0,,N,,"],
    "PSIMSNS,": ["$PSIMSNS,a,b,c,d,1.5,-2.0,g,123.4"],
    "PSIMGPS,": ["$PSIMGPS,a,b,5954.000,N,01043.000,E"],
    "PSAP,": ["$PSAP,x,x,D,12.5,M,x,10,x,2.5,x"],
    "VDO,": ["!AIVDO,1,1,,A,13aEOK?P00PD2wVMdLDRhgvL289?,0"],
    "VDM,": ["!AIVDM,1,1,,A,13u?etPv2;0n:dDPwUM1U1Cb069D,0"],
    "ABK,": ["$AIABK,123456789,A,8,1,3"],
    "PSTXR,": ["$PSTXR,1,2,3"],
    "PSIMS1,": ["$PSIMS1,1,x,2,x,3,x,4,x,9"],
    "PSIMS2,": ["$PSIMS2,1,x,2,x,3,x,4,x,9"],
    "PSIMDE,": ["$PSIMDE,1,x,2,x,3,x,4,x,ok"],
    "PSIMCA,": ["$PSIMCA,1,x,2,x,3,x,12,3,4,y"],
    "PSIMH1,": ["$PSIMH1,1,x,2,x,3,x,4,x,5,x"],
    "PSIMH2,": ["$PSIMH2,1,x,2,x,3,x,4,x,5,x"],
    "PSIMTM,": ["$PSIMTM,1,x,2,x,3,x,4,x,9"],
    "PSIMMW,": ["$PSIMMW,1,x,2,x,3,x,4,x,9"],
    "PFEC,GPatt,": ["$PFEC,GPatt,123.4,1.0,-0.5"],
    "PJRCD,GP,5,": ["$PJRCD,GP,5,123.4,1.0,-0.5"],
    "PSIMMDS,": ["$PSIMMDS,a,b,T1,V,e,f,g,h,185.2,M,12.5,P,40,M,o,p,q,r,300,t,2.5,v"],
    "PTSAL,": ["$PTSAL,1,2,3,4,5,6"],
    "PDAS,HRP,": ["$PDAS,HRP,x,123.4,T,1.0,-0.5"],
    "WPL,": ["$GPWPL,5930.000,N,01030.000,E,WP1"],
    "TLL,": ["$RATLL,3,5930.000,N,01030.000,E,BOAT,123456,T,"],
    "PORE,": ["$PORE,TP1,b,c,d,e,0,100,30,i,j,0,l"],
    "PRHS,VTC,": ["$PRHS,VTC,12:00:05:10,A"],
}

# Further seeds: (file name, switch byte, lines, sum the "$" lines).
ANDRE = [
    ("es60", AV, ["D1,1.0,25.3,x,1", "D2,1,2"], False),
    ("roxann", AV, ["D0123F0456S0777"], False),
    ("iitpt", AV, ["@IITPT,185.2,x,T2,y,55,z"], False),
    ("tritech", AV, ["012.34m"], False),
    ("rov", AV, ["D012.5C270.6A003.2O", "D012.5C359.9A--.-O"], False),
    ("hpr300", AV, [med_sum(gga("120000.00", "5954.0000", "01043.0000")),
                    "33 1 A x 1 2 3 4 5", "34 1 A word 1.0 2.0 3.0 4.0 5.0"], False),
    ("replay", REPLAY, ["12:00:00 " + med_sum(gga("120000.00", "5954.0000", "01043.0000")),
                        "12:00:01 " + med_sum("$HEHDT,10.5,T"),
                        med_sum("$HEHDT,11.0,T"),
                        "43202 " + med_sum("$SDDPT,10.5,0.3")], False),
    ("spesial", SPESIAL, ["$GPRMC,083501.00,A,5954.000,N,01043.000,E,3.5,87.0,031209,,,A",
                          "!AIVDM,1,1,,A,13u?etPv2;0n:dDPwUM1U1Cb069D,0",
                          "$RATLL,3,5930.000,N,01030.000,E,BOAT,123456,T,",
                          "$GPWPL,5930.000,N,01030.000,E,WP1"], True),
    ("uten_sum", UTEN_SUM, ["$HEHDT,123.4,T*00", "$SDDPT,10.5,0.3*FF"], False),
    ("hopp", "8", [gga("1200%02d.00" % i, "59%02d.0000" % (54 + 3 * i), "01043.0000")
                   for i in range(4)], True),
    ("glemt", FORGLEM, ["$GPGSV,3,1,11", "D1,1.0,25.3,x,1", "$HEHDT,1,T"], True),
    ("sjekksumfeil", AV, ["$HEHDT,123.4,T*32", "junk$HEHDT,9,T*1F", "$GPXYZ,1,2"], False),
]


# Several sentences in one piece, as gateways send them in one datagram,
# ending in each of the line ends: (file name, line end).
DATAGRAM = [med_sum(gga("120000.00", "5954.0000", "01043.0000")),
            med_sum("$GPRMC,120000.00,A,5954.000,N,01043.000,E,3.5,87.0,031209,,,A"),
            med_sum("$HEHDT,123.4,T")]
LINJESLUTT = [("linjeslutt_lf", "\n"), ("linjeslutt_cr", "\r"), ("linjeslutt_crcrlf", "\r\r\n")]


def filnavn(nokkel):
    return re.sub(r"[^a-z0-9]+", "_", nokkel.lower()).strip("_")


def innhold(bryter, linjer, summer, slutt="\r\n"):
    ut = [med_sum(l) if summer and l[:1] in "$!" else l for l in linjer]
    return bryter + "".join(l + slutt for l in ut)


def filer():
    f = {filnavn(k): innhold(AV, v, True) for k, v in NOKLER.items()}
    for navn, bryter, linjer, summer in ANDRE:
        f[navn] = innhold(bryter, linjer, summer)
    for navn, slutt in LINJESLUTT:
        f[navn] = innhold(AV, DATAGRAM, False, slutt)
    return f


def tabellnokler():
    with open(os.path.join(ROT, "decoder", "dispatch.cpp"), encoding="utf-8") as fp:
        return re.findall(r'^\s*\{"([^"]+)", Ved::', fp.read(), re.M)


def main():
    sjekk = "--sjekk" in sys.argv[1:]
    mangler = [k for k in tabellnokler() if k not in NOKLER]
    ukjente = [k for k in NOKLER if k not in tabellnokler()]
    if mangler or ukjente:
        sys.exit("keys without a seed: %s; seeds without a key: %s" % (mangler, ukjente))
    os.makedirs(KORPUS, exist_ok=True)
    ulike = []
    for navn, tekst in sorted(filer().items()):
        sti = os.path.join(KORPUS, navn)
        if sjekk:
            try:
                with open(sti, encoding="ascii", newline="") as fp:
                    if fp.read() == tekst:
                        continue
            except FileNotFoundError:
                pass
            ulike.append(navn)
        else:
            with open(sti, "w", encoding="ascii", newline="") as fp:
                fp.write(tekst)
    if ulike:
        sys.exit("stale seeds (run fuzz/lag_korpus.py): " + " ".join(ulike))


if __name__ == "__main__":
    main()
