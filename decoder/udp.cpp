#include "decoder/udp.h"

#include "decoder/runtime.h"
#include "decoder/tekst.h"
#include "decoder/tolk.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace decoder {

namespace {
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

void lukk(int& fd) {
    if (fd > 0) ::close(fd);
    fd = 0;
}
} // namespace

Udp::~Udp() {
    lukk(sockfdServer);
    lukk(sockfdClient);
    lukk(sockfdLog);
}

void open_udp_server(Tolk& t, int port) {
    Udp& u = t.udp;
    u.inngangsport = port;
    u.sockfdServer = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (u.sockfdServer < 0) {
        int e = errno;
        u.sockfdServer = 0;
        skriv(t, "server: can't open datagram socket\n");
        std::fflush(t.ut);
        fatal_status(t, 1, "tolkar: Kan ikke lage UDP-socket for port %d: %s", port, std::strerror(e));
    }
    // Each short datagram takes far more of the receive buffer than its bytes,
    // so the default one holds only some milliseconds of a busy port. The
    // kernel caps the request at net.core.rmem_max; a smaller buffer is no error.
    int plass = kMottaksbuffer;
    ::setsockopt(u.sockfdServer, SOL_SOCKET, SO_RCVBUF, &plass, sizeof plass);
    u.serv_addr2 = adresse(INADDR_ANY, port);
    int r = ::bind(u.sockfdServer, reinterpret_cast<sockaddr*>(&u.serv_addr2), sizeof u.serv_addr2);
    if (r < 0) {
        int e = errno;
        skriv(t, "server: can't bind local address\n");
        std::fflush(t.ut);
        // The host shows this one: it names the port and why.
        fatal_status(t, 2, "tolkar: Kan ikke bruke UDP-port %d: %s", port, std::strerror(e));
    }
    skriv(t, "server: bindno = %d port # = %d  \n", r, port);
    // The loop flushes before it reads, and this is printed inside the read.
    std::fflush(t.ut);
}

char* get_udp(Tolk& t, int port, bool vent) {
    Udp& u = t.udp;
    if (u.sockfdServer == 0) open_udp_server(t, port);
    if (vent && !t.stopp.vent_paa_lesbar(u.sockfdServer)) return nullptr;
    sockaddr_in fra{};
    socklen_t fralengde = sizeof fra;
    ssize_t n;
    do {
        // A longer datagram is cut to what the line buffer holds.
        n = ::recvfrom(u.sockfdServer, u.mottatt, kLinjelengde - 1, 0,
                       reinterpret_cast<sockaddr*>(&fra), &fralengde);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        int e = errno;
        skriv(t, "dg_echo: recvfrom error\n");
        fatal_status(t, 3, "tolkar: Mottaksfeil p\x8C" " UDP-port %d: %s", port, std::strerror(e));
    }
    u.mottatt[n] = '\0';
    return u.mottatt;
}

bool udp_klar(Tolk& t) {
    if (t.udp.sockfdServer == 0) return false;
    pollfd p{t.udp.sockfdServer, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

int open_udp_client(Tolk& t) {
    Udp& u = t.udp;
    u.sockfdClient = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (u.sockfdClient < 0) {
        int e = errno;
        u.sockfdClient = 0;
        skriv(t, "errno = %d\n", e);
        skriv(t, "client: can't open datagram socket\n");
        avslutt_status(t, 1);
    }
    int paa = 1;
    if (::setsockopt(u.sockfdClient, SOL_SOCKET, SO_BROADCAST, &paa, sizeof paa) < 0) {
        skrivfeil(t, "setsockopt Broadcast: %s\n", std::strerror(errno));
        ::close(u.sockfdClient);
        // Not reopened, and never a descriptor that may belong to another file by now.
        u.sockfdClient = -1;
        return -1;
    }
    u.cli_addr = adresse(INADDR_ANY, 0);
    if (::bind(u.sockfdClient, reinterpret_cast<sockaddr*>(&u.cli_addr), sizeof u.cli_addr) < 0) {
        skriv(t, "errno = %d\n", errno);
        skriv(t, "client: can't bind local address\n");
    }
    u.serv_addr = adresse(INADDR_BROADCAST, t.port_udp_broadcast);
    skriv(t, "client: udp port # = %d\n", t.port_udp_broadcast);
    return 0;
}

void send_udp(Tolk& t, const char* linje) {
    Udp& u = t.udp;
    if (u.sockfdClient == 0) open_udp_client(t);
    char buf[kUtbuffer];
    int n = bygg(buf, "", linje);
    ssize_t sendt = ::sendto(u.sockfdClient, buf, static_cast<size_t>(n), 0,
                             reinterpret_cast<sockaddr*>(&u.serv_addr), sizeof u.serv_addr);
    if (sendt != n) {
        int e = errno;
        skriv(t, "nosent = %d\n", static_cast<int>(sendt));
        skriv(t, "broadcast: sendto error\n");
        skriv(t, "errno = %d\n", e);
    }
}

void open_udp_log(Tolk& t) {
    Udp& u = t.udp;
    u.serv_addr_log = adresse(INADDR_ANY, kLoggport);
    u.sockfdLog = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (u.sockfdLog < 0) {
        u.sockfdLog = 0;
        skriv(t, "client: can't open datagram socket\n");
        avslutt_status(t, 1);
    }
    u.log_addr = adresse(INADDR_ANY, 0);
    if (::bind(u.sockfdLog, reinterpret_cast<sockaddr*>(&u.log_addr), sizeof u.log_addr) < 0)
        skriv(t, "client: can't bind local address\n");
}

void send_udp_log(Tolk& t, const char* linje) {
    Udp& u = t.udp;
    if (u.sockfdLog == 0) open_udp_log(t);
    char forran[32];
    std::snprintf(forran, sizeof forran, "%s,", strTimeStamp(t));
    char buf[kUtbuffer];
    int n = bygg(buf, forran, linje);
    ssize_t sendt = ::sendto(u.sockfdLog, buf, static_cast<size_t>(n), 0,
                             reinterpret_cast<sockaddr*>(&u.serv_addr_log), sizeof u.serv_addr_log);
    if (sendt != n) {
        skriv(t, "nosent = %d\n", static_cast<int>(sendt));
        skriv(t, "dg_echo: sendto error\n");
    }
}

void close_udp(Tolk& t) {
    lukk(t.udp.sockfdServer);
    lukk(t.udp.sockfdClient);
    lukk(t.udp.sockfdLog);
}

} // namespace decoder
