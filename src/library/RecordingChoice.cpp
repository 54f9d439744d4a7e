#include "library/RecordingChoice.h"

namespace mebo {

std::optional<HistoryEntry> RecordingChoice::pick(const QList<HistoryEntry>& entries,
                                                  const QString& chosenId) {
    std::optional<HistoryEntry> newest;
    for (const HistoryEntry& e : entries) {
        if (e.mediaType != QLatin1String("video")) {
            continue;
        }
        if (!chosenId.isEmpty() && e.id == chosenId) {
            return e;
        }
        if (!newest || e.createdAt > newest->createdAt) {
            newest = e;
        }
    }
    return newest;
}

} // namespace mebo
