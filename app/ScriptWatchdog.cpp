#include "app/ScriptWatchdog.h"

namespace tarnvik {

namespace {
// Often enough to keep a hang near the limit and to answer a quit quickly;
// rare enough to cost nothing.
constexpr std::chrono::milliseconds kLookEvery{100};
} // namespace

std::atomic<bool>& ScriptWatchdog::quitRequested() {
    static std::atomic<bool> flag{false};
    static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
    return flag;
}

ScriptWatchdog::ScriptWatchdog(std::function<void(bool)> interrupt, bool ownThread,
                               const std::atomic<bool>* quitting)
    : interrupt_(std::move(interrupt)), quitting_(quitting) {
    if (ownThread) thread_ = std::thread([this] { watch(); });
}

ScriptWatchdog::~ScriptWatchdog() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void ScriptWatchdog::setLimit(Clock::duration limit) {
    std::lock_guard lock(mutex_);
    limit_ = limit;
}

ScriptWatchdog::Clock::duration ScriptWatchdog::limit() const {
    std::lock_guard lock(mutex_);
    return limit_;
}

bool ScriptWatchdog::busy() const {
    std::lock_guard lock(mutex_);
    return depth_ > 0;
}

bool ScriptWatchdog::stoppedForQuit() const {
    std::lock_guard lock(mutex_);
    return stoppedForQuit_;
}

bool ScriptWatchdog::run(const std::function<void()>& work) {
    {
        std::lock_guard lock(mutex_);
        if (depth_++ == 0) {
            started_ = Clock::now();
            interrupted_ = false;
        }
    }
    try {
        work();
    } catch (...) {
        leave();
        throw;
    }
    return !leave();
}

bool ScriptWatchdog::leave() {
    std::lock_guard lock(mutex_);
    const bool overran = interrupted_;
    if (--depth_ > 0) return overran;
    // Under the lock, so that an interrupt never lands on the next call.
    if (interrupted_ && !stoppedForQuit_) interrupt_(false);
    interrupted_ = false;
    return overran;
}

bool ScriptWatchdog::check(Clock::time_point now) {
    std::lock_guard lock(mutex_);
    if (quitting_ && quitting_->load(std::memory_order_relaxed)) {
        if (!quitSeen_) quitSeen_ = now;
        // Whatever runs now, guarded or not, must let the quit through.
        if (!stoppedForQuit_ && now - *quitSeen_ >= kQuitGrace) {
            stoppedForQuit_ = true;
            interrupt_(true);
            return true;
        }
    }
    if (depth_ > 0 && !interrupted_ && !stoppedForQuit_ && now - started_ > limit_) {
        interrupted_ = true;
        interrupt_(true);
        return true;
    }
    return false;
}

void ScriptWatchdog::watch() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        wake_.wait_for(lock, kLookEvery);
        if (stop_) break;
        lock.unlock();
        check(Clock::now());
        lock.lock();
    }
}

} // namespace tarnvik
