// Records Frames into a QuickTime movie with one video track in 1/600 s.
// The file is written in fragments of about a second, so a crash or power
// cut keeps everything up to the last fragment; destroying the exporter
// completes the pending frames and finishes the file.
#pragma once

#include "export/FrameCompressor.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

struct AVFormatContext;
struct AVStream;

namespace tarnvik {

class FrameMovieExporter : public FrameCompressor {
public:
    // Replaces any file at path. Encodes on a worker thread: the options
    // given are changed to allow that. Null on failure (logged; an empty
    // path silently).
    static std::unique_ptr<FrameMovieExporter> create(const QString& path, std::uint32_t codecType, unsigned width,
                                                      unsigned height, const CompressionOptionsPtr& options);
    ~FrameMovieExporter() override;

    // seconds: the render time. True when the frame was accepted.
    bool exportFrame(FramePtr frame, double seconds);

    // Encoded frames written to the file so far (read from any thread).
    std::int64_t framesWritten() const { return written_.load(); }
    // Writing failed (a full disk, say): no more frames are taken.
    bool failed() const { return writeFailed_.load(); }

protected:
    void doneCompressingFrame(const EncodedFrame& frame) override;

private:
    FrameMovieExporter() = default;
    bool init(const QString& path, std::uint32_t codecType, unsigned width, unsigned height,
              const CompressionOptionsPtr& options);

    AVFormatContext* format_ = nullptr;
    AVStream* stream_ = nullptr;
    // Set once the header is out: the movie must then be finished.
    bool editing_ = false;
    std::atomic<bool> writeFailed_{false};
    std::atomic<std::int64_t> written_{0};
};

} // namespace tarnvik
