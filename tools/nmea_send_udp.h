// The real clock and the real UDP socket behind the player's interfaces.
#pragma once

#include "tools/nmea_send_player.h"

#include <cstdint>
#include <memory>
#include <string>
#include <sys/socket.h>

namespace nmea_send {

// std::chrono::steady_clock: monotonic, so a change of the wall clock does
// not upset the pace.
class SteadyClock : public Clock {
public:
    TimePoint now() override;
    void sleep_until(TimePoint t) override;
};

class UdpSink : public Sink {
public:
    // Resolves host and opens a socket for it; on failure returns null and
    // sets error to a message that names the host or the system call.
    static std::unique_ptr<UdpSink> open(const std::string& host, std::uint16_t port,
                                         std::string& error);
    ~UdpSink() override;
    UdpSink(const UdpSink&) = delete;
    UdpSink& operator=(const UdpSink&) = delete;

    std::string send(std::string_view datagram) override;

private:
    UdpSink(int fd, const sockaddr_storage& to, socklen_t to_len);
    int fd_;
    sockaddr_storage to_;
    socklen_t to_len_;
};

} // namespace nmea_send
