#include "capture/CaptureMode.h"

namespace mebo {

QString captureModeRawValue(CaptureMode mode) {
    switch (mode) {
    case CaptureMode::area:
        return QStringLiteral("area");
    case CaptureMode::fullscreen:
        return QStringLiteral("fullscreen");
    case CaptureMode::window:
        return QStringLiteral("window");
    case CaptureMode::scroll:
        return QStringLiteral("scroll");
    case CaptureMode::record:
        return QStringLiteral("record");
    case CaptureMode::recordArea:
        return QStringLiteral("recordArea");
    }
    return {};
}

std::optional<CaptureMode> captureModeFromRawValue(const QString& raw) {
    for (CaptureMode m : {CaptureMode::area, CaptureMode::fullscreen, CaptureMode::window,
                          CaptureMode::scroll, CaptureMode::record, CaptureMode::recordArea}) {
        if (captureModeRawValue(m) == raw) {
            return m;
        }
    }
    return std::nullopt;
}

QString captureSourceRawValue(CaptureRequest::Source source) {
    switch (source) {
    case CaptureRequest::Source::urlScheme:
        return QStringLiteral("urlScheme");
    case CaptureRequest::Source::menuBar:
        return QStringLiteral("menuBar");
    case CaptureRequest::Source::onboarding:
        return QStringLiteral("onboarding");
    case CaptureRequest::Source::api:
        return QStringLiteral("api");
    }
    return {};
}

} // namespace mebo
