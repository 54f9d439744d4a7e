#pragma once

#include <QString>

namespace mebo {

// Parts of the application that a build may not have yet. The tray, the menus, the toolbar and the
// command line ask here before offering them; what is missing is shown disabled with its reason.
enum class Feature { scrollCapture, screenRecording, videoEditing, updateCheck };

class BuildFeatures {
public:
    static bool has(Feature feature);
    // Shown as the tooltip of a disabled item: "Scrolling capture is not available in this build."
    static QString unavailableText(Feature feature);
};

} // namespace mebo
