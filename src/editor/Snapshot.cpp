#include "editor/Snapshot.h"

namespace mebo {

void SnapshotLimits::trim(QList<Snapshot>& stack) {
    while (stack.size() > kMaxSteps) {
        stack.removeFirst();
    }
    qint64 total = 0;
    for (const Snapshot& s : stack) {
        total += s.baseImageBytes();
    }
    while (stack.size() >= 2 && total > kMaxBaseImageBytes) {
        total -= stack.first().baseImageBytes();
        stack.removeFirst();
    }
}

} // namespace mebo
