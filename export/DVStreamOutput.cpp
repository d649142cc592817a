#include "export/DVStreamOutput.h"

#include <QtGlobal>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

namespace tarnvik {

namespace {

// A reader that closes its end of the pipe makes the next write raise
// SIGPIPE, which would end the process. The signal is blocked in this thread
// for the write and, when the write raised it, taken off the pending set
// before the mask is restored. Ignoring SIGPIPE process-wide would work too,
// but would change it for every other pipe and socket in the process.
class SigpipeBlock {
public:
    SigpipeBlock() {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        sigset_t pending;
        sigemptyset(&pending);
        // One already pending belongs to someone else: leave it there.
        alreadyPending_ = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
    }
    ~SigpipeBlock() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
    SigpipeBlock(const SigpipeBlock&) = delete;
    SigpipeBlock& operator=(const SigpipeBlock&) = delete;

    // After a write failed with EPIPE, which raised the signal.
    void consume() {
        if (alreadyPending_) return;
        const int saved = errno;
        const timespec none{0, 0};
        while (sigtimedwait(&pipe_, nullptr, &none) < 0 && errno == EINTR) {
        }
        errno = saved;
    }

private:
    sigset_t pipe_;
    sigset_t old_;
    bool alreadyPending_ = false;
};

// 0 or -errno. A pipe takes a frame in pieces, and a signal can cut a write
// short or interrupt it before anything was written.
int writeAll(int fd, const std::uint8_t* data, std::size_t size) {
    SigpipeBlock block;
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            if (err == EPIPE) block.consume();
            return -err;
        }
        if (n == 0) return -EIO; // cannot happen for size > 0; no endless loop if it does
        data += n;
        size -= std::size_t(n);
    }
    return 0;
}

} // namespace

DVStreamOutput::DVStreamOutput(std::string path) : path_(std::move(path)) {}

DVStreamOutput::~DVStreamOutput() { end(); }

int DVStreamOutput::setDisplayMode(int mode) {
    const std::size_t size = dvFrameSize(mode);
    if (size == 0) return -EINVAL;
    frameSize_ = size;
    return 0;
}

int DVStreamOutput::begin() {
    end();
    // Without O_NONBLOCK, opening a pipe for writing waits for a reader,
    // however long that takes; with it, a pipe without one fails at once.
    // O_TRUNC does nothing to a pipe.
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int err = errno;
        qWarning("Cannot open the DV stream \"%s\": %s", path_.c_str(),
                 err == ENXIO ? "no reader on the pipe" : std::strerror(err));
        return -err;
    }
    // Writes block from here on: a reader that is slow for a moment must
    // not lose frames to EAGAIN.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
        const int err = errno;
        qWarning("Cannot open the DV stream \"%s\": %s", path_.c_str(), std::strerror(err));
        ::close(fd);
        return -err;
    }
    fd_ = fd;
    writeError_ = 0;
    return 0;
}

int DVStreamOutput::writeFrame(const std::uint8_t* data, std::size_t size) {
    if (writeError_ != 0) return writeError_;
    if (fd_ < 0) return -EBADF;
    // A piece of a frame would leave every later frame misaligned.
    if (size != frameSize_ || !data) return -EINVAL;
    if (const int err = writeAll(fd_, data, size); err != 0) {
        // Logged once: the frames after it fail the same way.
        writeError_ = err;
        qWarning("Cannot write the DV stream \"%s\": %s", path_.c_str(), std::strerror(-err));
        return err;
    }
    return 0;
}

void DVStreamOutput::end() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

} // namespace tarnvik
