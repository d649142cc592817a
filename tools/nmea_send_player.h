// Plays a timeline: each sentence goes to a sink as one datagram once its
// recorded offset, divided by the speed, has passed on a monotonic clock.
// Clock and sink are interfaces, so that the pacing runs in tests without
// waiting and without a network.
#pragma once

#include "tools/nmea_send_recording.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nmea_send {

using TimePoint = std::chrono::steady_clock::time_point;
using Nanos = std::chrono::nanoseconds;

class Clock {
public:
    virtual ~Clock() = default;
    virtual TimePoint now() = 0;
    virtual void sleep_until(TimePoint t) = 0;
};

class Sink {
public:
    virtual ~Sink() = default;
    // Sends one datagram; returns an error message, empty when it went out.
    virtual std::string send(std::string_view datagram) = 0;
};

struct PlayOptions {
    double speed = 1.0;  // recorded seconds per real second
    std::uint64_t loops = 0; // 0 plays for ever
};

struct LoopReport {
    std::uint64_t loop = 0; // 1-based
    std::size_t sent = 0;
    std::size_t failed = 0; // datagrams the sink could not send
    std::string first_error;
    Nanos took{0};          // from the loop's start to its last datagram
};

// Recorded seconds scaled to real time; non-finite or non-positive speeds
// count as 1, and the result is capped far beyond any real recording.
Nanos scaled(std::int64_t seconds, double speed);

// Between the last sentence of a loop and the first of the next.
constexpr std::int64_t kLoopGapSeconds = 1;

// Plays the entries opts.loops times (for ever when 0), calling on_loop after
// each loop. An empty timeline plays nothing.
void play(const std::vector<Entry>& entries, const PlayOptions& opts, Clock& clock, Sink& sink,
          const std::function<void(const LoopReport&)>& on_loop);

} // namespace nmea_send
