#include "app/CaptureUrl.h"

#include "app/AppLogger.h"

#include <QUrl>
#include <QUrlQuery>

namespace mebo {

bool CaptureUrl::isReadable(const QString& urlText) {
    return !urlText.trimmed().isEmpty() && QUrl(urlText, QUrl::StrictMode).isValid();
}

std::optional<CaptureMode> CaptureUrl::modeFor(const QString& urlText) {
    const std::optional<CaptureRequest> request = requestFor(urlText);
    return request ? std::optional<CaptureMode>(request->mode) : std::nullopt;
}

std::optional<CaptureRequest> CaptureUrl::requestFor(const QString& urlText) {
    const QUrl url(urlText, QUrl::StrictMode);
    if (!isReadable(urlText)) {
        logWarning(QStringLiteral("[AppDelegate] URL Scheme: 無法解析 event"));
        return std::nullopt;
    }
    logInfo(QStringLiteral("[AppDelegate] URL: ") + url.toString(QUrl::FullyEncoded));
    // QUrl lowercases schemes and hosts; the comparison is on the text as given.
    const QString scheme = urlText.section(QLatin1Char(':'), 0, 0);
    if (scheme != QLatin1String("mebo")) {
        logWarning(QStringLiteral("[AppDelegate] 非預期的 scheme: ") +
                   (scheme.isEmpty() ? QStringLiteral("nil") : scheme));
        return std::nullopt;
    }
    const QString rest = urlText.mid(scheme.size() + 1);
    QString host;
    if (rest.startsWith(QLatin1String("//"))) {
        host = rest.mid(2)
                   .section(QLatin1Char('/'), 0, 0)
                   .section(QLatin1Char('?'), 0, 0)
                   .section(QLatin1Char('#'), 0, 0);
    }
    if (host != QLatin1String("capture")) {
        logWarning(QStringLiteral("[AppDelegate] 未知命令: ") +
                   (host.isEmpty() ? QStringLiteral("nil") : host));
        return std::nullopt;
    }
    CaptureRequest request;
    request.source = CaptureRequest::Source::urlScheme;
    const QUrlQuery query(url);
    for (const auto& [name, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (name != QLatin1String("mode")) {
            continue;
        }
        if (const std::optional<CaptureMode> mode = captureModeFromRawValue(value)) {
            request.mode = *mode;
        } else if (value == QLatin1String("lastRegion")) {
            request.target = CaptureRequest::Target::lastRegion;
        } else if (value == QLatin1String("activeWindow")) {
            request.mode = CaptureMode::window;
            request.target = CaptureRequest::Target::activeWindow;
        } else if (value == QLatin1String("display")) {
            request.mode = CaptureMode::fullscreen;
        } else if (!value.isEmpty()) {
            logWarning(
                QStringLiteral("[AppDelegate] unknown capture mode '%1': an area capture starts").arg(value));
        }
        break;
    }
    return request;
}

} // namespace mebo
