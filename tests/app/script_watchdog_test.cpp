// The watchdog stops a script that runs past the limit, and only that one;
// once the program is quitting it stops every script. The test gives the
// watchdog its time by hand, from a second thread, while the main thread runs.
#include "app/ScriptWatchdog.h"

#include <QJSEngine>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace tarnvik;
using namespace std::chrono_literals;
using Clock = ScriptWatchdog::Clock;

namespace {

struct Watched {
    QJSEngine engine;
    std::atomic<bool> quitting{false};
    ScriptWatchdog dog{[this](bool stop) { engine.setInterrupted(stop); }, false, &quitting};

    // Runs script on this thread while another thread looks at it once,
    // `later` after now; returns run()'s result and whether the look interrupted.
    std::pair<bool, bool> runLookingAt(const QString& script, Clock::duration later) {
        std::atomic<bool> looked{false};
        bool interrupted = false;
        std::thread eye([&] {
            while (!dog.busy()) std::this_thread::yield();
            interrupted = dog.check(Clock::now() + later);
            looked = true;
        });
        const bool finished = dog.run([&] {
            engine.evaluate(script);
            while (!looked) std::this_thread::yield(); // a short script waits for the look
        });
        eye.join();
        return {finished, interrupted};
    }
    int answer() { return engine.evaluate(QStringLiteral("6 * 7")).toInt(); }
};

TEST(ScriptWatchdogTest, StopsOnlyAScriptThatRunsPastTheLimit) {
    Watched w;
    w.dog.setLimit(3s);
    EXPECT_EQ(w.runLookingAt(QStringLiteral("1 + 1"), 2s), std::make_pair(true, false));
    EXPECT_EQ(w.runLookingAt(QStringLiteral("while (true) {}"), 4s), std::make_pair(false, true));
    EXPECT_EQ(w.answer(), 42); // the engine runs scripts again
    EXPECT_FALSE(w.dog.check(Clock::now() + 1h)); // nothing is running: nothing to stop
    EXPECT_EQ(w.answer(), 42);
}

TEST(ScriptWatchdogTest, QuittingStopsEveryScriptForGoodAfterAMoment) {
    Watched w;
    w.quitting = true;
    const Clock::time_point t = Clock::now();
    EXPECT_FALSE(w.dog.check(t));       // scripts may still finish on their own
    EXPECT_EQ(w.answer(), 42);
    ASSERT_TRUE(w.dog.check(t + ScriptWatchdog::kQuitGrace));
    ASSERT_TRUE(w.dog.stoppedForQuit());
    EXPECT_NE(w.answer(), 42);
    // A call that ends at once is not one that ran too long.
    EXPECT_TRUE(w.dog.run([&] { w.engine.evaluate(QStringLiteral("while (true) {}")); }));
    EXPECT_NE(w.answer(), 42);
}

} // namespace
