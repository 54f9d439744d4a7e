#include "document/LayerCodec.h"

#include "app/AppLogger.h"
#include "document/ArrowLayer.h"
#include "document/ArrowPayload.h"
#include "document/BlurPayload.h"
#include "document/CalloutLayer.h"
#include "document/CalloutPayload.h"
#include "document/CutOutLayer.h"
#include "document/CutOutPayload.h"
#include "document/EllipseLayer.h"
#include "document/EllipsePayload.h"
#include "document/EraserStrokeLayer.h"
#include "document/EraserStrokePayload.h"
#include "document/FillLayer.h"
#include "document/FillPayload.h"
#include "document/HighlighterLayer.h"
#include "document/HighlighterPayload.h"
#include "document/JsonEncodeError.h"
#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/LineLayer.h"
#include "document/LinePayload.h"
#include "document/MagnifyLayer.h"
#include "document/MagnifyPayload.h"
#include "document/MosaicLayer.h"
#include "document/MosaicPayload.h"
#include "document/PasteImageLayer.h"
#include "document/PastePayload.h"
#include "document/PenLayer.h"
#include "document/PenPayload.h"
#include "document/PolygonLayer.h"
#include "document/PolygonPayload.h"
#include "document/RectLayer.h"
#include "document/RectPayload.h"
#include "document/RegionFillLayer.h"
#include "document/RegionFillPayload.h"
#include "document/SimplifyLayer.h"
#include "document/SimplifyPayload.h"
#include "document/SpotlightLayer.h"
#include "document/SpotlightPayload.h"
#include "document/StampLayer.h"
#include "document/StampPayload.h"
#include "document/StepLayer.h"
#include "document/StepPayload.h"
#include "document/TextLayer.h"
#include "document/TextPayload.h"

#include <array>
#include <typeinfo>

namespace mebo {

namespace {

struct Kind {
    const char* type;
    const std::type_info* layerClass; // null: read only
    void (*write)(const DrawingLayer&, JsonWriter&);
    LayerPtr (*read)(const JsonReader&);
};

template <typename Payload, typename Layer> Kind kind() {
    return {Payload::kType, &typeid(Layer),
            [](const DrawingLayer& layer, JsonWriter& out) {
                Payload::write(static_cast<const Layer&>(layer), out);
            },
            &Payload::read};
}

template <typename Payload> Kind readOnlyKind() {
    return {Payload::kType, nullptr, nullptr, &Payload::read};
}

// In the order the encoder tests classes.
const std::array<Kind, 21>& kinds() {
    static const std::array<Kind, 21> all{
        kind<ArrowPayload, ArrowLayer>(),
        kind<PenPayload, PenLayer>(),
        kind<EraserStrokePayload, EraserStrokeLayer>(),
        kind<LinePayload, LineLayer>(),
        kind<RectPayload, RectLayer>(),
        kind<EllipsePayload, EllipseLayer>(),
        kind<PolygonPayload, PolygonLayer>(),
        kind<TextPayload, TextLayer>(),
        kind<CalloutPayload, CalloutLayer>(),
        kind<StampPayload, StampLayer>(),
        kind<StepPayload, StepLayer>(),
        kind<HighlighterPayload, HighlighterLayer>(),
        kind<MosaicPayload, MosaicLayer>(),
        kind<CutOutPayload, CutOutLayer>(),
        readOnlyKind<BlurPayload>(),
        kind<MagnifyPayload, MagnifyLayer>(),
        kind<FillPayload, FillLayer>(),
        kind<RegionFillPayload, RegionFillLayer>(),
        kind<PastePayload, PasteImageLayer>(),
        kind<SimplifyPayload, SimplifyLayer>(),
        kind<SpotlightPayload, SpotlightLayer>(),
    };
    return all;
}

} // namespace

std::optional<AnyCodableLayer> LayerCodec::encode(const LayerPtr& layer) {
    if (!layer) {
        return std::nullopt;
    }
    const DrawingLayer& object = *layer;
    const std::type_info& cls = typeid(object);
    for (const Kind& k : kinds()) {
        if (!k.layerClass || *k.layerClass != cls) {
            continue;
        }
        try {
            JsonWriter out;
            k.write(*layer, out);
            return AnyCodableLayer{QString::fromLatin1(k.type), out.toJson()};
        } catch (const JsonEncodeError& e) {
            logError(QStringLiteral("[LayerCodec] encode failed for %1: %2")
                         .arg(QLatin1String(layer->className()), e.description()));
            return std::nullopt;
        }
    }
    return std::nullopt;
}

LayerPtr LayerCodec::decode(const QString& type, const QByteArray& data) {
    for (const Kind& k : kinds()) {
        if (type != QLatin1String(k.type)) {
            continue;
        }
        if (data.size() > kMaxPayloadBytes) {
            throw JsonDecodeError(QStringLiteral("payload of %1 bytes is too large").arg(data.size()));
        }
        LayerPtr layer = k.read(JsonReader(JsonReader::parseObject(data)));
        if (layer) {
            layer->isLocked = false;
        }
        return layer;
    }
    logWarning(QStringLiteral("[LayerCodec] 未知 layer type: ") + type + QStringLiteral(", 跳過"));
    return nullptr;
}

QStringList LayerCodec::knownTypes() {
    QStringList out;
    for (const Kind& k : kinds()) {
        out << QString::fromLatin1(k.type);
    }
    return out;
}

} // namespace mebo
