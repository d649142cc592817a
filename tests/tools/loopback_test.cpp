// The real UDP socket: a recording played through the command line reaches
// a socket on the loopback interface, one datagram a sentence.
#include "tools/nmea_send_cli.h"
#include "tools/nmea_send_udp.h"

#include "fakes.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

using namespace nmea_send;

namespace {

// A UDP socket on 127.0.0.1 with a port the system picks.
class Receiver {
public:
    Receiver() {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0)
            port_ = ntohs(a.sin_port);
    }
    ~Receiver() {
        if (fd_ >= 0) ::close(fd_);
    }
    int port() const { return port_; }

    // Up to n datagrams, waiting no longer than the deadline for all of them.
    std::vector<std::string> receive(std::size_t n, std::chrono::milliseconds limit) {
        std::vector<std::string> got;
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (got.size() < n) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char buf[2048];
            ssize_t r = ::recv(fd_, buf, sizeof buf, 0);
            if (r >= 0) got.emplace_back(buf, static_cast<std::size_t>(r));
        }
        return got;
    }

private:
    int fd_ = -1;
    int port_ = 0;
};

} // namespace

TEST(Loopback, ThreeLinesArriveAsThreeDatagrams) {
    Receiver rx;
    ASSERT_GT(rx.port(), 0);
    std::string path = testing::TempDir() + "nmea_send_loopback.nmea";
    std::ofstream(path) << "12:00:00 $GPZDA,120000.00,06,12,2026,00,00*66\n"
                           "12:00:01 $HEHDT,88.1,T*1E\n"
                           "$HEHDT,88.3,T*1C\n";

    // The real socket with a fake clock: the pace costs no time.
    nmea_send_test::FakeClock clock;
    std::ostringstream out, err;
    Env env{clock,
            [](const std::string& host, std::uint16_t port, std::string& error)
                -> std::unique_ptr<Sink> { return UdpSink::open(host, port, error); },
            out, err};
    int status = nmea_send::run(
        {path, "-p" + std::to_string(rx.port()), "--host=127.0.0.1", "--once"}, env);
    ASSERT_EQ(status, kExitOk) << err.str();
    EXPECT_EQ(clock.elapsed(), nmea_send_test::sec(1));

    std::vector<std::string> got = rx.receive(3, std::chrono::seconds(5));
    EXPECT_EQ(got, (std::vector<std::string>{"$GPZDA,120000.00,06,12,2026,00,00*66\r\n",
                                             "$HEHDT,88.1,T*1E\r\n", "$HEHDT,88.3,T*1C\r\n"}));
}

TEST(Loopback, SendWithoutListenerIsNoError) {
    // Before the decoder starts nobody listens; that must not count as a fault.
    int port = 0;
    {
        Receiver gone;
        port = gone.port();
    }
    ASSERT_GT(port, 0);
    std::string error;
    auto sink = UdpSink::open("127.0.0.1", static_cast<std::uint16_t>(port), error);
    ASSERT_NE(sink, nullptr) << error;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(sink->send("$HEHDT,1,T\r\n"), "");
}
