// Plays DV frames out to a camcorder or deck on the IEEE 1394 bus through
// libiec61883. Frames wait in a short queue between writeFrame() and the
// library's transmit callback, which runs on this output's own thread; a
// full queue drops its oldest frame, so a late device never holds up the
// encoder, and an empty one repeats the last frame, as a DV stream must go on.
#pragma once

#include "export/VideoOutput.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

struct raw1394_handle;
struct iec61883_dv;

namespace tarnvik {

// One opener per node that can take an isochronous stream (one with input
// plugs), on every port, the computer's own node left out. Empty, and
// nothing logged, where there is no FireWire.
std::vector<VideoOutputOpener> fireWireOutputs();

class FireWireOutput : public VideoOutput {
public:
    // Null when the port cannot be opened.
    static std::unique_ptr<FireWireOutput> open(int port, std::uint16_t node);
    ~FireWireOutput() override;
    FireWireOutput(const FireWireOutput&) = delete;
    FireWireOutput& operator=(const FireWireOutput&) = delete;

    // A DV device keeps no client's name.
    void setClientName(const std::string&) override {}
    int setDisplayMode(int mode) override;
    // Connects to the device's input plug, or broadcasts on channel 63 when
    // it has no free plug, and starts transmitting.
    int begin() override;
    int writeFrame(const std::uint8_t* data, std::size_t size) override;
    void end() override;

    static constexpr std::size_t kQueuedFrames = 8;

private:
    FireWireOutput(raw1394_handle* handle, std::uint16_t node) : handle_(handle), node_(node) {}
    static int fillPacket(unsigned char* data, int blocks, unsigned dropped, void* self);
    int fill(unsigned char* packet);
    void run();

    raw1394_handle* handle_;
    std::uint16_t node_;
    int mode_ = 0;
    std::size_t frameSize_ = 0;
    iec61883_dv* dv_ = nullptr;
    int channel_ = -1;
    bool connected_ = false;
    int oplug_ = -1;
    int iplug_ = -1;
    int bandwidth_ = 0;
    int wake_ = -1; // eventfd that ends run()
    std::thread thread_;
    std::atomic<bool> failed_{false};

    std::mutex mutex_;
    std::deque<std::vector<std::uint8_t>> queue_;
    std::vector<std::vector<std::uint8_t>> spare_; // reused, so steady state does not allocate
    // The transmit thread's own.
    std::vector<std::uint8_t> current_;
    std::size_t offset_ = 0;
};

} // namespace tarnvik
