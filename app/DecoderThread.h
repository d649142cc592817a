// Runs the decoder on a background thread of its own, as the command-line
// "tolkar" would run with the given options, with a recording replayed at
// its own pace. Its state is process-wide, so one run at a time.
#pragma once

#include "app/Notices.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QObject;

namespace tarnvik {

// How a run of the decoder ended on its own.
struct DecoderStop {
    enum class Kind {
        ReplayEnded, // the recording has been read to its end
        Failed,      // a fatal error: a port that cannot be bound, an unknown option...
        Exited,      // ended with status 0, as the serial line test does
    };
    Kind kind = Kind::Exited;
    int status = 0;
    QString message;   // the decoder's last fatal message; empty when none
    int udpPort = 0;   // the UDP port it tried to listen on; 0 when none
    QString recording; // the file replayed, from -f

    // What the user is told.
    QString text() const;
    NoticeLevel level() const;
    // Whether the application then quits with `status`. A failure keeps the
    // window, which says why there is no navigation data; a headless run has
    // nobody to read that and quits, so that its status tells the caller.
    bool quits(bool headless) const;
};

class DecoderThread {
public:
    // Starts a run; `stopped` is called in `receiver`'s thread when the run
    // ends on its own. Null while an earlier run is still going.
    static std::unique_ptr<DecoderThread> start(const QStringList& arguments, QObject* receiver,
                                                 std::function<void(const DecoderStop&)> stopped);
    // Asks the run to stop and waits a moment for it to end; no news comes
    // from it after this. A run still reading a line that has begun is left
    // to end by itself, and a new run can start only after that.
    ~DecoderThread();

    DecoderThread(const DecoderThread&) = delete;
    DecoderThread& operator=(const DecoderThread&) = delete;

    struct Run;

private:
    explicit DecoderThread(std::shared_ptr<Run> run) : run_(std::move(run)) {}
    std::shared_ptr<Run> run_;
};

} // namespace tarnvik
