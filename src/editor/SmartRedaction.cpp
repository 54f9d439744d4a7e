#include "editor/SmartRedaction.h"

#include "editor/EditorVM.h"
#include "editor/ToolLayerFactory.h"
#include "editor/ToolStyles.h"

namespace mebo {

QString SmartRedaction::reviewText(const std::optional<QList<DetectedPII>>& found) {
    if (!found) {
        return QStringLiteral("Smart Redact could not scan this image.");
    }
    if (found->isEmpty()) {
        return QStringLiteral("No sensitive text was found.");
    }
    return QStringLiteral("Found %1 sensitive items.").arg(found->size());
}

LayerList SmartRedaction::coverLayers(const QList<DetectedPII>& checked, const ToolStyles& styles) {
    LayerList out;
    for (const DetectedPII& item : checked) {
        LayerPtr cover = ToolLayerFactory::boxLayer(ToolKind::mosaic, styles, QRectF(item.boundingBox));
        if (!cover) {
            continue;
        }
        cover->opacity = 1;
        cover->shadow = ShadowStyle::soft;
        out.append(std::move(cover));
    }
    return out;
}

void SmartRedaction::apply(EditorVM& editor, const QList<DetectedPII>& checked) {
    editor.addLayers(coverLayers(checked, editor.styles()));
}

} // namespace mebo
