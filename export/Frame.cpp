#include "export/Frame.h"

#include <new>

namespace tarnvik {

std::shared_ptr<FramePool> FramePool::create(unsigned width, unsigned height) {
    if (width == 0 || height == 0) return nullptr;
    return std::shared_ptr<FramePool>(new FramePool(width, height));
}

// Rows padded to 64 bytes keep every row start aligned for the copies.
FramePool::FramePool(unsigned width, unsigned height)
    : width_(width), height_(height), stride_((std::size_t(width) * 4 + 63) & ~std::size_t(63)) {}

FramePool::~FramePool() {
    for (Frame* f : free_) delete f;
}

std::size_t FramePool::allocated() const {
    std::lock_guard lock(mutex_);
    return allocated_;
}

FramePtr FramePool::take() {
    Frame* frame = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (!free_.empty()) {
            frame = free_.back();
            free_.pop_back();
        }
    }
    if (!frame) {
        std::unique_ptr<std::uint8_t[]> bytes(new (std::nothrow) std::uint8_t[stride_ * height_]);
        if (!bytes) return nullptr;
        frame = new (std::nothrow) Frame(width_, height_, stride_, std::move(bytes));
        if (!frame) return nullptr;
        std::lock_guard lock(mutex_);
        ++allocated_;
    }
    // A frame that outlives its pool is simply freed.
    std::weak_ptr<FramePool> pool = weak_from_this();
    return FramePtr(frame, [pool](Frame* f) {
        if (auto p = pool.lock())
            p->giveBack(f);
        else
            delete f;
    });
}

void FramePool::giveBack(Frame* frame) {
    std::lock_guard lock(mutex_);
    free_.push_back(frame);
}

} // namespace tarnvik
