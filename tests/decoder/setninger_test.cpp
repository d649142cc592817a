// What each sentence family takes and what it writes, one line at a time
// through the whole per-line step on a fresh decoder: the fields a line
// reaches, the malformed and the non-finite values that are refused, and
// that a refused line changes none of the values the others depend on.
#include "fangst.h"

#include <span>
#include <string>

using testhjelp::Fangst;

namespace {

// 2009-12-03 08:35:01 UTC, the time of the GPS samples, and the computer
// clock 10 s ahead of it.
constexpr int32_t kNaa = 1259829301 + 10;

// The expected text with "T " at the start of a line standing for the time.
std::string med_tid(const std::string& tekst) {
    std::string ut;
    for (size_t i = 0; i < tekst.size();) {
        size_t slutt = tekst.find('\n', i);
        slutt = slutt == std::string::npos ? tekst.size() : slutt + 1;
        std::string linje = tekst.substr(i, slutt - i);
        if (linje.starts_with("T ")) linje = std::to_string(kNaa) + linje.substr(1);
        ut += linje;
        i = slutt;
    }
    return ut;
}

const std::string kD = "T D\x8C" "rlig GPS\n";
const std::string kSpesial = "T Spesialm\x8C" "l ";

struct Tilfelle {
    std::string linje;
    std::string ut;
};

// Each line on a fresh decoder, at kNaa, in UTC, with a depth correction of 2 m.
void kjor(std::span<const Tilfelle> tabell) {
    testhjelp::Tidssone tz("UTC");
    for (const Tilfelle& t : tabell) {
        Fangst f;
        f.sett_tid(kNaa);
        f.t.dybdekorr = 2.0;
        f.linje(t.linje);
        const std::string ut = f.ut();
        EXPECT_EQ(ut, med_tid(t.ut)) << t.linje;
        // A line that writes no such line leaves the values others depend on.
        constexpr auto r = std::memory_order_relaxed;
        if (ut.find(" Heading ") == std::string::npos) {
            EXPECT_EQ(f.t.gHeadingBoat.load(r), 0.0f) << t.linje;
            EXPECT_EQ(f.t.sistehprheading, 0.0) << t.linje;
        }
        if (ut.find(" Kurs ") == std::string::npos) {
            EXPECT_EQ(f.t.sistefart, 0.0) << t.linje;
            EXPECT_EQ(f.t.rmctid, 0) << t.linje;
        }
        if (ut.find(" Posisjon ") == std::string::npos) {
            EXPECT_EQ(f.t.ant, 0) << t.linje;
            EXPECT_EQ(f.t.sistepos.tid, 0) << t.linje;
        }
        if (ut.find(" Arpa ") == std::string::npos) {
            EXPECT_EQ(f.t.arpatid, 0) << t.linje;
        }
        EXPECT_EQ(f.t.gLat.load(r), 0.0) << t.linje;
        EXPECT_EQ(f.t.gLatBoat.load(r), 0.0) << t.linje;
    }
}

} // namespace

TEST(Setninger, Fikser) {
    const Tilfelle tabell[] = {
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,0023",
         "T Posisjon 4807.03800 1131.00000, pdop 0.9, sat 8, diff 0, diffid 23\n"},
        // Only the first letter of a hemisphere counts.
        {"$GPGGA,1,4807.038,South,01131.000,West,2,08,0.9",
         "T Posisjon -4807.03800 -1131.00000, pdop 0.9, sat 8, diff 1, diffid ukjent\n"},
        // Quality is not tested; truncated, it decides diff.
        {"$GPGGA,1,4807.038,N,01131.000,E,1.9,08,0.9",
         "T Posisjon 4807.03800 1131.00000, pdop 0.9, sat 8, diff 0, diffid ukjent\n"},
        {"$GPGGA,1,4807.038,N,01131.000,E,1e300,99999999999,0.9",
         "T Posisjon 4807.03800 1131.00000, pdop 0.9, sat 2147483647, diff 1, diffid ukjent\n"},
        {"$GPGGA,1,4807.038,N,01131.000,E,nan,08,nan",
         "T Posisjon 4807.03800 1131.00000, pdop nan, sat 8, diff 0, diffid ukjent\n"},
        // Station id: zeros go while a digit follows.
        {"$GPGGA,1,4807.038,N,01131.000,E,1,08,0.9,,,,,,000",
         "T Posisjon 4807.03800 1131.00000, pdop 0.9, sat 8, diff 0, diffid 0\n"},
        {"$GPGGA,1,4807.038,N,01131.000,E,1,08,0.9,,,,,,00x7",
         "T Posisjon 4807.03800 1131.00000, pdop 0.9, sat 8, diff 0, diffid 0x7\n"},
        {"$GPGGA,1,4807.038,N,01131.000,E,1,08", kD}, // 7 fields
        {"$GPGGA,1,4807.038,X,01131.000,E,1,08,0.9", kD},
        {"$GPGGA,1,4807.038,N,01131.000,n,1,08,0.9", kD},
        {"$GPGGA,1,4807.038,N,01131.000,E,1,,0.9", kD},
        // Numbers that are no position would pass every test of ggadata.
        {"$GPGGA,1,nan,N,01131.000,E,1,08,0.9", kD},
        {"$GPGGA,1,4807.038,N,1e999,E,1,08,0.9", kD},
        {"$GPGGA," + std::string(201, '1'), kD}, // too long to split
        {"$GPGGA,1,0000.000,N,00000.000,E,1,08,0.9", ""}, // no position at all
        {"$PSIMGPS,a,b,5954.000,N,01043.000,E",
         "T Posisjon 5954.00000 1043.00000, pdop 1.0, sat 0, diff 1, diffid ukjent\n"},
        // No letter is tested: anything but S and W is north and east.
        {"$PSIMGPS,,,5954.000,?,01043.000,W",
         "T Posisjon 5954.00000 -1043.00000, pdop 1.0, sat 0, diff 1, diffid ukjent\n"},
        {"$PSIMGPS,,,5954.000,N,01043.000", kD},
        {"$PSIMGPS,,,nan,N,01043.000,E", kD},
    };
    kjor(tabell);
}

TEST(Setninger, KursOgTid) {
    const std::string kurs = "T Kurs 87.0, knop 3.5\n";
    const std::string diff = "Klokkediff 10\n";
    const Tilfelle tabell[] = {
        {"$GPRMC,083501.00,A,5954.000,S,01043.000,W,3.5,87.0,031209,,", kurs + diff},
        {"$GPRMC,083501.00,V,5954.000,S,01043.000,W,3.5,87.0,031209,,", ""},
        {"$GPRMC,083501.00,AA,5954.000,S,01043.000,W,3.5,87.0,031209,,", ""},
        {"$GPRMC,.83501,A,5954.000,S,01043.000,W,3.5,87.0,031209,,", ""},
        {"$GPRMC,083501.00,A,5954.000,S,-1043.000,W,3.5,87.0,031209,,", ""},
        {"$GPRMC,083501.00,A,5954.000,S,01043.000,W,3.5,87.0", ""}, // 8 fields
        {"$GPRMC,083501.00,A,0000.000,N,00000.000,E,3.5,87.0,031209", ""},
        // Too large for a double: an infinite speed would turn the jump test off.
        {"$GPRMC,083501.00,A,5954.000,S,01043.000,W,9e999,87.0,031209", ""},
        {"$GPRMC,083501.00,A,9e999,S,01043.000,W,3.5,87.0,031209", ""},
        // Standing still is a course too; a 1970 date is no clock.
        {"$GPRMC,083501.00,A,5954.000,N,01043.000,E,0.0,0.0,010170", "T Kurs 0.0, knop 0.0\n"},
        {"$GPVTG,87.0,T,,M,3.5,N,6.5,K", kurs},
        {"$GPVTG,10.0,T,,M,-2,N", "T Kurs 10.0, knop -2.0\n"},
        {"$GPVTG,0.0,T,,M,0.0,N", ""}, // what receivers send without a course
        {"$GPVTG,0,T,,M,-1,N", ""},
        {"$GPVTG,,T,,M,3.5,N", ""},
        {"$GPVTG,nan,T,,M,3.5,N", ""},
        {"$GPVTG,87.0,T,,M,inf,N", ""},
        {"$GPZDA,083501.00,03,12,2009,00,00", diff},
        {"$GPZDA,083501.00,03,12,2009", diff},
        {"$GPZDA,000000.00,03,12,2009,00,00", ""}, // midnight reads as no time
        {"$GPZDA,083501.00,03,12,0000", ""},
        {"$GPZDA,083501.00,3,12,2009", ""},
        {"$GPMTE,03/12/09,08:35:01.00", diff},
        {"$GPMTE,03/12/09,08:35:01", diff},     // hundredths may be missing
        {"$GPMTE,03/12/2009,08:35:01", ""},     // the year becomes 202009
        {"$GPMTE,03/12/09 08:35:01", ""},       // one field
        {"$GPMTE,99999999999/12/09,08:35:01", ""},
    };
    kjor(tabell);
}

TEST(Setninger, Headinger) {
    const Tilfelle tabell[] = {
        {"$HEHDT,123.4,T", "T Heading 123.4\n"},
        {"$HEHDT,123.4,M", "T Heading 123.4\n"}, // only the number is read
        {"$HEHDT, 12,T", "T Heading 12.0\n"},
        {"$HEHDT,,T", ""},
        {"$HEOSD,45.0,V,,,", "T Heading 45.0\n"},
        {"$HCHDM,12.5,M", "T Magnetisk 12.5\n"},
        {"$HCHDM,12.5,T", ""},
        {"$HCHDG,12.5,1.0,E,2.0,W", "T Magnetisk 12.5\n"},
        {"$HCHDG,abc", "T Magnetisk 0.0\n"},
        {"$PSIMSNS,a,b,c,d,1.5,-2.0,g,123.4", "T Heading 123.4\nT Attitude 123.4,-2.0,1.5\n"},
        {"$PSIMSNS,a,b,c,d,,-2.0,g,123.4", "T Heading 123.4\n"},
        {"$PSIMSNS,a,b,c,d,1.5,-2.0,g,", ""},
        {"$PFEC,GPatt,123.4,1.0,-0.5", "T Heading 123.4\nT Attitude 123.4,1.0,-0.5\n"},
        {"$PFEC,GPatt,123.4,,", "T Heading 123.4\nT Attitude 123.4,,\n"},
        {"$PFEC,GPatt,,1.0,-0.5", ""},
        {"$PJRCD,GP,5,,1.0,-0.5", "T Heading 0.0\nT Attitude ,1.0,-0.5\n"},
        {"$PJRCD,GP,5,7,1.0", ""},
        {"$PDAS,HRP,x,123.4,T,1.0,-0.5", "T Heading 123.4\nT Attitude 123.4,1.0,-0.5\n"},
        {"$PDAS,HRP,x,123.4,T,,-0.5", "T Heading 123.4\n"},
        {"$PDAS,HRP,x,123.4,M,1.0,-0.5", ""},
        // Not a heading the overlay can hold.
        {"$HEHDT,nan,T", ""},
        {"$HEHDT,1e999,T", ""},
        {"$HEOSD,-inf,A", ""},
        {"$PFEC,GPatt,1e39,1,2", ""},
        {"$HCHDM,inf,M", ""},
    };
    kjor(tabell);
}

TEST(Setninger, DybdeOgBunn) {
    // The depth correction is 2 m; DBT, DPT and PSAP take it.
    const Tilfelle tabell[] = {
        {"$SDDBT,32.8,f,10.0,M,5.5,F", "T Dybde 12.00\n"}, // metres win
        {"$SDDBT,32.8,f,,M,5.5,F", "T Dybde 12.00\n"},     // feet: 11.99744
        {"$SDDBT,,f,,M,5.5,F", "T Dybde 12.04\n"},         // fathom of 1.825 m
        {"$SDDBT,32.8,f,abc,M,5.5,F", ""},                 // metres field wins, unreadable
        {"$SDDBT,1,f,-2.0,M,0,F", "T Dybde 0.00\n"},       // corrected after the zero test
        {"$SDDBT,1,f,nan,M,0,F", ""},
        {"$SDDBT,,f,,M,1e308,F", ""},                      // overflows in the conversion
        {"$SDDBS,32.8,f,10.0,M,5.5,F", "T Dybde 10.00\n"}, // never corrected
        {"$SDDPT, 10.5,0.3", "T Dybde 12.50\n"},
        {"$SDDPT,0,1", ""},
        {"$SDDPT,inf", ""},
        {"$PSAP,x,x,D,12.5,M,x,10,x,2.5,x", "T RoxAnn E1 4.095, E2 1.024\nT Dybde 14.50\n"},
        {"$PSAP,x,x,D,12.5,m,x,10,x,2.5,x", ""},
        {"$PSAP,x,x,D,12.5,M,x,inf,x,2.5,x", ""},
        {"D0123F0456S0777", "T RoxAnn E1 0.302, E2 0.511\n"},
        {"D0123F  17S07x7", "T RoxAnn E1 0.015, E2 0.007\n"}, // as "%o" reads
        {"D0123F0458S0777", ""},                              // 8 is not octal
        {"D0123F-001S0777", ""},                              // out of range
        {"D1,1,25.3,-20,2", "T ES60 Dybde 25.30, hardhet 0, ruhet 0\n"}, // uncorrected
        {"D1,1,25.3,-20,3", "T Ukjent ES60\n"},
        {"D1,1,1e999,x,1", "T Ukjent ES60\n"},
        {"012.34m", "T Dybde 12.34\n"}, // uncorrected
        {"1e99  m", ""},                // beyond single precision
        {"$YXMTW,-1.25,Celsius", "T Vanntemperatur -1.2\n"},
        {"$YXMTW,12.3,F", ""},
        {"$YXMTW,nan,C", ""},
    };
    kjor(tabell);
}

TEST(Setninger, TrawlOgVaer) {
    const std::string felt31 = "$SMMTW,1" + std::string(30, ','); // more than the splitter takes
    const Tilfelle tabell[] = {
        {"$SMDBS,12.5,M,80.2,M", "T DepthOfTrawl 80.2\n"},
        {"$SMDBS,12.5,M,,M", ""}, // field 0 alone is not enough
        {felt31, ""},
        {"$MA,1,a,2,3,4,b,5,6,7,c,8,9,d", "T Marelec a b c d\n"},
        {"$MA,1,a,2,3,4,b,5,6,7,c,8,9", ""},
        // ITI values are the even-numbered fields; the odd ones are not read.
        {"$PSIMS2,,nan,abc,x,-0.25,x,1e6,x,", "T ITI sensor S2,0,0,-0.25,1e+06,\n"},
        {"$PSIMS2,1,x,2,x,3,x,1e999,x,9", ""},
        {"$PSIMMW,nan,x,2,x,3,x,4,x,9", ""},
        {"$PSIMCA,1,x,2,x,3,x,12.7,-3,x,y", "T ITI sensor CA,1,2,3,12,-3,0,\n"},
        {"$PSIMCA,1,x,2,x,3,x,99999999999,-99999999999,7,y",
         "T ITI sensor CA,1,2,3,2147483647,-2147483648,7,\n"},
        {"$PTSAL,1,2,3,4,5,inf", ""},
        // Weather: MMB passes its text on, XDR writes whole millibar.
        {"$WIMMB,29.92,I,1.0132,B", "T Pressure 29.92\n"},
        {"$WIMWV,270,T,15.5,N,A", "T WindDirection 270 Speed 15.5\n"},
        {"$WIMWV,270,R,15.5,N,A", ""}, // relative wind
        {"$WIMWV,270,T,15.5,M,A", ""}, // metres per second
        {"$WIXDR,P,1.0132,B,Barometer", "felt[3]=Barometer\nT Pressure 1013\n"},
        {"$WIXDR,P,1.013,B,B", "felt[3]=B\nT Pressure 1013\n"}, // 1012.99.. in single precision
        {"$WIXDR,P,1e300,B,B", "felt[3]=B\nT Pressure 2147483647\n"},
        {"$WIXDR,P,-1e40,B,B", "felt[3]=B\nT Pressure -2147483648\n"},
        {"$WIXDR,P,nan,B,B", "felt[3]=B\n"},
        {"$WIXDR,C,12.5,C,Air", "felt[3]=Air\nT AirTemperature 12.5\n"},
        {"$WIXDR,C,12.5", "felt[3]=\n"},
        {"$WIXDR,A,1,D,Roll,P,1.0,B,Baro", "felt[3]=Roll\n"}, // first quadruple only
        {"$WIXDR,,12.5,C,Air", ""},
    };
    kjor(tabell);
}

TEST(Setninger, UndervannsposisjonerUtenOverlay) {
    const std::string mds = "$PSIMMDS,a,b,T1,V,e,f,g,h,185.2,M,12.5,P,40,M,o,p,q,r,300";
    const Tilfelle tabell[] = {
        {mds + ",t,2.5,v", "T HPR Sonar T1;Depth 40 m; area 300 m2; volume 2.5 tons,0.1,-12.5,40\n"},
        {mds, "T HPR Sonar T1;Depth 40 m,0.1,-12.5,40\n"},
        {mds + ",t,2.5", "T HPR Sonar T1;Depth 40 m; area 300 m2,0.1,-12.5,40\n"},
        {"$PSIMMDS,a,b,T1,V,e,f,g,h,185.2,F,12.5,S,40,F,o,p,q,r,s", "T HPR Sonar T1;Depth 0 m,-1,0,0\n"},
        {"$PSIMMDS,a,b,T1,A,e,f,g,h,185.2,M,12.5,P,40,M,o,p,q,r,s", "T HPR Sonar T1;,0,0,0\n"},
        {"$PSIMMDS,a,b,T1,V,e,f,g,h,185.2,M,12.5,P,40,M,o,p,q", ""},
        // The description is held to 110 characters.
        {"$PSIMMDS,a,b,T1,V,e,f,g,h,,M,12.5,S,40,M,o,p,q,r," + std::string(150, '9') + ",t,2.5,v",
         "T HPR Sonar T1;Depth 40 m; area " + std::string(110 - 17, '9') + ",-1,0,40\n"},
        {"@IITPT,185.2,x,T2,y,,z", "T HPR ITI,0.1,T2,0\n"},
        {"@IITPT,185.2,x,T2,y,55,z", "T HPR ITI,0.1,T2,55\n"},
        {"@IITPT,,x,T2,y,55,z", ""},
        {"$PORE,TP1,b,c,d,e,0,100,30,i,j,0,l", "T HPR TP1,-0.0540,90.0,30.0\n"},
        {"$PORE,TP1,b,c,d,e,0,100,30,i,j,21,l", "T HPR TP1,-0.0540,90.0,30.0\n"},
        {"$PORE,TP1,b,c,d,e,0,100,30,i,j,20,l", ""},
        {"$PORE,TP1,b,c,d,e,0,,30,i,j,0,l", ""},
    };
    kjor(tabell);
}

TEST(Setninger, RadarOgMaal) {
    const std::string ttm = "$RATTM,7,1.852,45,,1.852,90,R,1.852,5.5,";
    const Tilfelle tabell[] = {
        {ttm + "K,BOAT,T", "T Arpa 7,1,45,T,1,90,R,1,5.5,T,BOAT\n"},
        {ttm + "N,BOAT,T", "T Arpa 7,1.852,45,T,1.852,90,R,1.852,5.5,T,BOAT\n"},
        {ttm + "S,BOAT,T", "T Arpa 7,1.609,45,T,1.609,90,R,1.609,5.5,T,BOAT\n"},
        {ttm + "M,BOAT,T", ""},
        {ttm + "N,99,", "T Arpa 7,1.852,45,T,1.852,90,R,1.852,5.5,L,7\n"}, // "99" is no name
        {ttm + "N," + std::string(150, 'x') + ",T",
         "T Arpa 7,1.852,45,T,1.852,90,R,1.852,5.5,T," + std::string(109, 'x') + "\n"}, // name cut
        {"$RATTM,99999999999,1,2,R,3,4,R,5,6,N,,Q", "T Arpa 2147483647,1,2,R,3,4,R,5,6,Q,2147483647\n"},
        {"$RATTM,7,1,2,R,3,4,R,5,6,N,BOAT", ""}, // eleven fields
        {"$RATTM,7,nan,2,R,3,4,R,5,6,N,BOAT,T", ""},
        {"$GPWPL,5930.000,S,01030.000,W,", kSpesial + "wplTarget,-3570.00000,-630.00000,0,0,Target\n"},
        {"$GPWPL,5930.000,s,01030.000,w,WP1", kSpesial + "wplWP1,3570.00000,630.00000,0,0,WP1\n"},
        {"$GPWPL,-5930.000,N,01030.000,E,WP1", ""}, // must begin with a digit
        {"$GPWPL,5930.000,N,9e999,E,WP1", ""},
        {"$RATLL,,5930.000,S,01030.000,W", kSpesial + "tllTarget,-3570.00000,-630.00000,0,0,Target\n"},
        {"$RATLL,1,N,5930.000,01030.000,E", ""},
        {"$PRHS,VTC,12:00:05:10,A", "T DVCAM 12:00:05:10,A\n"},
    };
    kjor(tabell);
}
