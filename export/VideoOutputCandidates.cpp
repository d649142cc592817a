#include "export/DVStreamOutput.h"
#include "export/FireWireOutput.h"
#include "export/VideoOutput.h"

namespace tarnvik {

std::vector<VideoOutputOpener> videoOutputCandidates(const std::string& dvStreamPath) {
    // A device on the bus is what the user plugged in to watch; the stream
    // is there for when there is none.
    std::vector<VideoOutputOpener> candidates = fireWireOutputs();
    if (!dvStreamPath.empty())
        candidates.push_back([dvStreamPath]() -> std::unique_ptr<VideoOutput> {
            return std::make_unique<DVStreamOutput>(dvStreamPath);
        });
    return candidates;
}

} // namespace tarnvik
