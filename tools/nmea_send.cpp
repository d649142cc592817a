// nmea_send: plays an NMEA recording to a UDP port at its recorded pace.
#include "tools/nmea_send_cli.h"
#include "tools/nmea_send_udp.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    nmea_send::SteadyClock clock;
    nmea_send::Env env{clock,
                       [](const std::string& host, std::uint16_t port, std::string& error)
                           -> std::unique_ptr<nmea_send::Sink> {
                           return nmea_send::UdpSink::open(host, port, error);
                       },
                       std::cout, std::cerr};
    return nmea_send::run(args, env);
}
