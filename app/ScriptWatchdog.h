// Keeps a composition's script from hanging the program. The main thread runs
// every call that may execute a composition's JavaScript through run(); a
// thread of ours wakes a few times a second and interrupts the script engine
// when one such call has run longer than the limit. Once the program is
// quitting (a signal), every script is interrupted shortly after, so that
// the main thread gets back to its event loop and can save the settings.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace tarnvik {

class ScriptWatchdog {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kDefaultLimit{3000};
    // How long scripts may still run after the program was told to quit.
    static constexpr std::chrono::milliseconds kQuitGrace{250};

    // interrupt(true) stops the engine's scripts and interrupt(false) lets
    // them run again; it is called from the watching thread and must be
    // thread-safe (QJSEngine::setInterrupted is). Without a thread of its
    // own, the watchdog only acts when check() is called.
    ScriptWatchdog(std::function<void(bool)> interrupt, bool ownThread = true,
                   const std::atomic<bool>* quitting = &quitRequested());
    ~ScriptWatchdog();
    ScriptWatchdog(const ScriptWatchdog&) = delete;
    ScriptWatchdog& operator=(const ScriptWatchdog&) = delete;

    void setLimit(Clock::duration limit);
    Clock::duration limit() const;

    // Runs work on the calling (main) thread; false when it ran past the
    // limit and was interrupted. A call inside another one counts as part of
    // the outer call.
    bool run(const std::function<void()>& work);
    // True while run() is working (tests).
    bool busy() const;
    // Scripts were stopped for good because the program is quitting.
    bool stoppedForQuit() const;

    // One look at the main thread, as the watching thread takes it a few
    // times a second; tests call it with a time of their own. True when it
    // interrupted the engine.
    bool check(Clock::time_point now);

    // The process-wide "program is quitting" flag; setting it is
    // async-signal-safe.
    static std::atomic<bool>& quitRequested();

private:
    void watch();
    bool leave(); // true when the call was interrupted

    std::function<void(bool)> interrupt_;
    const std::atomic<bool>* quitting_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    Clock::duration limit_ = kDefaultLimit;
    int depth_ = 0;                   // nested run() calls
    Clock::time_point started_;       // of the outermost run() call
    bool interrupted_ = false;        // the running call was interrupted
    std::optional<Clock::time_point> quitSeen_;
    bool stoppedForQuit_ = false;     // scripts stay interrupted for good
    std::thread thread_;
};

} // namespace tarnvik
