#include "export/FireWireOutput.h"

#include <QtGlobal>

#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <libiec61883/iec61883.h>
#include <libraw1394/csr.h>
#include <libraw1394/raw1394.h>

namespace tarnvik {

namespace {

constexpr int kBroadcastChannel = 63;
constexpr std::size_t kPacketBytes = 480; // six DIF blocks per isochronous packet
constexpr nodeaddr_t kInputMasterPlug = CSR_REGISTER_BASE + 0x980;
constexpr int kMaxPorts = 16;

// A node that can take a stream has input plugs: its input master plug
// register says how many. Disks, scanners and other computers have none.
bool takesStreams(raw1394handle_t handle, nodeid_t node) {
    quadlet_t impr = 0;
    if (raw1394_read(handle, node, kInputMasterPlug, sizeof impr, &impr) != 0) return false;
    return (ntohl(impr) & 0x1f) != 0;
}

int errnoOr(int fallback) { return errno != 0 ? -errno : fallback; }

} // namespace

std::vector<VideoOutputOpener> fireWireOutputs() {
    std::vector<VideoOutputOpener> outputs;
    raw1394handle_t handle = raw1394_new_handle();
    if (!handle) return outputs;
    raw1394_portinfo info[kMaxPorts];
    const int ports = raw1394_get_port_info(handle, info, kMaxPorts);
    raw1394_destroy_handle(handle);
    for (int port = 0; port < ports && port < kMaxPorts; ++port) {
        raw1394handle_t onPort = raw1394_new_handle_on_port(port);
        if (!onPort) continue;
        const int nodes = raw1394_get_nodecount(onPort);
        const int local = raw1394_get_local_id(onPort) & 0x3f;
        for (int i = 0; i < nodes; ++i) {
            const nodeid_t node = nodeid_t(0xffc0 | i);
            if (i == local || !takesStreams(onPort, node)) continue;
            outputs.push_back(
                [port, node]() -> std::unique_ptr<VideoOutput> { return FireWireOutput::open(port, node); });
        }
        raw1394_destroy_handle(onPort);
    }
    return outputs;
}

std::unique_ptr<FireWireOutput> FireWireOutput::open(int port, std::uint16_t node) {
    raw1394handle_t handle = raw1394_new_handle_on_port(port);
    if (!handle) return nullptr;
    return std::unique_ptr<FireWireOutput>(new FireWireOutput(handle, node));
}

FireWireOutput::~FireWireOutput() {
    end();
    raw1394_destroy_handle(handle_);
}

int FireWireOutput::setDisplayMode(int mode) {
    const std::size_t size = dvFrameSize(mode);
    if (size == 0) return -EINVAL;
    mode_ = mode;
    frameSize_ = size;
    return 0;
}

int FireWireOutput::begin() {
    if (frameSize_ == 0) return -EINVAL;
    end();
    const nodeid_t local = raw1394_get_local_id(handle_);
    oplug_ = iplug_ = -1;
    bandwidth_ = 1; // allocate it
    channel_ = iec61883_cmp_connect(handle_, local, &oplug_, node_, &iplug_, &bandwidth_);
    connected_ = channel_ >= 0;
    if (!connected_) channel_ = kBroadcastChannel;

    errno = 0;
    dv_ = iec61883_dv_xmit_init(handle_, mode_ == kDisplayModePAL, &FireWireOutput::fillPacket, this);
    if (!dv_) {
        const int err = errnoOr(-ENOMEM);
        end();
        return err;
    }
    errno = 0;
    if (iec61883_dv_xmit_start(dv_, channel_) != 0) {
        const int err = errnoOr(-EIO);
        end();
        return err;
    }
    wake_ = eventfd(0, EFD_CLOEXEC);
    if (wake_ < 0) {
        const int err = -errno;
        end();
        return err;
    }
    current_.assign(frameSize_, 0); // no picture until the first frame comes
    offset_ = 0;
    failed_ = false;
    thread_ = std::thread([this] { run(); });
    return 0;
}

int FireWireOutput::writeFrame(const std::uint8_t* data, std::size_t size) {
    if (!dv_) return -EBADF;
    if (failed_) return -EIO;
    if (size != frameSize_ || !data) return -EINVAL;
    std::lock_guard lock(mutex_);
    if (queue_.size() >= kQueuedFrames) {
        spare_.push_back(std::move(queue_.front()));
        queue_.pop_front();
    }
    std::vector<std::uint8_t> frame;
    if (!spare_.empty()) {
        frame = std::move(spare_.back());
        spare_.pop_back();
    }
    frame.assign(data, data + size);
    queue_.push_back(std::move(frame));
    return 0;
}

void FireWireOutput::end() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        if (::write(wake_, &one, sizeof one) < 0) qWarning("Cannot stop the FireWire output: %s", std::strerror(errno));
        thread_.join();
    }
    if (dv_) iec61883_dv_close(dv_); // stops the transmission first
    dv_ = nullptr;
    if (connected_)
        iec61883_cmp_disconnect(handle_, raw1394_get_local_id(handle_), oplug_, node_, iplug_, unsigned(channel_),
                                unsigned(bandwidth_));
    connected_ = false;
    if (wake_ >= 0) ::close(wake_);
    wake_ = -1;
    std::lock_guard lock(mutex_);
    for (auto& frame : queue_) spare_.push_back(std::move(frame));
    queue_.clear();
}

int FireWireOutput::fillPacket(unsigned char* data, int blocks, unsigned, void* self) {
    // Packets without data (blocks 0) keep the stream's timing: nothing to fill.
    if (blocks != 1) return 0;
    return static_cast<FireWireOutput*>(self)->fill(data);
}

int FireWireOutput::fill(unsigned char* packet) {
    if (offset_ == 0) {
        std::lock_guard lock(mutex_);
        if (!queue_.empty()) {
            spare_.push_back(std::move(current_));
            current_ = std::move(queue_.front());
            queue_.pop_front();
        }
    }
    std::memcpy(packet, current_.data() + offset_, kPacketBytes);
    offset_ += kPacketBytes;
    if (offset_ >= current_.size()) offset_ = 0;
    return 0;
}

void FireWireOutput::run() {
    pollfd fds[2] = {{raw1394_get_fd(handle_), POLLIN, 0}, {wake_, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[1].revents) return;
        if ((fds[0].revents & POLLIN) && raw1394_loop_iterate(handle_) != 0) break;
    }
    qWarning("FireWire transmission stopped: %s", std::strerror(errno));
    failed_ = true;
}

} // namespace tarnvik
