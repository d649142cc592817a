// UDP load: starts `tolkar -uPORT`, sends N datagrams at a steady rate on
// loopback and counts the sentences it decoded (one AIS line per datagram).
//
//   udp_last TOLKAR [DATAGRAMS=200000] [PER_SECOND=20000]
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

namespace {
int ledig_port() {
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    close(s);
    return ntohs(a.sin_port);
}

std::string med_sum(const std::string& s) {
    unsigned char x = 0;
    for (size_t i = 1; i < s.size(); ++i) x ^= static_cast<unsigned char>(s[i]);
    char hale[4];
    std::snprintf(hale, sizeof hale, "*%02X", x);
    return s + hale;
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s TOLKAR [DATAGRAMS] [PER_SECOND]\n", argv[0]);
        return 2;
    }
    long antall = argc > 2 ? std::atol(argv[2]) : 200000;
    long rate = argc > 3 ? std::atol(argv[3]) : 20000;
    int port = ledig_port();
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
            if (tekst.compare(0, 14, "server: bindno") == 0)
                bundet = true;
            else if (tekst.find(" AIS VDM,") < pos)
                ++dekodet;
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
    auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < antall; ++i) {
        auto frist = start + std::chrono::nanoseconds(i * 1000000000LL / rate);
        while (std::chrono::steady_clock::now() < frist) les(0);
        std::string d = med_sum("!AIVDM,1,1," + std::to_string(i % 10) + ",A,13u?etPv2;0n:dDPwUM1U1Cb069D,0");
        sendto(s, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&til), sizeof til);
    }
    double sekunder = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    while (dekodet < antall && les(2000)) {
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    std::printf("sent %ld datagrams in %.2f s (%.0f/s); decoded %ld; lost %ld (%.3f%%)\n", antall,
                sekunder, antall / sekunder, dekodet, antall - dekodet,
                100.0 * static_cast<double>(antall - dekodet) / static_cast<double>(antall));
    return 0;
}
