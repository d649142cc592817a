#include "tools/nmea_send_udp.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <thread>
#include <unistd.h>

namespace nmea_send {

TimePoint SteadyClock::now() { return std::chrono::steady_clock::now(); }

void SteadyClock::sleep_until(TimePoint t) { std::this_thread::sleep_until(t); }

UdpSink::UdpSink(int fd, const sockaddr_storage& to, socklen_t to_len)
    : fd_(fd), to_(to), to_len_(to_len) {}

UdpSink::~UdpSink() { ::close(fd_); }

std::unique_ptr<UdpSink> UdpSink::open(const std::string& host, std::uint16_t port,
                                       std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    if (int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0) {
        error = "unknown host '" + host + "': " + ::gai_strerror(rc);
        return nullptr;
    }
    error = "no address of '" + host + "' takes a UDP socket";
    std::unique_ptr<UdpSink> sink;
    for (addrinfo* a = found; a && !sink; a = a->ai_next) {
        int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            error = std::string("socket: ") + std::strerror(errno);
            continue;
        }
        if (a->ai_family == AF_INET) {
            // Survey networks often share NMEA by broadcast; without this
            // a broadcast address fails with "Permission denied".
            int on = 1;
            ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        }
        sockaddr_storage to{};
        std::memcpy(&to, a->ai_addr, a->ai_addrlen);
        // Not connected: a connected UDP socket reports "Connection refused"
        // on later sends while nobody listens yet, which is the normal case
        // before the decoder starts.
        sink.reset(new UdpSink(fd, to, a->ai_addrlen));
    }
    ::freeaddrinfo(found);
    if (sink) error.clear();
    return sink;
}

std::string UdpSink::send(std::string_view datagram) {
    for (;;) {
        ssize_t n = ::sendto(fd_, datagram.data(), datagram.size(), 0,
                             reinterpret_cast<const sockaddr*>(&to_), to_len_);
        if (n >= 0) return {};
        if (errno != EINTR) return std::strerror(errno);
    }
}

} // namespace nmea_send
