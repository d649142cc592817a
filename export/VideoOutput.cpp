#include "export/VideoOutput.h"

#include <QtGlobal>

#include <cerrno>

namespace tarnvik {

std::unique_ptr<VideoOutput> beginVideoOutput(const std::vector<VideoOutputOpener>& candidates, int displayMode,
                                              const std::string& clientName) {
    // With nothing to try, or nothing that opens, there is no device.
    int lastError = -ENODEV;
    bool named = false;
    for (const VideoOutputOpener& open : candidates) {
        std::unique_ptr<VideoOutput> output = open ? open() : nullptr;
        if (!output) {
            lastError = -ENODEV;
            continue;
        }
        // Only the first device opened learns the program's name: the one
        // the user sees first is the one expected to show it.
        if (!named) {
            output->setClientName(clientName);
            named = true;
        }
        int err = output->setDisplayMode(displayMode);
        if (err == 0) err = output->begin();
        if (err == 0) return output;
        qWarning("QTVideoOutputBegin error : %i", err);
        lastError = err;
    }
    qWarning("Video out component creation failed (error %i)", lastError);
    return nullptr;
}

} // namespace tarnvik
