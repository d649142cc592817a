#include "tools/nmea_send_cli.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iomanip>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace nmea_send {

namespace {

constexpr const char* kName = "nmea_send";
constexpr double kMinSpeed = 0.001;
constexpr double kMaxSpeed = 1e6;
// A day of a busy recording is a few tens of megabytes.
constexpr off_t kMaxFile = off_t{1} << 30;

bool all_digits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string parse_port(const std::string& v, std::uint16_t& port) {
    if (all_digits(v) && v.size() <= 5) {
        long n = std::strtol(v.c_str(), nullptr, 10);
        if (n >= 1 && n <= 65535) {
            port = static_cast<std::uint16_t>(n);
            return {};
        }
    }
    return "bad port '" + v + "': give a number from 1 to 65535";
}

std::string parse_speed(const std::string& v, double& speed) {
    const char* s = v.c_str();
    char* end = nullptr;
    errno = 0;
    double x = std::strtod(s, &end);
    if (!v.empty() && end && *end == '\0' && errno == 0 && std::isfinite(x) && x >= kMinSpeed &&
        x <= kMaxSpeed) {
        speed = x;
        return {};
    }
    return "bad speed '" + v + "': give a number from 0.001 to 1000000";
}

std::string parse_loops(const std::string& v, std::uint64_t& loops) {
    if (all_digits(v) && v.size() <= 9) {
        unsigned long n = std::strtoul(v.c_str(), nullptr, 10);
        if (n >= 1) {
            loops = n;
            return {};
        }
    }
    return "bad loop count '" + v + "': give a whole number from 1 to 999999999";
}

// Whether args[i] is the option given as --name or -c. Its value is what
// follows "=" (long) or the letter (short), else the next argument.
// Sets missing when the value is absent.
bool option(const std::vector<std::string>& args, std::size_t& i, const char* name, char letter,
            std::string& value, bool& missing) {
    const std::string& a = args[i];
    std::string long_form = std::string("--") + name;
    bool glued = false;
    if (a == long_form || (letter && a.size() == 2 && a[0] == '-' && a[1] == letter)) {
        // value in the next argument
    } else if (a.rfind(long_form + "=", 0) == 0) {
        value = a.substr(long_form.size() + 1);
        glued = true;
    } else if (letter && a.size() > 2 && a[0] == '-' && a[1] == letter) {
        value = a.substr(2);
        glued = true;
    } else {
        return false;
    }
    if (!glued) {
        if (i + 1 >= args.size()) {
            missing = true;
            return true;
        }
        value = args[++i];
    }
    return true;
}

std::string read_file(const std::string& path, std::string& contents) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "cannot open " + path + ": " + std::strerror(errno);
    struct stat st{};
    std::string error;
    bool known = ::fstat(fd, &st) == 0;
    if (known && S_ISDIR(st.st_mode)) {
        error = path + " is a directory";
    } else if (known && S_ISREG(st.st_mode) && st.st_size > kMaxFile) {
        error = path + " is too large for a recording";
    } else {
        char buf[1 << 16];
        for (;;) {
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0) {
                contents.append(buf, static_cast<std::size_t>(n));
                if (static_cast<off_t>(contents.size()) > kMaxFile) {
                    error = path + " is too large for a recording";
                    break;
                }
            } else if (n == 0) {
                break;
            } else if (errno != EINTR) {
                error = "cannot read " + path + ": " + std::strerror(errno);
                break;
            }
        }
    }
    ::close(fd);
    return error;
}

std::string seconds_text(Nanos d) {
    std::ostringstream s;
    s << std::fixed << std::setprecision(1) << std::chrono::duration<double>(d).count() << " s";
    return s.str();
}

} // namespace

std::string usage_text() {
    return "Usage: nmea_send FILE [OPTION]...\n"
           "Sends a recording of NMEA 0183 sentences (lines of \"HH:MM:SS <sentence>\",\n"
           "or a bare sentence that follows the line before it) to a UDP port at its\n"
           "recorded pace, one sentence a datagram, and starts again a second after the\n"
           "last line.\n"
           "\n"
           "  -p PORT, --port=PORT    UDP port to send to (default 49000)\n"
           "  -h HOST, --host=HOST    host name or address (default 127.0.0.1)\n"
           "      --once              play the recording once, then stop\n"
           "      --loops=N           play it N times, then stop\n"
           "      --speed=X           play X times as fast (0.001 to 1000000, default 1)\n"
           "      --help              show this text\n"
           "\n"
           "Short options take their value glued or apart: -p49000 or -p 49000.\n"
           "Exit status: 0 when done, 1 when some datagrams could not be sent,\n"
           "2 for bad arguments, an unreadable file, or a host that is not found.\n";
}

ParsedArgs parse_args(const std::vector<std::string>& args) {
    ParsedArgs r;
    Options& o = r.options;
    bool files_only = false;
    bool have_file = false;
    for (std::size_t i = 0; i < args.size() && r.error.empty(); ++i) {
        const std::string& a = args[i];
        std::string value;
        bool missing = false;
        if (files_only || a == "-" || a.empty() || a[0] != '-') {
            if (have_file) r.error = "more than one FILE: '" + o.file + "' and '" + a + "'";
            o.file = a;
            have_file = true;
        } else if (a == "--") {
            files_only = true;
        } else if (a == "--help") {
            o.help = true;
        } else if (a == "--once") {
            o.loops = 1;
        } else if (option(args, i, "port", 'p', value, missing)) {
            r.error = missing ? "option " + a + " needs a PORT" : parse_port(value, o.port);
        } else if (option(args, i, "host", 'h', value, missing)) {
            if (missing || value.empty()) r.error = "option " + a + " needs a HOST";
            else o.host = value;
        } else if (option(args, i, "speed", 0, value, missing)) {
            r.error = missing ? "option " + a + " needs a number" : parse_speed(value, o.speed);
        } else if (option(args, i, "loops", 0, value, missing)) {
            r.error = missing ? "option " + a + " needs a number" : parse_loops(value, o.loops);
        } else {
            r.error = "unknown option '" + a + "'";
        }
    }
    if (r.error.empty() && !o.help && !have_file) r.error = "no FILE given";
    return r;
}

int run(const std::vector<std::string>& args, Env& env) {
    ParsedArgs parsed = parse_args(args);
    auto fail = [&](const std::string& message) {
        env.err << kName << ": " << message << "\n";
        return kExitSetup;
    };
    if (!parsed.error.empty()) {
        env.err << kName << ": " << parsed.error << "\nTry 'nmea_send --help'.\n";
        return kExitSetup;
    }
    const Options& o = parsed.options;
    if (o.help) {
        env.out << usage_text();
        return kExitOk;
    }

    std::string text;
    if (std::string e = read_file(o.file, text); !e.empty()) return fail(e);
    Recording rec = parse_recording(text);
    if (rec.skipped > 0) {
        env.err << kName << ": " << o.file << ": skipped " << rec.skipped << " malformed line"
                << (rec.skipped == 1 ? "" : "s") << " (the first is line "
                << rec.first_skipped_line << ")\n";
    }
    if (rec.entries.empty()) return fail(o.file + ": no sentences to send");

    std::string error;
    std::unique_ptr<Sink> sink = env.open_sink(o.host, o.port, error);
    if (!sink) return fail(error.empty() ? "cannot send to " + o.host : error);

    env.err << kName << ": " << o.file << ": " << rec.entries.size() << " sentences over "
            << rec.entries.back().offset_s << " s, to " << o.host << ":" << o.port << "\n";
    bool any_failed = false;
    auto on_loop = [&](const LoopReport& r) {
        env.err << kName << ": loop " << r.loop << ": " << r.sent << " sent in "
                << seconds_text(r.took);
        if (r.failed > 0) {
            any_failed = true;
            env.err << ", " << r.failed << " not sent (" << r.first_error << ")";
        }
        env.err << "\n" << std::flush;
    };
    play(rec.entries, PlayOptions{o.speed, o.loops}, env.clock, *sink, on_loop);
    return any_failed ? kExitSendFailed : kExitOk;
}

} // namespace nmea_send
