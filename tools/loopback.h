// Loopback UDP for tests and benchmarks: a port no one listens on now, and
// datagrams sent to a port of this host.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace loopback {

inline int ledig_port() {
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

// Each text goes out as one datagram.
class Sender {
public:
    explicit Sender(int port) : fd_(socket(AF_INET, SOCK_DGRAM, 0)) {
        to_.sin_family = AF_INET;
        to_.sin_port = htons(static_cast<uint16_t>(port));
        to_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    ~Sender() { close(fd_); }
    Sender(const Sender&) = delete;
    Sender& operator=(const Sender&) = delete;
    bool send(const std::string& s) {
        return sendto(fd_, s.data(), s.size(), 0, reinterpret_cast<sockaddr*>(&to_), sizeof to_) ==
               static_cast<ssize_t>(s.size());
    }

private:
    int fd_;
    sockaddr_in to_{};
};

} // namespace loopback
