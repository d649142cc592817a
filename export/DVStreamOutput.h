// Plays DV frames out as a plain DV stream, frame after frame with nothing
// around them, into a file or a named pipe: `ffplay -f dv PATH` shows it.
// The file is opened by begin(), so a missing reader on a pipe is reported
// as begin()'s error instead of blocking the caller until one comes.
#pragma once

#include "export/VideoOutput.h"

#include <string>

namespace tarnvik {

class DVStreamOutput : public VideoOutput {
public:
    explicit DVStreamOutput(std::string path);
    ~DVStreamOutput() override;
    DVStreamOutput(const DVStreamOutput&) = delete;
    DVStreamOutput& operator=(const DVStreamOutput&) = delete;

    // A stream has nowhere to keep a name.
    void setClientName(const std::string&) override {}
    // NTSC or PAL; -EINVAL for anything else.
    int setDisplayMode(int mode) override;
    // Creates or truncates a regular file; a pipe must have its reader
    // already (-ENXIO otherwise, logged). Other failures are -errno, logged.
    int begin() override;
    // -EINVAL for a size other than the mode's frame; -EBADF outside
    // begin() … end(). A failed write (-EPIPE once the reader has gone) is
    // logged once, and every later call returns the same error.
    int writeFrame(const std::uint8_t* data, std::size_t size) override;
    void end() override;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
    std::size_t frameSize_ = 0;
    int writeError_ = 0;
};

} // namespace tarnvik
