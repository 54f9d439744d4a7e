#pragma once

#include "library/HistoryEntry.h"

#include <QList>
#include <QString>
#include <optional>

namespace mebo {

// Which recording the main window's video commands (Export GIF..., Trim Video...) act on: the
// item chosen in the strip when it is a recording, else the newest recording in the library.
struct RecordingChoice {
    static std::optional<HistoryEntry> pick(const QList<HistoryEntry>& entries, const QString& chosenId);
};

} // namespace mebo
