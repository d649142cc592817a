// A compressor's options before anyone chooses.
#include "export/FrameCompressor.h"

#include <QtGlobal>

#include <new>

extern "C" {
#include <libavutil/error.h>
}

namespace tarnvik {

CompressionOptionsPtr FrameCompressor::defaultOptions() {
    try {
        return std::make_shared<CompressionOptions>();
    } catch (const std::bad_alloc&) {
        qWarning("ICMCompressionSessionOptionsCreate() failed with error %i", AVERROR(ENOMEM));
        return nullptr;
    }
}

} // namespace tarnvik
