#include "document/CutOutPayload.h"

#include "document/CutOutLayer.h"
#include "document/JsonReader.h"
#include "document/JsonWriter.h"

namespace mebo {

void CutOutPayload::write(const CutOutLayer& layer, JsonWriter& out) {
    out.rect("rect", layer.rect());
    out.enumeration("orientation", layer.orientation());
    out.enumeration("edgeStyle", layer.edgeStyle());
    out.number("density", layer.density());
    out.number("depth", layer.depth());
}

LayerPtr CutOutPayload::read(const JsonReader& in) {
    const QRectF rect = in.rect("rect");
    const QString orientation = in.string("orientation");
    const QString edgeStyle = in.string("edgeStyle");
    const double density = in.number("density");
    const double depth = in.number("depth");
    // A straight cut is applied to the base at once and never kept as a layer.
    const auto edge = fromRawValue<CutOutEdgeStyle>(edgeStyle);
    const CutOutEdgeStyle style =
        edge == CutOutEdgeStyle::zigzag || edge == CutOutEdgeStyle::wave ? *edge : CutOutEdgeStyle::torn;
    auto layer = std::make_shared<CutOutLayer>(rect,
                                               orientation == QLatin1String("vertical")
                                                   ? CutOutOrientation::vertical
                                                   : CutOutOrientation::horizontal,
                                               style, density, depth);
    layer->opacity = 1;
    return layer;
}

} // namespace mebo
