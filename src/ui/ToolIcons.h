#pragma once

#include "document/ToolKind.h"

#include <QColor>
#include <QIcon>

namespace mebo {

// The editor's toolbar icons, drawn as line art in the palette's text colour so they follow the
// light and the dark appearance.
class ToolIcons {
public:
    enum class Action : uint8_t {
        captureArea,
        captureFullScreen,
        undo,
        redo,
        ocr,
        ocrRegion,
        zoomIn,
        zoomOut,
        zoomFit,
        library,
        editor,
        openFile,
    };

    static QIcon tool(ToolKind tool, const QColor& ink);
    static QIcon action(Action action, const QColor& ink);
};

} // namespace mebo
