#include "document/RegionFillPayload.h"

#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/PayloadRules.h"
#include "document/PngBytes.h"
#include "document/RegionFillLayer.h"

namespace mebo {

void RegionFillPayload::write(const RegionFillLayer& layer, JsonWriter& out) {
    const QByteArray png = PngBytes::encode(layer.mask.convertToFormat(QImage::Format_Grayscale8));
    if (png.isEmpty()) {
        throw JsonEncodeError(QStringLiteral("the mask could not be encoded as PNG"));
    }
    out.base64("maskPNG", png);
    out.rect("maskRect", layer.maskRect);
    out.color("color", layer.color);
    out.number("alpha", layer.alpha);
    out.point("seedPoint", layer.seedPoint);
    out.number("tolerance", layer.tolerance);
    out.boolean("transparent", layer.transparent);
    out.boolean("globalMode", layer.globalMode);
    out.base(layer);
}

LayerPtr RegionFillPayload::read(const JsonReader& in) {
    const QByteArray png = in.base64("maskPNG", PngBytes::kMaxBytes);
    auto layer = std::make_shared<RegionFillLayer>();
    layer->maskRect = in.rect("maskRect");
    layer->color = in.color("color");
    layer->alpha = in.number("alpha");
    layer->seedPoint = in.point("seedPoint");
    layer->tolerance = in.number("tolerance");
    layer->transparent = in.optionalBoolean("transparent").value_or(false);
    layer->globalMode = in.optionalBoolean("globalMode").value_or(false);
    PayloadRules::applyBase(*layer, in.base());
    // Decoded last: every key is checked even when the mask turns out unusable.
    const QImage mask = PngBytes::decode(png);
    if (mask.isNull()) {
        return nullptr;
    }
    layer->mask = mask.convertToFormat(QImage::Format_Grayscale8);
    return layer;
}

} // namespace mebo
