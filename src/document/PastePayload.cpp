#include "document/PastePayload.h"

#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/PasteImageLayer.h"
#include "document/PayloadRules.h"
#include "document/PngBytes.h"

namespace mebo {

void PastePayload::write(const PasteImageLayer& layer, JsonWriter& out) {
    // An empty image is written as no bytes and loads back empty.
    const QByteArray png = PngBytes::encode(layer.image);
    if (png.isEmpty() && !layer.image.isNull()) {
        throw JsonEncodeError(QStringLiteral("the image could not be encoded as PNG"));
    }
    out.base64("imagePNG", png);
    out.rect("rect", layer.rect);
}

LayerPtr PastePayload::read(const JsonReader& in) {
    const QByteArray png = in.base64("imagePNG", PngBytes::kMaxBytes);
    auto layer = std::make_shared<PasteImageLayer>();
    layer->rect = in.rect("rect");
    layer->image = PngBytes::decode(png); // null when undecodable
    layer->toolKind = ToolKind::selection;
    PayloadRules::applyDefaultBase(*layer);
    return layer;
}

} // namespace mebo
