#pragma once

#include <QByteArray>
#include <QString>

namespace mebo::platform::x11 {

// The scale of each monitor as the toolkit (Qt 6) works it out on X11, so that our points are the
// interface's own logical pixels and an overlay window covers exactly its monitor:
//   factor = QT_SCALE_FACTOR × (the monitor's QT_SCREEN_SCALE_FACTORS entry, by name or by
//            position, else the DPI factor)
//   DPI factor = (QT_FONT_DPI, else the Xft.dpi resource, else 96) / 96, rounded as
//            QT_SCALE_FACTOR_ROUNDING_POLICY says (not at all by default); 1 when
//            QT_ENABLE_HIGHDPI_SCALING is 0.
// The display scale (device pixels per point) is that factor truncated to a whole number, at least 1.
class X11ScaleFactors {
public:
    struct Settings {
        double xftDpi = 0; // 0 when the resource is not set
        QByteArray scaleFactor, screenScaleFactors, fontDpi, roundingPolicy, enableHighDpi;
    };

    explicit X11ScaleFactors(Settings settings) : s_(std::move(settings)) {}
    // The environment of this process, with the Xft.dpi read from the server.
    static X11ScaleFactors fromEnvironment(double xftDpi);
    // "Xft.dpi" in the text of the root's RESOURCE_MANAGER property; 0 when absent or unusable.
    static double parseXftDpi(const QByteArray& resources);

    // The toolkit's factor for the monitor called `name` at `position` in the toolkit's list.
    double factor(const QString& name, int position) const;
    // The whole-number display scale for that monitor.
    int displayScale(const QString& name, int position) const;
    // Whether a QT_SCREEN_SCALE_FACTORS entry names a monitor (names are then needed).
    bool needsNames() const { return s_.screenScaleFactors.contains('='); }

private:
    double dpiFactor() const;
    Settings s_;
};

} // namespace mebo::platform::x11
