// Keeps an eye on a recording's file while it grows: the free space on its
// disk (a warning while there is still time, a stop before the disk is
// full) and whether the file is still where the user put it. Looks at most
// once a second of recording time, so the render tick stays cheap.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <optional>

#include <sys/types.h>

namespace tarnvik {

// Why a recording ended before it was asked to.
enum class StopReason {
    WriteFailed, // the file could not be written (a full disk, say)
    LowSpace,    // stopped while the disk still had room to finish the file
    Deleted,     // no name leads to the file any more
    Moved,       // the path names another file or none (moved, replaced, unmounted)
};

// What a recording tells its owner.
struct RecordingEvent {
    // FileGone: a split recording's file was deleted or moved; it goes on
    // in a new file.
    enum class Kind { LowSpace, Stopped, FileGone } kind = Kind::Stopped;
    StopReason reason = StopReason::WriteFailed; // with Stopped and FileGone
    int error = 0;                               // FFmpeg's code, with WriteFailed
    std::uint64_t freeBytes = 0;                 // with LowSpace, and a stop for it
    double secondsLeft = -1;                     // with LowSpace: of recording at the current rate; < 0 not known
};

struct SpaceLimits {
    // Warn below the larger of these, stop below the larger of the next two.
    std::uint64_t warnBytes = 2'000'000'000;
    double warnSeconds = 600; // of recording at the current rate
    std::uint64_t stopBytes = 300'000'000;
    double stopSeconds = 60;
};

class RecordingWatch {
public:
    // The bytes free to this user on the file's disk; empty when not known.
    using FreeSpace = std::function<std::optional<std::uint64_t>(int fd)>;

    struct Verdict {
        enum class Action { None, Warn, Stop } action = Action::None;
        StopReason reason = StopReason::LowSpace; // with Stop
        std::uint64_t freeBytes = 0;              // with Warn, and Stop for low space
        double secondsLeft = -1;                  // until the stop at the current rate; < 0 not known
    };

    // fd: the file as open for writing; path: the name it was created under.
    RecordingWatch(int fd, QByteArray path);

    void setFreeSpace(FreeSpace freeSpace) { freeSpace_ = std::move(freeSpace); }
    void setLimits(const SpaceLimits& limits) { limits_ = limits; }

    // seconds: the recording's time now; bytes: what the file holds. Warns
    // once; after a Stop it has nothing more to say.
    Verdict look(double seconds, std::uint64_t bytes);

private:
    std::optional<StopReason> destinationGone() const;

    int fd_;
    QByteArray path_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    bool regular_ = false; // a pipe or a device fills no disk
    FreeSpace freeSpace_;
    SpaceLimits limits_;
    std::optional<double> first_;
    double next_ = 0;
    bool warned_ = false;
    bool stopped_ = false;
};

} // namespace tarnvik
