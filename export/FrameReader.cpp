#include "export/FrameReader.h"

#include "export/GLReadBack.h"

#include <QtGlobal>

#include <cstring>

namespace tarnvik {

std::unique_ptr<FrameReader> FrameReader::create(const GLFrameSource& source, unsigned width, unsigned height,
                                                 bool asynchronous) {
    if (!source || width == 0 || height == 0) return nullptr;
    std::unique_ptr<FrameReader> reader(new FrameReader);
    reader->pool_ = FramePool::create(width, height);
    if (!reader->pool_) return nullptr;
    reader->readBack_ = GLReadBack::create(source, width, height, asynchronous);
    if (!reader->readBack_) return nullptr;
    return reader;
}

FrameReader::~FrameReader() = default;

FramePtr FrameReader::readFrame() {
    FramePtr frame;
    const GLReadBack& rb = *readBack_;
    const auto result = readBack_->read([&](const std::uint8_t* rows) {
        frame = pool_->take();
        if (!frame) {
            qWarning("Memory allocation failed");
            return false;
        }
        // OpenGL's rows are bottom-up, a Frame's top row first.
        for (unsigned y = 0; y < rb.height(); ++y)
            std::memcpy(frame->row(rb.height() - 1 - y), rows + y * rb.rowBytes(), std::size_t(rb.width()) * 4);
        return true;
    });
    return result == GLReadBack::Result::Read ? frame : nullptr;
}

} // namespace tarnvik
