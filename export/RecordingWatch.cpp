#include "export/RecordingWatch.h"

#include <algorithm>

#include <sys/stat.h>
#include <sys/statvfs.h>

namespace tarnvik {

namespace {

std::optional<std::uint64_t> freeOnDisk(int fd) {
    struct statvfs s{};
    if (::fstatvfs(fd, &s) != 0) return std::nullopt;
    return std::uint64_t(s.f_bavail) * s.f_frsize;
}

} // namespace

RecordingWatch::RecordingWatch(int fd, QByteArray path) : fd_(fd), path_(std::move(path)), freeSpace_(freeOnDisk) {
    struct stat st{};
    if (::fstat(fd_, &st) == 0) {
        device_ = st.st_dev;
        inode_ = st.st_ino;
        regular_ = S_ISREG(st.st_mode);
    }
}

std::optional<StopReason> RecordingWatch::destinationGone() const {
    struct stat st{};
    if (::fstat(fd_, &st) == 0 && st.st_nlink == 0) return StopReason::Deleted;
    if (::stat(path_.constData(), &st) != 0 || st.st_dev != device_ || st.st_ino != inode_) return StopReason::Moved;
    return std::nullopt;
}

RecordingWatch::Verdict RecordingWatch::look(double seconds, std::uint64_t bytes) {
    Verdict v;
    if (stopped_ || (first_ && seconds < next_)) return v;
    if (!first_) first_ = seconds;
    next_ = seconds + 1.0;

    if (const auto gone = destinationGone()) {
        stopped_ = true;
        v.action = Verdict::Action::Stop;
        v.reason = *gone;
        return v;
    }
    const std::optional<std::uint64_t> free = regular_ && freeSpace_ ? freeSpace_(fd_) : std::nullopt;
    if (!free) return v;
    // The rate means little over the first second.
    const double elapsed = seconds - *first_;
    const double rate = elapsed >= 1.0 ? double(bytes) / elapsed : 0.0;
    const double stopAt = std::max(double(limits_.stopBytes), rate * limits_.stopSeconds);
    const double warnAt = std::max(double(limits_.warnBytes), rate * limits_.warnSeconds);
    v.freeBytes = *free;
    if (rate > 0) v.secondsLeft = std::max(0.0, (double(*free) - stopAt) / rate);
    if (double(*free) < stopAt) {
        stopped_ = true;
        v.action = Verdict::Action::Stop;
        v.reason = StopReason::LowSpace;
    } else if (double(*free) < warnAt && !warned_) {
        warned_ = true;
        v.action = Verdict::Action::Warn;
    }
    return v;
}

} // namespace tarnvik
