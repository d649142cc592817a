// A clock that only moves when the player sleeps, and a sink that notes what
// it was given and when.
#pragma once

#include "tools/nmea_send_player.h"

#include <functional>
#include <string>
#include <vector>

namespace nmea_send_test {

using nmea_send::Nanos;
using nmea_send::TimePoint;

// Starts at an arbitrary reading, as a monotonic clock does.
inline const TimePoint kStart = TimePoint(std::chrono::hours(1000));

class FakeClock : public nmea_send::Clock {
public:
    TimePoint t = kStart;
    std::vector<TimePoint> sleeps;

    TimePoint now() override { return t; }
    void sleep_until(TimePoint due) override {
        sleeps.push_back(due);
        if (due > t) t = due;
    }
    Nanos elapsed() const { return t - kStart; }
};

struct Sent {
    Nanos at;             // since kStart
    std::string datagram;
};

class FakeSink : public nmea_send::Sink {
public:
    explicit FakeSink(FakeClock& clock) : clock_(clock) {}

    std::vector<Sent> sent;
    // Called after each datagram is noted; may move the clock or fail the send.
    std::function<std::string(const std::string& datagram)> after;

    std::string send(std::string_view datagram) override {
        sent.push_back({clock_.elapsed(), std::string(datagram)});
        return after ? after(sent.back().datagram) : std::string();
    }

private:
    FakeClock& clock_;
};

inline Nanos ms(long long n) { return std::chrono::milliseconds(n); }
inline Nanos sec(long long n) { return std::chrono::seconds(n); }

// Hands a run a sink that the test keeps after the run has dropped it.
class SinkRef : public nmea_send::Sink {
public:
    explicit SinkRef(nmea_send::Sink& to) : to_(to) {}
    std::string send(std::string_view datagram) override { return to_.send(datagram); }

private:
    nmea_send::Sink& to_;
};

} // namespace nmea_send_test
