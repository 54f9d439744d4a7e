#pragma once

#include <QIcon>

namespace mebo {

// The status item's icon: a camera viewfinder (corner brackets around a lens), drawn for the
// panel's sizes so it stays sharp; the recording variant fills the lens red. Light strokes with
// a dark rim: it shows on dark panels and on light ones alike.
class StatusIcon {
public:
    static QIcon viewfinder(bool recording);
    // A recording that is paused: two bars in the lens.
    static QIcon recordingPaused();
    // The seconds left before a delayed capture, in the same frame.
    static QIcon countdown(int seconds);
    static QIcon application(); // the window and launcher icon
};

} // namespace mebo
