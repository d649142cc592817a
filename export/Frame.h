// One captured image: 32-bit pixels as the bytes A, R, G, B, top row first.
// Frames come from a FramePool, which hands a frame out again once every
// other reference to it is gone, whichever thread dropped the last one
// (the encoder's, often).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace tarnvik {

class FramePool;

class Frame {
public:
    unsigned width() const { return width_; }
    unsigned height() const { return height_; }
    // Bytes from one row to the next; at least width × 4.
    std::size_t stride() const { return stride_; }
    std::uint8_t* data() { return bytes_.get(); }
    const std::uint8_t* data() const { return bytes_.get(); }
    std::uint8_t* row(unsigned y) { return bytes_.get() + y * stride_; }
    const std::uint8_t* row(unsigned y) const { return bytes_.get() + y * stride_; }

private:
    friend class FramePool;
    Frame(unsigned width, unsigned height, std::size_t stride, std::unique_ptr<std::uint8_t[]> bytes)
        : width_(width), height_(height), stride_(stride), bytes_(std::move(bytes)) {}

    unsigned width_;
    unsigned height_;
    std::size_t stride_;
    std::unique_ptr<std::uint8_t[]> bytes_;
};

using FramePtr = std::shared_ptr<Frame>;

class FramePool {
public:
    // Null for an empty size.
    static std::shared_ptr<FramePool> create(unsigned width, unsigned height);
    ~FramePool();

    // A frame of the pool's size, its pixels undefined; a returned one when
    // there is one. Null when memory runs out.
    FramePtr take();

    unsigned width() const { return width_; }
    unsigned height() const { return height_; }
    std::size_t stride() const { return stride_; }
    // Frames made so far, in use or waiting: stays put in steady state.
    std::size_t allocated() const;

private:
    FramePool(unsigned width, unsigned height);

    unsigned width_;
    unsigned height_;
    std::size_t stride_;
    mutable std::mutex mutex_;
    // Every frame made; one whose only owner is the pool is free. Frames
    // still held elsewhere outlive the pool.
    std::vector<FramePtr> frames_;
};

} // namespace tarnvik
