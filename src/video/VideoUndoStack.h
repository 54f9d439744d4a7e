#pragma once

#include "video/VideoSnapshot.h"

#include <deque>
#include <optional>
#include <vector>

namespace mebo {

// Undo and redo of whole edit states. At most 50 undo steps: the 51st push drops the oldest.
class VideoUndoStack {
public:
    static constexpr size_t kLimit = 50;

    // Before an edit: the state it changes. Empties the redo stack.
    void push(VideoSnapshot before);
    // The state to restore, `current` going to the redo stack; nothing when there is no step.
    std::optional<VideoSnapshot> undo(VideoSnapshot current);
    std::optional<VideoSnapshot> redo(VideoSnapshot current);
    void clear();

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    size_t undoCount() const { return undo_.size(); }

private:
    std::deque<VideoSnapshot> undo_;
    std::vector<VideoSnapshot> redo_;
};

} // namespace mebo
