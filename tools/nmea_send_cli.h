// The command line of nmea_send: its options, and the run that reads the
// recording, opens the sink and plays. The clock and the sink come from the
// caller, so that the whole program runs in tests.
#pragma once

#include "tools/nmea_send_player.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace nmea_send {

struct Options {
    std::string file;
    std::string host = "127.0.0.1";
    std::uint16_t port = 49000;
    double speed = 1.0;
    std::uint64_t loops = 0; // 0 plays for ever
    bool help = false;
};

struct ParsedArgs {
    Options options;
    std::string error; // empty when the arguments are good
};

// The arguments after the program name.
ParsedArgs parse_args(const std::vector<std::string>& args);

std::string usage_text();

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitSendFailed = 1; // some datagrams could not be sent
constexpr int kExitSetup = 2;      // bad arguments, file, port or host

using SinkOpener = std::function<std::unique_ptr<Sink>(const std::string& host,
                                                       std::uint16_t port, std::string& error)>;

struct Env {
    Clock& clock;
    SinkOpener open_sink;
    std::ostream& out; // --help
    std::ostream& err; // errors and progress
};

int run(const std::vector<std::string>& args, Env& env);

} // namespace nmea_send
