#include "platform/x11/X11ScaleFactors.h"

#include <QList>
#include <algorithm>
#include <cmath>
#include <optional>

namespace mebo::platform::x11 {

namespace {

constexpr double kBaseDpi = 96.0;

std::optional<double> positiveNumber(const QByteArray& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || v <= 0) {
        return std::nullopt;
    }
    return v;
}

} // namespace

X11ScaleFactors X11ScaleFactors::fromEnvironment(double xftDpi) {
    Settings s;
    s.xftDpi = xftDpi;
    s.scaleFactor = qgetenv("QT_SCALE_FACTOR");
    s.screenScaleFactors = qgetenv("QT_SCREEN_SCALE_FACTORS");
    s.fontDpi = qgetenv("QT_FONT_DPI");
    s.roundingPolicy = qgetenv("QT_SCALE_FACTOR_ROUNDING_POLICY");
    s.enableHighDpi = qgetenv("QT_ENABLE_HIGHDPI_SCALING");
    return X11ScaleFactors(std::move(s));
}

double X11ScaleFactors::parseXftDpi(const QByteArray& resources) {
    // One "name:\tvalue" per line; the last setting of a name wins, as in the resource database.
    double dpi = 0;
    for (const QByteArray& line : resources.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0 || line.left(colon).trimmed() != "Xft.dpi") {
            continue;
        }
        dpi = positiveNumber(line.mid(colon + 1)).value_or(0);
    }
    return dpi;
}

double X11ScaleFactors::dpiFactor() const {
    if (s_.enableHighDpi.trimmed() == "0") {
        return 1;
    }
    const double dpi = positiveNumber(s_.fontDpi).value_or(s_.xftDpi > 0 ? s_.xftDpi : kBaseDpi);
    const double raw = dpi / kBaseDpi;
    const QByteArray policy = s_.roundingPolicy.trimmed();
    if (policy == "Round") {
        return std::round(raw);
    }
    if (policy == "Ceil") {
        return std::ceil(raw);
    }
    if (policy == "Floor") {
        return std::floor(raw);
    }
    if (policy == "RoundPreferFloor") {
        return raw - std::floor(raw) >= 0.75 ? std::ceil(raw) : std::floor(raw);
    }
    return raw; // PassThrough, Qt 6's default
}

double X11ScaleFactors::factor(const QString& name, int position) const {
    double screen = 0;
    // "name=factor" entries, or plain factors in the toolkit's screen order.
    const QList<QByteArray> entries = s_.screenScaleFactors.split(';');
    for (int i = 0; i < entries.size(); ++i) {
        const QByteArray& entry = entries[i];
        const qsizetype eq = entry.lastIndexOf('=');
        if (eq > 0) {
            if (QString::fromLocal8Bit(entry.left(eq)) == name) {
                screen = positiveNumber(entry.mid(eq + 1)).value_or(screen);
            }
        } else if (i == position) {
            screen = positiveNumber(entry).value_or(screen);
        }
    }
    const double global = positiveNumber(s_.scaleFactor).value_or(1);
    const double f = global * (screen > 0 ? screen : dpiFactor());
    return f > 0 && std::isfinite(f) ? f : 1;
}

int X11ScaleFactors::displayScale(const QString& name, int position) const {
    return std::max(1, int(factor(name, position) + 1e-9));
}

} // namespace mebo::platform::x11
