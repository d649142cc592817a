#include "render/GridCoordinates.h"

#include <GeographicLib/UTMUPS.hpp>
#include <proj.h>

#include <QRegularExpression>

#include <cmath>
#include <map>

namespace tarnvik {

namespace {

struct System {
    PJ* transform = nullptr; // WGS84 longitude, latitude to easting, northing
    QString crs;
    QString name;
    QString error;
};

// One PROJ context per thread, with the systems set up on it.
class Proj {
public:
    Proj() : ctx_(proj_context_create()) { proj_log_level(ctx_, PJ_LOG_NONE); }
    ~Proj() {
        for (auto& [code, s] : systems_) proj_destroy(s.transform);
        proj_context_destroy(ctx_);
    }
    Proj(const Proj&) = delete;
    Proj& operator=(const Proj&) = delete;

    const System& system(int code) {
        auto it = systems_.find(code);
        if (it == systems_.end()) it = systems_.emplace(code, make(code)).first;
        return it->second;
    }

private:
    System make(int code) {
        System s;
        s.crs = QStringLiteral("EPSG:%1").arg(code);
        PJ* target = proj_create(ctx_, s.crs.toLatin1().constData());
        if (!target || proj_get_type(target) != PJ_TYPE_PROJECTED_CRS) {
            s.error = QStringLiteral("EPSG code %1 is not a projected coordinate system known to PROJ").arg(code);
            proj_destroy(target);
            return s;
        }
        s.name = QString::fromUtf8(proj_get_name(target));
        PJ* source = proj_create(ctx_, "EPSG:4326");
        PJ* raw = source ? proj_create_crs_to_crs_from_pj(ctx_, source, target, nullptr, nullptr) : nullptr;
        // Longitude and latitude in, easting and northing out, whatever the systems' axis order.
        s.transform = raw ? proj_normalize_for_visualization(ctx_, raw) : nullptr;
        if (!s.transform) s.error = QStringLiteral("PROJ cannot convert WGS 84 to EPSG code %1").arg(code);
        proj_destroy(raw);
        proj_destroy(source);
        proj_destroy(target);
        return s;
    }

    PJ_CONTEXT* ctx_;
    std::map<int, System> systems_;
};

Proj& proj() {
    thread_local Proj p;
    return p;
}

std::optional<GridPoint> convert(double lat, double lon, int code, QString* error) {
    const System& s = proj().system(code);
    if (!s.transform) {
        if (error) *error = s.error;
        return std::nullopt;
    }
    if (!(std::fabs(lat) <= 90) || !std::isfinite(lon)) return std::nullopt;
    const PJ_COORD out = proj_trans(s.transform, PJ_FWD, proj_coord(lon, lat, 0, 0));
    if (!std::isfinite(out.xy.x) || !std::isfinite(out.xy.y)) {
        if (error) *error = QStringLiteral("The position is outside the area of %1").arg(s.name);
        return std::nullopt;
    }
    return GridPoint{out.xy.x, out.xy.y, s.crs, s.name};
}

} // namespace

std::optional<GridPoint> utmOf(double lat, double lon) {
    if (!(std::fabs(lat) <= 90) || !std::isfinite(lon)) return std::nullopt;
    const int zone = GeographicLib::UTMUPS::StandardZone(lat, lon);
    const bool north = lat >= 0;
    // WGS 84 / UTM zone NN (N or S); WGS 84 / UPS North or South.
    const int code = zone == GeographicLib::UTMUPS::UPS ? (north ? 32661 : 32761) : (north ? 32600 : 32700) + zone;
    return convert(lat, lon, code, nullptr);
}

std::optional<GridPoint> gridOf(double lat, double lon, const QString& text, QString* error) {
    static const QRegularExpression form(QStringLiteral("^\\s*(?:EPSG:)?(\\d{1,9})\\s*$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto m = form.match(text);
    if (!m.hasMatch()) {
        if (error) *error = QStringLiteral("\"%1\" is not an EPSG code (a number such as 25832)").arg(text);
        return std::nullopt;
    }
    return convert(lat, lon, m.captured(1).toInt(), error);
}

} // namespace tarnvik
