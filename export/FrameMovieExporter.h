// Records Frames into a QuickTime movie with one video track in 1/600 s.
// The file is written in fragments of about a second, so a crash or power
// cut keeps everything up to the last fragment; destroying the exporter
// drains the encoder and finishes the file.
#pragma once

#include "export/FrameEncoder.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

struct AVFormatContext;
struct AVPacket;
struct AVStream;

namespace tarnvik {

class FrameMovieExporter {
public:
    // Replaces any file at path. Null on failure (logged; an empty path
    // silently).
    static std::unique_ptr<FrameMovieExporter> create(const QString& path, const EncoderOptions& options,
                                                      unsigned width, unsigned height);
    ~FrameMovieExporter();
    FrameMovieExporter(const FrameMovieExporter&) = delete;
    FrameMovieExporter& operator=(const FrameMovieExporter&) = delete;

    // seconds: the render time. True when the frame was queued for encoding.
    bool exportFrame(FramePtr frame, double seconds);

    // Encoded frames written to the file so far (read from any thread).
    std::int64_t framesWritten() const { return written_.load(); }
    // Writing failed (a full disk, say): no more frames are taken.
    bool failed() const { return writeFailed_.load(); }

private:
    FrameMovieExporter() = default;
    bool init(const QString& path, const EncoderOptions& options, unsigned width, unsigned height);
    void addPacket(AVPacket* packet);
    void writeHeld(std::int64_t duration);
    void finishFile();

    AVFormatContext* format_ = nullptr;
    AVStream* stream_ = nullptr;
    bool headerWritten_ = false;
    std::unique_ptr<FrameEncoder> encoder_;
    // The newest packet waits for the next one so that it can be given its
    // real duration; touched only by the encoder's worker and by the
    // destructor after the worker has stopped.
    AVPacket* held_ = nullptr;
    std::int64_t lastDuration_ = 0;
    std::atomic<bool> writeFailed_{false};
    std::atomic<std::int64_t> written_{0};
};

} // namespace tarnvik
