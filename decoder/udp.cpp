#include "decoder/udp.h"

#include "decoder/runtime.h"
#include "decoder/state.h"
#include "decoder/stopp.h"
#include "decoder/tekst.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace decoder {

namespace {
int sockfdServer = 0;
int sockfdClient = 0;
int sockfdLog = 0;
sockaddr_in serv_addr2{};
sockaddr_in serv_addr{};
sockaddr_in cli_addr{};
sockaddr_in serv_addr_log{};
sockaddr_in log_addr{};

char mottatt[kLinjelengde];
int inngangsport = 0;
const bool registrert = registrer_nullstiller([] { inngangsport = 0; });

sockaddr_in adresse(in_addr_t ip, int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(ip);
    a.sin_port = htons(static_cast<uint16_t>(port));
    return a;
}

// Builds "line + \n" in the outgoing buffer. A line that does not fit is cut
// so that the datagram still ends in its line feed.
int bygg(char* buf, const char* forran, const char* linje) {
    int plass = kUtbuffer - 2; // room for the line feed and the terminator
    int n = std::snprintf(buf, kUtbuffer, "%s%.*s", forran, plass, linje);
    if (n > plass) n = plass;
    buf[n++] = '\n';
    buf[n] = '\0';
    return n;
}
} // namespace

int udp_inngangsport() {
    (void)registrert;
    return inngangsport;
}

void open_udp_server(int port) {
    inngangsport = port;
    sockfdServer = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (sockfdServer < 0) {
        int e = errno;
        sockfdServer = 0;
        skriv("server: can't open datagram socket\n");
        std::fflush(ut);
        fatal_status(1, "tolkar: Kan ikke lage UDP-socket for port %d: %s", port, std::strerror(e));
    }
    // Each short datagram takes far more of the receive buffer than its bytes,
    // so the default one holds only some milliseconds of a busy port. The
    // kernel caps the request at net.core.rmem_max; a smaller buffer is no error.
    int plass = kMottaksbuffer;
    ::setsockopt(sockfdServer, SOL_SOCKET, SO_RCVBUF, &plass, sizeof plass);
    serv_addr2 = adresse(INADDR_ANY, port);
    int r = ::bind(sockfdServer, reinterpret_cast<sockaddr*>(&serv_addr2), sizeof serv_addr2);
    if (r < 0) {
        int e = errno;
        skriv("server: can't bind local address\n");
        std::fflush(ut);
        // The host shows this one: it names the port and why.
        fatal_status(2, "tolkar: Kan ikke bruke UDP-port %d: %s", port, std::strerror(e));
    }
    skriv("server: bindno = %d port # = %d  \n", r, port);
    // The loop flushes before it reads, and this is printed inside the read.
    std::fflush(ut);
}

char* get_udp(int port, bool vent) {
    if (sockfdServer == 0) open_udp_server(port);
    if (vent && !vent_paa_lesbar(sockfdServer)) return nullptr;
    sockaddr_in fra{};
    socklen_t fralengde = sizeof fra;
    ssize_t n;
    do {
        // A longer datagram is cut to what the line buffer holds.
        n = ::recvfrom(sockfdServer, mottatt, kLinjelengde - 1, 0,
                       reinterpret_cast<sockaddr*>(&fra), &fralengde);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        int e = errno;
        skriv("dg_echo: recvfrom error\n");
        fatal_status(3, "tolkar: Mottaksfeil p\x8C" " UDP-port %d: %s", port, std::strerror(e));
    }
    mottatt[n] = '\0';
    return mottatt;
}

bool udp_klar() {
    if (sockfdServer == 0) return false;
    pollfd p{sockfdServer, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

int open_udp_client() {
    sockfdClient = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (sockfdClient < 0) {
        int e = errno;
        sockfdClient = 0;
        skriv("errno = %d\n", e);
        skriv("client: can't open datagram socket\n");
        avslutt_status(1);
    }
    int paa = 1;
    if (::setsockopt(sockfdClient, SOL_SOCKET, SO_BROADCAST, &paa, sizeof paa) < 0) {
        skrivfeil("setsockopt Broadcast: %s\n", std::strerror(errno));
        ::close(sockfdClient);
        return -1;
    }
    cli_addr = adresse(INADDR_ANY, 0);
    if (::bind(sockfdClient, reinterpret_cast<sockaddr*>(&cli_addr), sizeof cli_addr) < 0) {
        skriv("errno = %d\n", errno);
        skriv("client: can't bind local address\n");
    }
    serv_addr = adresse(INADDR_BROADCAST, port_udp_broadcast);
    skriv("client: udp port # = %d\n", port_udp_broadcast);
    return 0;
}

void send_udp(const char* linje) {
    if (sockfdClient == 0) open_udp_client();
    char buf[kUtbuffer];
    int n = bygg(buf, "", linje);
    ssize_t sendt = ::sendto(sockfdClient, buf, static_cast<size_t>(n), 0,
                             reinterpret_cast<sockaddr*>(&serv_addr), sizeof serv_addr);
    if (sendt != n) {
        int e = errno;
        skriv("nosent = %d\n", static_cast<int>(sendt));
        skriv("broadcast: sendto error\n");
        skriv("errno = %d\n", e);
    }
}

void open_udp_log() {
    serv_addr_log = adresse(INADDR_ANY, kLoggport);
    sockfdLog = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (sockfdLog < 0) {
        sockfdLog = 0;
        skriv("client: can't open datagram socket\n");
        avslutt_status(1);
    }
    log_addr = adresse(INADDR_ANY, 0);
    if (::bind(sockfdLog, reinterpret_cast<sockaddr*>(&log_addr), sizeof log_addr) < 0)
        skriv("client: can't bind local address\n");
}

void send_udp_log(const char* linje) {
    if (sockfdLog == 0) open_udp_log();
    char forran[32];
    std::snprintf(forran, sizeof forran, "%s,", strTimeStamp());
    char buf[kUtbuffer];
    int n = bygg(buf, forran, linje);
    ssize_t sendt = ::sendto(sockfdLog, buf, static_cast<size_t>(n), 0,
                             reinterpret_cast<sockaddr*>(&serv_addr_log), sizeof serv_addr_log);
    if (sendt != n) {
        skriv("nosent = %d\n", static_cast<int>(sendt));
        skriv("dg_echo: sendto error\n");
    }
}

void close_udp() {
    if (sockfdServer) ::close(sockfdServer);
    if (sockfdClient) ::close(sockfdClient);
    sockfdServer = 0;
    sockfdClient = 0;
}

void glem_udp() {
    sockfdServer = sockfdClient = sockfdLog = 0;
}

} // namespace decoder
