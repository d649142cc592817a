// Pacing of the player on a fake clock: offsets, speed, loops and their gap,
// running late, and sends that fail.
#include "tools/nmea_send_player.h"

#include "fakes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace nmea_send;
using namespace nmea_send_test;

namespace {

std::vector<Entry> entries(std::initializer_list<std::int64_t> offsets) {
    std::vector<Entry> v;
    int n = 0;
    for (std::int64_t o : offsets) v.push_back({o, "$S" + std::to_string(n++)});
    return v;
}

std::vector<Nanos> times(const FakeSink& sink) {
    std::vector<Nanos> v;
    for (const Sent& s : sink.sent) v.push_back(s.at);
    return v;
}

} // namespace

TEST(Scaled, SecondsOverSpeed) {
    struct Case {
        std::int64_t seconds;
        double speed;
        Nanos want;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {0, 1, Nanos(0)},
        {5, 1, sec(5)},
        {5, 2, ms(2500)},
        {3, 0.5, sec(6)},
        {1, 1e6, Nanos(1000)},
        {1, 3, Nanos(333333333)},    // rounded to the nearest nanosecond
        {2, 3, Nanos(666666667)},
        {7, 0, sec(7)},              // a speed that makes no sense counts as 1
        {7, -2, sec(7)},
        {7, nan, sec(7)},
        {7, inf, sec(7)},
        {-4, 1, Nanos(0)},           // never before the start
        {std::numeric_limits<std::int64_t>::max(), 0.001, Nanos(3000000000000000000)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(scaled(c.seconds, c.speed), c.want) << c.seconds << " s at " << c.speed;
}

TEST(Play, SendsEachSentenceAtItsOffsetWithCrLf) {
    FakeClock clock;
    FakeSink sink(clock);
    std::vector<Entry> e = {{0, "$GPGGA,1*00"}, {1, "$HEHDT,2*00"}, {1, "!AIVDM,3"}, {5, "$X"}};
    play(e, {1.0, 1}, clock, sink, nullptr);
    ASSERT_EQ(sink.sent.size(), 4u);
    EXPECT_EQ(times(sink), (std::vector<Nanos>{sec(0), sec(1), sec(1), sec(5)}));
    EXPECT_EQ(sink.sent[0].datagram, "$GPGGA,1*00\r\n");
    EXPECT_EQ(sink.sent[2].datagram, "!AIVDM,3\r\n");
    // Nothing is sent early, and a line due now does not sleep.
    EXPECT_EQ(clock.sleeps.size(), 2u);
}

TEST(Play, SpeedScalesOffsets) {
    struct Case {
        double speed;
        std::vector<Nanos> want;
    };
    const Case cases[] = {
        {1, {sec(0), sec(1), sec(5)}},
        {2, {sec(0), ms(500), ms(2500)}},
        {0.5, {sec(0), sec(2), sec(10)}},
        {1e6, {Nanos(0), Nanos(1000), Nanos(5000)}},
    };
    for (const Case& c : cases) {
        FakeClock clock;
        FakeSink sink(clock);
        play(entries({0, 1, 5}), {c.speed, 1}, clock, sink, nullptr);
        EXPECT_EQ(times(sink), c.want) << "speed " << c.speed;
    }
}

TEST(Play, LoopsRestartOneSecondAfterTheLastLine) {
    struct Case {
        double speed;
        std::vector<Nanos> want;
    };
    const Case cases[] = {
        {1, {sec(0), sec(2), sec(3), sec(5), sec(6), sec(8)}},
        // The gap is a recorded second, so it shrinks with the rest.
        {2, {sec(0), sec(1), ms(1500), ms(2500), sec(3), sec(4)}},
    };
    for (const Case& c : cases) {
        FakeClock clock;
        FakeSink sink(clock);
        std::vector<LoopReport> reports;
        play(entries({0, 2}), {c.speed, 3}, clock, sink,
             [&](const LoopReport& r) { reports.push_back(r); });
        EXPECT_EQ(times(sink), c.want) << "speed " << c.speed;
        ASSERT_EQ(reports.size(), 3u);
        for (std::size_t i = 0; i < reports.size(); ++i) {
            EXPECT_EQ(reports[i].loop, i + 1);
            EXPECT_EQ(reports[i].sent, 2u);
            EXPECT_EQ(reports[i].failed, 0u);
            EXPECT_EQ(reports[i].took, scaled(2, c.speed));
        }
    }
}

TEST(Play, SingleInstantRecordingStillPausesBetweenLoops) {
    FakeClock clock;
    FakeSink sink(clock);
    play(entries({0, 0}), {1, 2}, clock, sink, nullptr);
    EXPECT_EQ(times(sink), (std::vector<Nanos>{sec(0), sec(0), sec(1), sec(1)}));
}

TEST(Play, EndlessUntilStopped) {
    // loops = 0 has no end of its own; a sink that stops after many loops
    // proves it keeps going and keeps its pace.
    struct Stop {};
    FakeClock clock;
    FakeSink sink(clock);
    sink.after = [&](const std::string&) -> std::string {
        if (sink.sent.size() == 2000) throw Stop{};
        return {};
    };
    EXPECT_THROW(play(entries({0, 1}), {1, 0}, clock, sink, nullptr), Stop);
    EXPECT_EQ(sink.sent.back().at, sec(999 * 2 + 1));
}

TEST(Play, LateLinesGoAtOnceAndTheNextLoopDoesNotRush) {
    FakeClock clock;
    FakeSink sink(clock);
    // The second send takes ten seconds, as when the process was stopped.
    sink.after = [&](const std::string&) {
        if (sink.sent.size() == 2) clock.t += sec(10);
        return std::string();
    };
    play(entries({0, 1, 2}), {1, 2}, clock, sink, nullptr);
    // The third line is overdue and goes at once; the second loop then starts
    // from now, keeping its own spacing rather than bunching up.
    EXPECT_EQ(times(sink), (std::vector<Nanos>{sec(0), sec(1), sec(11), sec(11), sec(12),
                                               sec(13)}));
    EXPECT_EQ(clock.sleeps.size(), 3u); // for 1 s, 12 s and 13 s only
}

TEST(Play, FailedSendsAreCountedAndPlayGoesOn) {
    FakeClock clock;
    FakeSink sink(clock);
    sink.after = [](const std::string& d) {
        if (d == "$S1\r\n") return std::string("Network is unreachable");
        if (d == "$S2\r\n") return std::string("second fault");
        return std::string();
    };
    std::vector<LoopReport> reports;
    play(entries({0, 1, 2, 3}), {1, 2}, clock, sink,
         [&](const LoopReport& r) { reports.push_back(r); });
    EXPECT_EQ(sink.sent.size(), 8u);
    ASSERT_EQ(reports.size(), 2u);
    for (const LoopReport& r : reports) {
        EXPECT_EQ(r.sent, 2u);
        EXPECT_EQ(r.failed, 2u);
        EXPECT_EQ(r.first_error, "Network is unreachable");
    }
}

TEST(Play, EmptyTimelineDoesNothing) {
    FakeClock clock;
    FakeSink sink(clock);
    int reports = 0;
    play({}, {1, 0}, clock, sink, [&](const LoopReport&) { ++reports; });
    EXPECT_TRUE(sink.sent.empty());
    EXPECT_EQ(reports, 0);
    EXPECT_TRUE(clock.sleeps.empty());
}
