#include "export/LoopbackDevices.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstring>

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tarnvik {

std::vector<LoopbackDevice> findLoopbackDevices(const std::string& folder) {
    const QDir dir(QFile::decodeName(folder.c_str()));
    QStringList names = dir.entryList({QStringLiteral("video*")}, QDir::System | QDir::Files);
    // video10 after video2.
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.size() != b.size() ? a.size() < b.size() : a < b; });
    std::vector<LoopbackDevice> found;
    for (const QString& name : names) {
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        const int fd = ::open(path.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        v4l2_capability cap{};
        const bool asked = ::ioctl(fd, VIDIOC_QUERYCAP, &cap) == 0;
        ::close(fd);
        if (!asked) continue;
        const std::uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
        const std::string driver(reinterpret_cast<const char*>(cap.driver),
                                 strnlen(reinterpret_cast<const char*>(cap.driver), sizeof cap.driver));
        if (driver != "v4l2 loopback" || !(caps & V4L2_CAP_VIDEO_OUTPUT)) continue;
        found.push_back(
            {path.toStdString(), std::string(reinterpret_cast<const char*>(cap.card),
                                             strnlen(reinterpret_cast<const char*>(cap.card), sizeof cap.card))});
    }
    return found;
}

} // namespace tarnvik
