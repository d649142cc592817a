#include "export/MovieFile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace tarnvik {

namespace {
constexpr int kBufferSize = 64 * 1024;
}

std::unique_ptr<MovieFile> MovieFile::create(const QByteArray& path, int* error, bool exclusive) {
    std::unique_ptr<MovieFile> f(new MovieFile);
    f->path_ = path;
    f->write_ = [](int fd, const void* data, std::size_t size) { return ::write(fd, data, size); };
    f->fd_ = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | (exclusive ? O_EXCL : O_TRUNC), 0666);
    if (f->fd_ < 0) {
        if (error) *error = AVERROR(errno);
        return nullptr;
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
    if (buffer) f->io_ = avio_alloc_context(buffer, kBufferSize, 1, f.get(), nullptr, &MovieFile::writePacket, &MovieFile::seek);
    if (!f->io_) {
        av_free(buffer);
        if (error) *error = AVERROR(ENOMEM);
        return nullptr;
    }
    return f;
}

MovieFile::~MovieFile() {
    if (io_) av_freep(&io_->buffer);
    avio_context_free(&io_);
    if (fd_ >= 0) ::close(fd_);
}

void MovieFile::setWriteFunction(WriteFunction write) {
    std::lock_guard lock(writing_);
    write_ = std::move(write);
}

void MovieFile::markWhole() { whole_ = std::uint64_t(avio_tell(io_)); }

void MovieFile::halt() {
    std::lock_guard lock(writing_);
    halted_ = true;
}

void MovieFile::trimToWhole() {
    struct stat st{};
    if (::fstat(fd_, &st) == 0 && std::uint64_t(st.st_size) > whole_.load())
        (void)!::ftruncate(fd_, off_t(whole_.load())); // nothing more to do where even this fails
}

int MovieFile::writePacket(void* opaque, std::uint8_t* data, int size) {
    auto* f = static_cast<MovieFile*>(opaque);
    std::lock_guard lock(f->writing_);
    // Refused rather than written: the file is gone or past saving.
    if (f->halted_) return AVERROR_EXIT;
    for (int done = 0; done < size;) {
        const ssize_t n = f->write_(f->fd_, data + done, std::size_t(size - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return AVERROR(errno);
        if (n == 0) return AVERROR(EIO);
        done += int(n);
    }
    return size;
}

std::int64_t MovieFile::seek(void* opaque, std::int64_t offset, int whence) {
    auto* f = static_cast<MovieFile*>(opaque);
    if (whence == AVSEEK_SIZE) {
        struct stat st{};
        return ::fstat(f->fd_, &st) == 0 ? std::int64_t(st.st_size) : AVERROR(errno);
    }
    const off_t at = ::lseek(f->fd_, off_t(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : std::int64_t(at);
}

} // namespace tarnvik
