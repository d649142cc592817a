// The open file a movie is written into, as the muxer's I/O. It remembers
// where the last whole fragment ends, so that a recording cut short can be
// trimmed back to a file that plays to that point, and it can be halted:
// from then on no byte reaches the file.
#pragma once

#include <QByteArray>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include <sys/types.h>

struct AVIOContext;

namespace tarnvik {

class MovieFile {
public:
    // As write(2): bytes written, or -1 with errno set. Tests give their own
    // to fail as a full disk does.
    using WriteFunction = std::function<ssize_t(int fd, const void* data, std::size_t size)>;

    // Creates or truncates the file; exclusive: only creates, so that an
    // existing file is never overwritten (AVERROR(EEXIST) then). Null on
    // failure, with FFmpeg's code in *error.
    static std::unique_ptr<MovieFile> create(const QByteArray& path, int* error, bool exclusive = false);
    // Closes the file as it stands.
    ~MovieFile();
    MovieFile(const MovieFile&) = delete;
    MovieFile& operator=(const MovieFile&) = delete;

    AVIOContext* io() const { return io_; }
    int fd() const { return fd_; }
    const QByteArray& path() const { return path_; }
    void setWriteFunction(WriteFunction write);

    // Called once the muxer's writes are flushed and succeeded: the file
    // ends on a whole fragment here.
    void markWhole();
    // Bytes of the file up to its last whole fragment (read from any thread).
    std::uint64_t wholeBytes() const { return whole_.load(); }

    // No write starts after this returns; one in progress is waited for.
    void halt();
    bool halted() const { return halted_.load(); }
    // Cuts whatever follows the last whole fragment: a half-written one
    // would leave the file's end unreadable.
    void trimToWhole();

private:
    MovieFile() = default;
    static int writePacket(void* opaque, std::uint8_t* data, int size);
    static std::int64_t seek(void* opaque, std::int64_t offset, int whence);

    QByteArray path_;
    int fd_ = -1;
    AVIOContext* io_ = nullptr;
    WriteFunction write_;
    std::mutex writing_; // held by a write and by halt
    std::atomic<bool> halted_{false};
    std::atomic<std::uint64_t> whole_{0};
};

} // namespace tarnvik
