#pragma once

#include "video/CursorPoint.h"

#include <QString>
#include <optional>

namespace mebo {

// The cursor telemetry file beside a recording (NAME.cursor.json, format 2): pointer samples and
// clicks as (t, cx, cy) records, read for the export's trail and ripples.
struct CursorTelemetryFile {
    CursorPoints points; // in time order
    CursorPoints clicks;

    // Records without a numeric "t", "cx" or "cy" are skipped; out-of-order records are sorted.
    // Nothing (with the reason) when the file is missing, unreadable, not JSON or of another
    // version.
    static std::optional<CursorTelemetryFile> read(const QString& path, QString* error);
};

} // namespace mebo
