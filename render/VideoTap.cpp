#include "render/VideoTap.h"

namespace tarnvik {

VideoTap& VideoTap::shared() {
    static VideoTap tap;
    return tap;
}

void VideoTap::setListener(std::shared_ptr<VideoTapListener> listener) {
    std::lock_guard lock(mutex_);
    listening_ = listener != nullptr;
    listener_ = std::move(listener);
}

std::shared_ptr<VideoTapListener> VideoTap::listener() const {
    if (!listening_.load(std::memory_order_relaxed)) return nullptr;
    std::lock_guard lock(mutex_);
    return listener_;
}

} // namespace tarnvik
