#include "decoder/stopp.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace decoder {

namespace {
std::atomic<bool> bedt{false};

// Readable while a stop is asked for, so that one poll waits for both. Where
// it cannot be made (-1), poll skips it and the waits cannot be cut short.
int stoppfd() {
    static const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return fd;
}

void tom() {
    uint64_t n;
    if (stoppfd() >= 0) {
        [[maybe_unused]] ssize_t r = ::read(stoppfd(), &n, sizeof n);
    }
}

// Polls fd (-1: none) and the stop, for at most the time (null: no limit).
// True when fd became readable, or when poll fails and cannot wait (the read
// then finds out why).
bool vent(int fd, const timespec* tid) {
    pollfd p[2] = {{stoppfd(), POLLIN, 0}, {fd, POLLIN, 0}};
    for (;;) {
        if (bedt.load()) return false;
        int r = ::ppoll(p, fd >= 0 ? 2 : 1, tid, nullptr);
        if (r < 0 && errno == EINTR) {
            if (tid) return false; // a timed wait is asked again by its caller
            continue;
        }
        if (r < 0) return true;
        if (r == 0) return false;
        if (fd >= 0 && p[1].revents != 0) return true;
        if (!bedt.load()) tom(); // left from a stop that was taken back
    }
}
} // namespace

void be_om_stopp() {
    bedt.store(true);
    if (stoppfd() >= 0) {
        uint64_t en = 1;
        [[maybe_unused]] ssize_t n = ::write(stoppfd(), &en, sizeof en);
    }
}

bool stopp_bedt() { return bedt.load(); }

void nullstill_stopp() {
    bedt.store(false);
    tom();
}

bool vent_paa_lesbar(int fd) {
    // A stream without a descriptor (one in memory) never waits.
    return fd >= 0 ? vent(fd, nullptr) : !stopp_bedt();
}

void vent_med_stopp(int64_t mikrosekunder) {
    if (mikrosekunder <= 0) return;
    timespec tid{static_cast<time_t>(mikrosekunder / 1000000),
                 static_cast<long>(mikrosekunder % 1000000) * 1000};
    vent(-1, &tid);
}

} // namespace decoder
