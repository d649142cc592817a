// UDP transport: the input port of UDP mode, the broadcast of every line
// (-x) and the time-stamped copy to the log port (-m). Each socket belongs
// to its decoder, opens on first use and closes with it.
#pragma once

#include "decoder/linjer.h"

#include <netinet/in.h>

namespace decoder {

class Tolk;

inline constexpr int kUtbuffer = 255;     // outgoing datagram text, terminator included
inline constexpr int kLoggport = 49000;
inline constexpr int kMottaksbuffer = 4 << 20; // receive buffer asked for on the input port

// A decoder's sockets (0: not open) and their addresses.
struct Udp {
    Udp() = default;
    ~Udp();
    Udp(const Udp&) = delete;
    Udp& operator=(const Udp&) = delete;

    int sockfdServer = 0;
    int sockfdClient = 0;
    int sockfdLog = 0;
    sockaddr_in serv_addr2{};
    sockaddr_in serv_addr{};
    sockaddr_in cli_addr{};
    sockaddr_in serv_addr_log{};
    sockaddr_in log_addr{};
    char mottatt[kLinjelengde] = {};
    // The port the input socket was last opened for (0: none), for a host
    // that says which port failed.
    int inngangsport = 0;
};

// Receives one datagram on the port; the text stays valid until the next call.
// When `vent`, waits for it in a way that a stop cuts short (null then).
char* get_udp(Tolk& t, int port, bool vent = false);
// True when a datagram is waiting, so that get_udp returns without waiting.
bool udp_klar(Tolk& t);
void open_udp_server(Tolk& t, int port);
void send_udp(Tolk& t, const char* linje);
int open_udp_client(Tolk& t);
void send_udp_log(Tolk& t, const char* linje);
void open_udp_log(Tolk& t);
// Closes the decoder's sockets.
void close_udp(Tolk& t);

} // namespace decoder
