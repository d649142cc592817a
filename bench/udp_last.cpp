// UDP load: starts `tolkar -uPORT`, sends N datagrams at a steady rate on
// loopback and counts the sentences it decoded.
//
//   udp_last TOLKAR [DATAGRAMS=200000] [PER_SECOND=20000] [blandet]
//
// By default every datagram is an AIS line. "blandet" cycles through a mix
// of fix, heading, depth, trawl, weather, radar and AIS sentences; only those
// whose decoder writes one line for every sentence (no rate limit) are
// counted, the others are load.
#include "decoder/sjekksum.h"
#include "tools/loopback.h"
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
using decoder::med_sum;

// A sentence of the mix and the text of the log line it gives every time;
// null for one that is only load.
struct Blanding {
    const char* setning;
    const char* merke;
};
constexpr Blanding kBlanding[] = {
    {"$GPGGA,120000.00,5954.0000,N,01043.0000,E,2,09,1.0,12.0,M,41.0,M,3,0123", nullptr},
    {"!AIVDM,1,1,,A,13u?etPv2;0n:dDPwUM1U1Cb069D,0", " AIS VDM,"},
    {"$HEHDT,123.4,T", nullptr},
    {"$SMTDS,110,M", " TrawlDoorSpread "},
    {"$GPRMC,083501.00,A,5954.000,N,01043.000,E,3.5,87.0,031209,,,A", nullptr},
    {"$PSIMS1,1,x,2,x,3,x,4,x,9", " ITI sensor S1,"},
    {"$SDDPT,10.5,0.3", nullptr},
    {"$RATTM,7,1.852,45.0,T,1.852,90,T,1.852,5.5,N,BOAT,T", " Arpa "},
    {"$PSIMSSB,120001.00,B33,A,,C,H,M,29.0,10.0,40.5,,N,,", nullptr},
    {"$WIMTA,12.5,C", " AirTemperature "},
    {"$PTSAL,1,2,3,4,5,6", " Geonet L,"},
};
} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s TOLKAR [DATAGRAMS] [PER_SECOND]\n", argv[0]);
        return 2;
    }
    long antall = argc > 2 ? std::atol(argv[2]) : 200000;
    long rate = argc > 3 ? std::atol(argv[3]) : 20000;
    bool blandet = argc > 4 && std::strcmp(argv[4], "blandet") == 0;
    if (antall < 1 || rate < 1) {
        std::fprintf(stderr, "DATAGRAMS and PER_SECOND must be positive\n");
        return 2;
    }
    int port = loopback::ledig_port();
    int ut[2];
    if (pipe(ut) != 0) return 1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(ut[1], 1);
        close(ut[0]);
        std::string p = "-u" + std::to_string(port);
        execl(argv[1], argv[1], p.c_str(), static_cast<char*>(nullptr));
        _exit(98);
    }
    close(ut[1]);

    std::string tekst;
    long dekodet = 0;
    bool bundet = false;
    auto les = [&](int ms) {
        pollfd p{ut[0], POLLIN, 0};
        if (poll(&p, 1, ms) <= 0) return false;
        char buf[65536];
        ssize_t n = read(ut[0], buf, sizeof buf);
        if (n <= 0) return false;
        tekst.append(buf, static_cast<size_t>(n));
        size_t pos;
        while ((pos = tekst.find('\n')) != std::string::npos) {
            if (tekst.compare(0, 14, "server: bindno") == 0) {
                bundet = true;
            } else if (!blandet) {
                if (tekst.find(" AIS VDM,") < pos) ++dekodet;
            } else {
                for (const Blanding& b : kBlanding)
                    if (b.merke && tekst.find(b.merke) < pos) {
                        ++dekodet;
                        break;
                    }
            }
            tekst.erase(0, pos + 1);
        }
        return true;
    };
    // Wait until the decoder has bound its port.
    while (true) {
        if (!les(10000)) {
            std::fprintf(stderr, "tolkar did not start\n");
            return 1;
        }
        if (bundet) break;
    }

    int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in til{};
    til.sin_family = AF_INET;
    til.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    til.sin_port = htons(static_cast<uint16_t>(port));
    std::vector<std::string> blanding;
    for (const Blanding& b : kBlanding) blanding.push_back(med_sum(b.setning));
    long ventet = 0; // sentences that each give a counted line
    auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < antall; ++i) {
        auto frist = start + std::chrono::nanoseconds(i * 1000000000LL / rate);
        while (std::chrono::steady_clock::now() < frist) les(0);
        std::string d;
        if (blandet) {
            size_t k = static_cast<size_t>(i) % blanding.size();
            d = blanding[k];
            if (kBlanding[k].merke) ++ventet;
        } else {
            d = med_sum("!AIVDM,1,1," + std::to_string(i % 10) + ",A,13u?etPv2;0n:dDPwUM1U1Cb069D,0");
            ++ventet;
        }
        sendto(s, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&til), sizeof til);
    }
    double sekunder = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    while (dekodet < ventet && les(2000)) {
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    std::printf("sent %ld datagrams in %.2f s (%.0f/s), %ld counted; decoded %ld; lost %ld (%.3f%%)\n",
                antall, sekunder, static_cast<double>(antall) / sekunder, ventet, dekodet,
                ventet - dekodet,
                100.0 * static_cast<double>(ventet - dekodet) / static_cast<double>(ventet));
    return 0;
}
