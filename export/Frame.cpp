#include "export/Frame.h"

#include <atomic>
#include <new>

namespace tarnvik {

std::shared_ptr<FramePool> FramePool::create(unsigned width, unsigned height) {
    if (width == 0 || height == 0) return nullptr;
    return std::shared_ptr<FramePool>(new FramePool(width, height));
}

// Rows padded to 64 bytes keep every row start aligned for the copies.
FramePool::FramePool(unsigned width, unsigned height)
    : width_(width), height_(height), stride_((std::size_t(width) * 4 + 63) & ~std::size_t(63)) {}

FramePool::~FramePool() = default;

std::size_t FramePool::allocated() const {
    std::lock_guard lock(mutex_);
    return frames_.size();
}

FramePtr FramePool::take() {
    std::lock_guard lock(mutex_);
    for (const FramePtr& f : frames_)
        if (f.use_count() == 1) {
            // Pairs with the release in the last holder's drop, so its reads
            // of the old pixels are over before the new ones are written.
            std::atomic_thread_fence(std::memory_order_acquire);
            return f;
        }
    std::unique_ptr<std::uint8_t[]> bytes(new (std::nothrow) std::uint8_t[stride_ * height_]);
    if (!bytes) return nullptr;
    FramePtr frame(new (std::nothrow) Frame(width_, height_, stride_, std::move(bytes)));
    if (!frame) return nullptr;
    frames_.push_back(frame);
    return frame;
}

} // namespace tarnvik
