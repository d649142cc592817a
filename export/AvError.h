// FFmpeg's text for an error code, for the log.
#pragma once

#include <QByteArray>

extern "C" {
#include <libavutil/error.h>
}

namespace tarnvik {

inline QByteArray avErrorText(int err) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, buf, sizeof buf);
    return QByteArray(buf);
}

} // namespace tarnvik
