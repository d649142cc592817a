// UDP transport: the input port of UDP mode, the broadcast of every line
// (-x) and the time-stamped copy to the log port (-m). Each socket opens on
// first use.
#pragma once

namespace decoder {

inline constexpr int kUtbuffer = 255;     // outgoing datagram text, terminator included
inline constexpr int kLoggport = 49000;
inline constexpr int kMottaksbuffer = 4 << 20; // receive buffer asked for on the input port

// Receives one datagram on the port; the text stays valid until the next call.
// When `vent`, waits for it in a way that a stop cuts short (null then).
char* get_udp(int port, bool vent = false);
// True when a datagram is waiting, so that get_udp returns without waiting.
bool udp_klar();
void open_udp_server(int port);
// The port the input socket was last opened for (0: none since reset_state),
// for a host that says which port failed.
int udp_inngangsport();
void send_udp(const char* linje);
int open_udp_client();
void send_udp_log(const char* linje);
void open_udp_log();
void close_udp();

// Forgets the sockets without closing them (a forked child, tests).
void glem_udp();

} // namespace decoder
