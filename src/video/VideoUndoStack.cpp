#include "video/VideoUndoStack.h"

namespace mebo {

void VideoUndoStack::push(VideoSnapshot before) {
    undo_.push_back(std::move(before));
    if (undo_.size() > kLimit) {
        undo_.pop_front();
    }
    redo_.clear();
}

std::optional<VideoSnapshot> VideoUndoStack::undo(VideoSnapshot current) {
    if (undo_.empty()) {
        return std::nullopt;
    }
    VideoSnapshot restored = std::move(undo_.back());
    undo_.pop_back();
    redo_.push_back(std::move(current));
    return restored;
}

std::optional<VideoSnapshot> VideoUndoStack::redo(VideoSnapshot current) {
    if (redo_.empty()) {
        return std::nullopt;
    }
    VideoSnapshot restored = std::move(redo_.back());
    redo_.pop_back();
    undo_.push_back(std::move(current));
    if (undo_.size() > kLimit) {
        undo_.pop_front();
    }
    return restored;
}

void VideoUndoStack::clear() {
    undo_.clear();
    redo_.clear();
}

} // namespace mebo
