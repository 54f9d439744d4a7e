#pragma once

#include "document/DrawingLayer.h"
#include "editor/DetectedPII.h"

#include <QList>
#include <QString>
#include <optional>

namespace mebo {

class EditorVM;
struct ToolStyles;

// The review and apply step of Smart Redact: what the review says about a scan, and the mosaic
// layers that cover the items the user kept checked. Main thread.
class SmartRedaction {
public:
    // "Found %d sensitive items.", "No sensitive text was found.", or, for a scan that could not
    // run (nothing), "Smart Redact could not scan this image.".
    static QString reviewText(const std::optional<QList<DetectedPII>>& found);
    // One mosaic layer per item over its box, in the mosaic tool's current style, fully opaque and
    // with the soft shadow.
    static LayerList coverLayers(const QList<DetectedPII>& checked, const ToolStyles& styles);
    // Adds the covers to the editor as one change (one undo step); nothing for an empty list.
    static void apply(EditorVM& editor, const QList<DetectedPII>& checked);
};

} // namespace mebo
