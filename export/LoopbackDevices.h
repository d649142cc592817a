// The V4L2 loopback devices (v4l2loopback) that take video: what the
// virtual camera writes to, so that other programs on this computer see the
// overlay as a camera. Load the module with
// "sudo modprobe v4l2loopback exclusive_caps=1" to make one.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tarnvik {

struct LoopbackDevice {
    std::string path; // /dev/videoN
    std::string name; // the card's name, as players list it
};

// The folder's video* devices whose driver is "v4l2 loopback" and that
// take video output, in the order of their numbers.
std::vector<LoopbackDevice> findLoopbackDevices(const std::string& folder = "/dev");

// Finds the devices; tests give their own list.
using LoopbackFinder = std::function<std::vector<LoopbackDevice>()>;

} // namespace tarnvik
