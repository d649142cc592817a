#include "render/CoordinateText.h"

#include "decoder/runtime.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace tarnvik {

namespace {

// printf's "%W.Df" in the C locale.
std::string fixed(double v, int decimals, int width = 0) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    std::string s(buf, r.ec == std::errc() ? r.ptr : buf);
    if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), ' ');
    return s;
}

std::string padded(long long v, int width, char fill) {
    std::string s = std::to_string(v);
    if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), fill);
    return s;
}

char hemisphere(double v, bool latitude) { return latitude ? (v > 0 ? 'N' : 'S') : (v > 0 ? 'E' : 'W'); }

const char* const kDegree = "\xC2\xB0";

} // namespace

QString formatMinutes(double v, bool latitude) {
    // No place on earth: nothing rather than a made-up position.
    if (std::isinf(v) || std::fabs(v) > 1e6) return {};
    const int32_t d = decoder::til_int32(v / 60.0);
    int64_t degrees = std::llabs(int64_t{d});
    double m = std::fabs(v - 60.0 * d);
    // Minutes that print as 60.0000 belong to the next degree.
    if (std::round(m * 1e4) >= 60 * 1e4) {
        m = std::max(0.0, m - 60.0);
        ++degrees;
    }
    const std::string s = padded(degrees, 3, ' ') + kDegree + fixed(m, 4, 2) + ' ' + hemisphere(v, latitude);
    return QString::fromStdString(s);
}

QString formatDms(double v, bool latitude) {
    if (!std::isfinite(v) || std::fabs(v) > 360) return {};
    // In hundredths of a second, so that 59.995" carries into the minute.
    const auto hundredths = static_cast<long long>(std::llround(std::fabs(v) * 360000.0));
    const long long degrees = hundredths / 360000;
    const long long minutes = hundredths / 6000 % 60;
    const double seconds = static_cast<double>(hundredths % 6000) / 100.0;
    const std::string s = padded(degrees, 3, ' ') + kDegree + padded(minutes, 2, '0') + '\'' +
                          (seconds < 10 ? "0" : "") + fixed(seconds, 2) + "\" " + hemisphere(v, latitude);
    return QString::fromStdString(s);
}

QString formatDecimal(double v, bool latitude) {
    if (!std::isfinite(v) || std::fabs(v) > 360) return {};
    return QString::fromStdString(fixed(std::fabs(v), 6, 10) + kDegree + ' ' + hemisphere(v, latitude));
}

QString formatGrid(char axis, double metres) {
    if (!std::isfinite(metres)) return {};
    return QString::fromStdString(std::string(1, axis) + ' ' + fixed(metres, 2, 11) + " m");
}

QString formatAge(double seconds) {
    if (!(seconds >= 0)) return QStringLiteral("?");
    const auto s = static_cast<long long>(std::min(seconds, 1e15));
    if (s < 120) return QStringLiteral("%1 s").arg(s);
    if (s < 2 * 3600) return QStringLiteral("%1 min").arg(s / 60);
    return QStringLiteral("%1 h").arg(s / 3600);
}

} // namespace tarnvik
