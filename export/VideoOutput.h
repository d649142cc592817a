// A device or sink that plays DV frames out live: an IEEE 1394 camcorder or
// deck where one is attached, or a DV stream written to a file or a pipe.
// Outputs are tried in order until one accepts the display mode and begins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarnvik {

// Display modes of the two DV formats.
inline constexpr int kDisplayModeNTSC = 1; // 720×480 at 29.97
inline constexpr int kDisplayModePAL = 2;  // 720×576 at 25

// Bytes in one DV frame of the display mode: 10 or 12 DIF sequences of
// 150 blocks of 80 bytes. 0 for any other mode.
constexpr std::size_t dvFrameSize(int mode) {
    return mode == kDisplayModeNTSC ? 120000 : mode == kDisplayModePAL ? 144000 : 0;
}

class VideoOutput {
public:
    virtual ~VideoOutput() = default;

    // Names the program to the device, where the device keeps such a name.
    virtual void setClientName(const std::string& name) = 0;
    // 0, or a negative error code when the output cannot play that mode.
    virtual int setDisplayMode(int mode) = 0;
    // Starts playing out; 0 or a negative error code.
    virtual int begin() = 0;
    // One whole DV frame (120 000 bytes NTSC, 144 000 PAL). 0 or a negative
    // error code. Called from the encoder's thread, never concurrently.
    virtual int writeFrame(const std::uint8_t* data, std::size_t size) = 0;
    // Stops playing out; nothing is written afterwards.
    virtual void end() = 0;
};

// Opens one output; null when it cannot be opened.
using VideoOutputOpener = std::function<std::unique_ptr<VideoOutput>()>;

// Opens the candidates in order; the first one opened is given the client
// name; the first that takes the display mode and begins is returned. Each
// one that refuses is logged as "QTVideoOutputBegin error : %i"; when none
// begins, "Video out component creation failed (error %i)" and null.
std::unique_ptr<VideoOutput> beginVideoOutput(const std::vector<VideoOutputOpener>& candidates, int displayMode,
                                              const std::string& clientName);

// What beginVideoOutput tries, in order: each attached FireWire device, then
// the DV stream written to dvStreamPath unless that is empty.
std::vector<VideoOutputOpener> videoOutputCandidates(const std::string& dvStreamPath);

} // namespace tarnvik
