// The command line: option forms and their faults, exit statuses, and what
// a run prints, with a fake clock and sink.
#include "tools/nmea_send_cli.h"

#include "fakes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace nmea_send;
using namespace nmea_send_test;

namespace {

using Args = std::vector<std::string>;

std::string temp_file(const std::string& name, const std::string& text) {
    std::string path = testing::TempDir() + "nmea_send_cli_" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// A run with a fake clock and sink; records the host and port asked for.
struct Harness {
    FakeClock clock;
    FakeSink sink{clock};
    bool opened = false;
    std::string opened_host;
    int opened_port = -1;
    std::string open_error; // makes the opener fail when set
    std::ostringstream out, err;

    int run(const Args& args) {
        Env env{clock,
                [this](const std::string& host, std::uint16_t port,
                       std::string& error) -> std::unique_ptr<Sink> {
                    opened_host = host;
                    opened_port = port;
                    if (!open_error.empty()) {
                        error = open_error;
                        return nullptr;
                    }
                    opened = true;
                    return std::make_unique<SinkRef>(sink);
                },
                out, err};
        return nmea_send::run(args, env);
    }
};

} // namespace

TEST(ParseArgs, GoodForms) {
    struct Case {
        Args args;
        std::string file, host;
        int port;
        double speed;
        std::uint64_t loops;
    };
    const Case cases[] = {
        {{"f.nmea"}, "f.nmea", "127.0.0.1", 49000, 1, 0},
        {{"-p50000", "f"}, "f", "127.0.0.1", 50000, 1, 0},
        {{"f", "-p", "1"}, "f", "127.0.0.1", 1, 1, 0},
        {{"--port=65535", "f"}, "f", "127.0.0.1", 65535, 1, 0},
        {{"--port", "4000", "f"}, "f", "127.0.0.1", 4000, 1, 0},
        {{"-hsurvey-pc", "f"}, "f", "survey-pc", 49000, 1, 0},
        {{"-h", "10.0.0.255", "f"}, "f", "10.0.0.255", 49000, 1, 0},
        {{"--host=::1", "f"}, "f", "::1", 49000, 1, 0},
        {{"f", "--once"}, "f", "127.0.0.1", 49000, 1, 1},
        {{"f", "--loops=7"}, "f", "127.0.0.1", 49000, 1, 7},
        {{"f", "--speed=2.5"}, "f", "127.0.0.1", 49000, 2.5, 0},
        {{"f", "--speed", "1e6"}, "f", "127.0.0.1", 49000, 1e6, 0},
        {{"f", "--speed=0.001"}, "f", "127.0.0.1", 49000, 0.001, 0},
        {{"--", "-odd-name"}, "-odd-name", "127.0.0.1", 49000, 1, 0},
        {{"-p1", "-p2", "f"}, "f", "127.0.0.1", 2, 1, 0}, // the last one counts
    };
    for (const Case& c : cases) {
        ParsedArgs p = parse_args(c.args);
        std::string what = c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : "");
        ASSERT_EQ(p.error, "") << what;
        EXPECT_EQ(p.options.file, c.file) << what;
        EXPECT_EQ(p.options.host, c.host) << what;
        EXPECT_EQ(p.options.port, c.port) << what;
        EXPECT_DOUBLE_EQ(p.options.speed, c.speed) << what;
        EXPECT_EQ(p.options.loops, c.loops) << what;
        EXPECT_FALSE(p.options.help) << what;
    }
}

TEST(ParseArgs, Faults) {
    struct Case {
        Args args;
        const char* error;
    };
    const Case cases[] = {
        {{}, "no FILE given"},
        {{"-p49000"}, "no FILE given"},
        {{"a", "b"}, "more than one FILE: 'a' and 'b'"},
        {{"f", "-p"}, "option -p needs a PORT"},
        {{"f", "--port"}, "option --port needs a PORT"},
        {{"f", "-p0"}, "bad port '0': give a number from 1 to 65535"},
        {{"f", "-p65536"}, "bad port '65536': give a number from 1 to 65535"},
        {{"f", "-p-1"}, "bad port '-1': give a number from 1 to 65535"},
        {{"f", "-p 80"}, "bad port ' 80': give a number from 1 to 65535"},
        {{"f", "--port=49k"}, "bad port '49k': give a number from 1 to 65535"},
        {{"f", "--port=0000049000"}, "bad port '0000049000': give a number from 1 to 65535"},
        {{"f", "-h"}, "option -h needs a HOST"},
        {{"f", "--host="}, "option --host= needs a HOST"},
        {{"f", "--speed=0"}, "bad speed '0': give a number from 0.001 to 1000000"},
        {{"f", "--speed=-1"}, "bad speed '-1': give a number from 0.001 to 1000000"},
        {{"f", "--speed=fast"}, "bad speed 'fast': give a number from 0.001 to 1000000"},
        {{"f", "--speed=nan"}, "bad speed 'nan': give a number from 0.001 to 1000000"},
        {{"f", "--speed=2x"}, "bad speed '2x': give a number from 0.001 to 1000000"},
        {{"f", "--speed=1e7"}, "bad speed '1e7': give a number from 0.001 to 1000000"},
        {{"f", "--speed"}, "option --speed needs a number"},
        {{"f", "--loops=0"}, "bad loop count '0': give a whole number from 1 to 999999999"},
        {{"f", "--once=yes"}, "unknown option '--once=yes'"},
        {{"f", "-x"}, "unknown option '-x'"},
        {{"f", "--ports=1"}, "unknown option '--ports=1'"},
        {{"f", "-s2"}, "unknown option '-s2'"},
    };
    for (const Case& c : cases) {
        std::string what;
        for (const auto& a : c.args) what += a + " ";
        EXPECT_EQ(parse_args(c.args).error, c.error) << what;
    }
}

TEST(Run, HelpGoesToStdoutAndNeedsNoFile) {
    Harness h;
    EXPECT_EQ(h.run({"--help"}), kExitOk);
    EXPECT_NE(h.out.str().find("Usage: nmea_send FILE"), std::string::npos);
    EXPECT_NE(h.out.str().find("--speed=X"), std::string::npos);
    EXPECT_EQ(h.err.str(), "");
    EXPECT_EQ(h.opened_port, -1);
}

TEST(Run, SetupFaultsExitWithTwo) {
    std::string good = temp_file("good.nmea", "12:00:00 $A\n");
    std::string junk = temp_file("junk.nmea", "junk\n12:00:00\n");
    std::string missing = testing::TempDir() + "nmea_send_cli_missing.nmea";
    struct Case {
        Args args;
        std::string open_error;
        std::string err;
    };
    const Case cases[] = {
        {{good, "-pxyz"}, "",
         "nmea_send: bad port 'xyz': give a number from 1 to 65535\nTry 'nmea_send --help'.\n"},
        {{missing}, "", "nmea_send: cannot open " + missing + ": No such file or directory\n"},
        {{testing::TempDir()}, "", "nmea_send: " + testing::TempDir() + " is a directory\n"},
        {{junk}, "",
         "nmea_send: " + junk + ": skipped 2 malformed lines (the first is line 1)\n"
         "nmea_send: " + junk + ": no sentences to send\n"},
        {{good, "-hno.such.host"}, "unknown host 'no.such.host': Name or service not known",
         "nmea_send: unknown host 'no.such.host': Name or service not known\n"},
    };
    for (const Case& c : cases) {
        Harness h;
        h.open_error = c.open_error;
        EXPECT_EQ(h.run(c.args), kExitSetup) << c.err;
        EXPECT_EQ(h.err.str(), c.err);
        EXPECT_FALSE(h.opened);
    }
}

TEST(Run, OncePlaysTheFileAndReportsTheLoop) {
    std::string f = temp_file("once.nmea", "12:00:00 $A\nbad\n12:00:02 $B\n$C\n");
    Harness h;
    EXPECT_EQ(h.run({f, "-p4000", "-hbox", "--once"}), kExitOk);
    EXPECT_EQ(h.opened_host, "box");
    EXPECT_EQ(h.opened_port, 4000);
    ASSERT_EQ(h.sink.sent.size(), 3u);
    EXPECT_EQ(h.sink.sent[2].datagram, "$C\r\n");
    EXPECT_EQ(h.sink.sent[2].at, sec(2));
    EXPECT_EQ(h.err.str(), "nmea_send: " + f + ": skipped 1 malformed line (the first is line 2)\n"
                           "nmea_send: " + f + ": 3 sentences over 2 s, to box:4000\n"
                           "nmea_send: loop 1: 3 sent in 2.0 s\n");
}

TEST(Run, OneProgressLinePerLoopAtTheGivenSpeed) {
    std::string f = temp_file("loops.nmea", "12:00:00 $A\n12:00:03 $B\n");
    Harness h;
    EXPECT_EQ(h.run({f, "--loops=3", "--speed=2"}), kExitOk);
    EXPECT_EQ(h.opened_host, "127.0.0.1");
    EXPECT_EQ(h.opened_port, 49000);
    ASSERT_EQ(h.sink.sent.size(), 6u);
    EXPECT_EQ(h.sink.sent[5].at, ms(2 * 2000 + 1500));
    EXPECT_EQ(h.err.str(), "nmea_send: " + f + ": 2 sentences over 3 s, to 127.0.0.1:49000\n"
                           "nmea_send: loop 1: 2 sent in 1.5 s\n"
                           "nmea_send: loop 2: 2 sent in 1.5 s\n"
                           "nmea_send: loop 3: 2 sent in 1.5 s\n");
}

TEST(Run, FailedSendsShowInTheProgressAndTheStatus) {
    std::string f = temp_file("fail.nmea", "12:00:00 $A\n12:00:01 $B\n");
    Harness h;
    h.sink.after = [](const std::string& d) {
        return d == "$B\r\n" ? std::string("Network is unreachable") : std::string();
    };
    EXPECT_EQ(h.run({f, "--once"}), kExitSendFailed);
    EXPECT_NE(h.err.str().find("nmea_send: loop 1: 1 sent in 1.0 s, 1 not sent "
                               "(Network is unreachable)\n"),
              std::string::npos)
        << h.err.str();
}
