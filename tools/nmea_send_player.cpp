#include "tools/nmea_send_player.h"

#include <algorithm>
#include <cmath>

namespace nmea_send {

namespace {
// About 95 years: a clock reading plus this still fits the 64-bit count.
constexpr double kMaxNanos = 3e18;
} // namespace

Nanos scaled(std::int64_t seconds, double speed) {
    if (!std::isfinite(speed) || speed <= 0) speed = 1.0;
    double ns = static_cast<double>(seconds) * 1e9 / speed;
    if (ns > kMaxNanos) ns = kMaxNanos;
    if (ns < 0) ns = 0;
    return Nanos(static_cast<Nanos::rep>(std::llround(ns)));
}

void play(const std::vector<Entry>& entries, const PlayOptions& opts, Clock& clock, Sink& sink,
          const std::function<void(const LoopReport&)>& on_loop) {
    if (entries.empty()) return;
    const Nanos loop_length = scaled(entries.back().offset_s + kLoopGapSeconds, opts.speed);
    std::string datagram;
    TimePoint start = clock.now();
    for (std::uint64_t loop = 1; opts.loops == 0 || loop <= opts.loops; ++loop) {
        LoopReport report;
        report.loop = loop;
        for (const Entry& e : entries) {
            TimePoint due = start + scaled(e.offset_s, opts.speed);
            if (clock.now() < due) clock.sleep_until(due);
            // Real NMEA talkers end every sentence with CR LF.
            datagram.assign(e.sentence).append("\r\n");
            std::string error = sink.send(datagram);
            if (error.empty()) {
                ++report.sent;
            } else if (report.failed++ == 0) {
                report.first_error = std::move(error);
            }
        }
        TimePoint now = clock.now();
        report.took = now - start;
        if (on_loop) on_loop(report);
        // A loop that ran late starts the next one at once rather than
        // rushing through its first lines to catch up.
        start = std::max(start + loop_length, now);
    }
}

} // namespace nmea_send
