#pragma once

#include <QString>

namespace mebo {

// The composition's failures, with the texts the user is shown and the log records.
struct VideoExportError {
    enum class Kind { insertTimeRange, cannotAddVideoTrack, cannotAddAudioTrack };
    Kind kind = Kind::insertTimeRange;
    QString detail; // the platform's description (insertTimeRange)

    QString description() const {
        switch (kind) {
        case Kind::insertTimeRange:
            return QStringLiteral("插入時間段失敗: ") + detail;
        case Kind::cannotAddVideoTrack:
            return QStringLiteral("建立 composition video track 失敗");
        case Kind::cannotAddAudioTrack:
            return QStringLiteral("建立 composition audio track 失敗");
        }
        return {};
    }
};

} // namespace mebo
