#include "decoder/stopp.h"

#include <cerrno>
#include <ctime>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace decoder {

Stopp::Stopp() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

Stopp::~Stopp() {
    if (fd_ >= 0) ::close(fd_);
}

void Stopp::tom() {
    uint64_t n;
    if (fd_ >= 0) {
        [[maybe_unused]] ssize_t r = ::read(fd_, &n, sizeof n);
    }
}

// Polls fd (-1: none) and the stop, for at most the time (null: no limit).
// True when fd became readable, or when poll fails and cannot wait (the read
// then finds out why).
bool Stopp::vent(int fd, const timespec* tid) {
    pollfd p[2] = {{fd_, POLLIN, 0}, {fd, POLLIN, 0}};
    for (;;) {
        if (bedt_.load()) return false;
        int r = ::ppoll(p, fd >= 0 ? 2 : 1, tid, nullptr);
        if (r < 0 && errno == EINTR) {
            if (tid) return false; // a timed wait is asked again by its caller
            continue;
        }
        if (r < 0) return true;
        if (r == 0) return false;
        if (fd >= 0 && p[1].revents != 0) return true;
        if (!bedt_.load()) tom(); // left from a stop that was taken back
    }
}

void Stopp::be_om_stopp() {
    bedt_.store(true);
    if (fd_ >= 0) {
        uint64_t en = 1;
        [[maybe_unused]] ssize_t n = ::write(fd_, &en, sizeof en);
    }
}

void Stopp::nullstill_stopp() {
    bedt_.store(false);
    tom();
}

bool Stopp::vent_paa_lesbar(int fd) {
    // A stream without a descriptor (one in memory) never waits.
    return fd >= 0 ? vent(fd, nullptr) : !stopp_bedt();
}

void Stopp::vent_med_stopp(int64_t mikrosekunder) {
    if (mikrosekunder <= 0) return;
    timespec tid{static_cast<time_t>(mikrosekunder / 1000000),
                 static_cast<long>(mikrosekunder % 1000000) * 1000};
    vent(-1, &tid);
}

} // namespace decoder
