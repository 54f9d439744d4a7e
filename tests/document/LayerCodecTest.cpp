#include "CodecSamples.h"
#include "support/TestUtil.h"

#include "document/JsonDecodeError.h"
#include "document/JsonReader.h"
#include "document/LayerCodec.h"
#include "document/PngBytes.h"

#include <QBuffer>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <zlib.h>

using namespace mebo;

namespace {

const char* kBase = R"("base":{"opacity":0.5,"shadow":"hard"})";
const char* kColor = R"({"r":1,"g":0,"b":0,"a":1})";

QByteArray payload(const QString& body) {
    return body.toUtf8();
}

// {"...", "base": ...} with the shared colour substituted for $C and the base for $B.
QByteArray fill(QString text) {
    return text.replace(QLatin1String("$C"), QLatin1String(kColor))
        .replace(QLatin1String("$B"), QLatin1String(kBase))
        .toUtf8();
}

template <typename T> std::shared_ptr<T> decodeAs(const char* type, const QByteArray& data) {
    LayerPtr layer = LayerCodec::decode(QString::fromLatin1(type), data);
    auto typed = std::dynamic_pointer_cast<T>(layer);
    EXPECT_TRUE(typed) << type << " did not decode to the expected class: " << data.constData();
    return typed;
}

// The description of the decoding error, or "" when the record decodes.
QString decodeError(const char* type, const QByteArray& data) {
    try {
        LayerCodec::decode(QString::fromLatin1(type), data);
    } catch (const JsonDecodeError& e) {
        return e.description();
    }
    return {};
}

QByteArray encoded(const LayerPtr& layer) {
    const auto record = LayerCodec::encode(layer);
    EXPECT_TRUE(record.has_value()) << layer->className();
    return record ? record->data : QByteArray();
}

QJsonObject encodedObject(const LayerPtr& layer) {
    return QJsonDocument::fromJson(encoded(layer)).object();
}

// Keys of a compact JSON object's top level, in the order the bytes hold them.
QStringList topLevelKeysInByteOrder(const QByteArray& json) {
    QStringList keys;
    int depth = 0;
    bool inString = false;
    QString current;
    bool expectKey = false;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
                if (expectKey) {
                    keys << current;
                    expectKey = false;
                }
            } else if (expectKey) {
                current += QLatin1Char(c);
            }
            continue;
        }
        if (c == '"') {
            inString = true;
            current.clear();
            expectKey = depth == 1 && (json[i - 1] == '{' || json[i - 1] == ',');
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return keys;
}

QByteArray pngOf(const QImage& image) {
    return PngBytes::encode(image);
}

} // namespace

TEST(LayerCodecTest, EveryClassRoundTripsToIdenticalBytes) {
    const QStringList expectedTypes{"arrow",   "pen",         "eraserStroke", "line",     "rect",
                                    "ellipse", "polygon",     "text",         "callout",  "stamp",
                                    "step",    "highlighter", "mosaic",       "cutout",   "magnify",
                                    "fill",    "regionFill",  "paste",        "simplify", "spotlight"};
    const LayerList layers = test::fullyPopulatedLayers();
    ASSERT_EQ(layers.size(), expectedTypes.size());
    for (int i = 0; i < layers.size(); ++i) {
        const LayerPtr& layer = layers[i];
        layer->isLocked = true;
        const auto first = LayerCodec::encode(layer);
        ASSERT_TRUE(first) << layer->className();
        EXPECT_EQ(first->type, expectedTypes[i]);
        // Same layer, same bytes.
        EXPECT_EQ(LayerCodec::encode(layer)->data, first->data) << layer->className();
        EXPECT_FALSE(first->data.contains("null")) << first->data.constData();
        EXPECT_FALSE(first->data.contains('\n'));
        const QStringList keys = topLevelKeysInByteOrder(first->data);
        QStringList sorted = keys;
        sorted.sort();
        EXPECT_EQ(keys, sorted) << first->data.constData();

        const LayerPtr back = LayerCodec::decode(*first);
        ASSERT_TRUE(back) << layer->className();
        EXPECT_STREQ(back->className(), layer->className());
        EXPECT_EQ(back->toolKind, layer->toolKind);
        EXPECT_FALSE(back->isLocked);
        const auto second = LayerCodec::encode(back);
        ASSERT_TRUE(second);
        EXPECT_EQ(second->type, first->type);
        EXPECT_EQ(second->data, first->data) << layer->className();
        layer->isLocked = false;
    }
}

TEST(LayerCodecTest, FieldsSurviveTheRoundTrip) {
    const LayerList layers = test::fullyPopulatedLayers();
    auto arrow = std::dynamic_pointer_cast<ArrowLayer>(LayerCodec::decode(*LayerCodec::encode(layers[0])));
    ASSERT_TRUE(arrow);
    EXPECT_EQ(arrow->start, QPointF(10.5, 20));
    EXPECT_EQ(arrow->headStyle, ArrowHeadStyle::both);
    EXPECT_EQ(arrow->headOutlineStyle, ArrowLineStyle::dotted);
    EXPECT_EQ(arrow->controlPoint2, QPointF(70, 80));
    EXPECT_EQ(arrow->headOutlineColor->alpha(), 200);
    EXPECT_EQ(arrow->shadow, ShadowStyle::hard);
    EXPECT_DOUBLE_EQ(arrow->opacity, 0.75);

    auto text = std::dynamic_pointer_cast<TextLayer>(LayerCodec::decode(*LayerCodec::encode(layers[7])));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->text, QStringLiteral("Héllo \"world\"\n二行目"));
    EXPECT_EQ(text->underlineStyle, TextLineStyle::double_);
    EXPECT_EQ(text->backgroundColor, QColor(0, 0, 0, 128));

    auto callout =
        std::dynamic_pointer_cast<CalloutLayer>(LayerCodec::decode(*LayerCodec::encode(layers[8])));
    ASSERT_TRUE(callout);
    EXPECT_EQ(callout->tails, (QList<QPointF>{{10, 10}, {200, 150}}));
    EXPECT_EQ(callout->tailAnchor, CalloutTailAnchor::auto_);
    EXPECT_EQ(encodedObject(layers[8]).value("tailAnchor").toString(), QStringLiteral("auto"));

    auto cut = std::dynamic_pointer_cast<CutOutLayer>(LayerCodec::decode(*LayerCodec::encode(layers[13])));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->orientation(), CutOutOrientation::vertical);
    EXPECT_EQ(cut->edgeStyle(), CutOutEdgeStyle::wave);
    EXPECT_FALSE(cut->maskPath().isEmpty());

    auto region =
        std::dynamic_pointer_cast<RegionFillLayer>(LayerCodec::decode(*LayerCodec::encode(layers[16])));
    ASSERT_TRUE(region);
    EXPECT_EQ(region->mask.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(region->mask.size(), QSize(16, 8));
    EXPECT_EQ(qGray(region->mask.pixel(4, 3)), 255);
    EXPECT_EQ(qGray(region->mask.pixel(0, 0)), 0);

    auto paste =
        std::dynamic_pointer_cast<PasteImageLayer>(LayerCodec::decode(*LayerCodec::encode(layers[17])));
    ASSERT_TRUE(paste);
    EXPECT_EQ(paste->toolKind, ToolKind::selection);
    EXPECT_EQ(paste->image.convertToFormat(QImage::Format_ARGB32),
              test::sampleImage(12, 9).convertToFormat(QImage::Format_ARGB32));
}

TEST(LayerCodecTest, UnsetOptionalsAreOmittedNeverNull) {
    auto arrow = std::make_shared<ArrowLayer>();
    const QJsonObject a = encodedObject(arrow);
    for (const char* key : {"headOutlineWidth", "headColor", "headOutlineColor", "headOutlineStyle",
                            "lineCap", "controlPoint", "controlPoint2"}) {
        EXPECT_FALSE(a.contains(QLatin1String(key))) << key;
    }
    EXPECT_TRUE(a.contains("base"));
    EXPECT_TRUE(a.contains("headOutline"));

    auto rect = std::make_shared<RectLayer>();
    const QJsonObject r = encodedObject(rect);
    EXPECT_FALSE(r.contains("fillColor"));
    EXPECT_FALSE(r.contains("gradient"));

    auto stamp = std::make_shared<StampLayer>();
    stamp->imagePath = QString(); // empty means unset
    EXPECT_FALSE(encodedObject(stamp).contains("imagePath"));

    auto spot = std::make_shared<SpotlightLayer>();
    EXPECT_FALSE(encodedObject(spot).contains("dimColor"));
    EXPECT_FALSE(encodedObject(spot).contains("cornerRadius"));

    // The exact form of a small payload: sorted, compact, points and rectangles as arrays.
    auto eraser = std::make_shared<EraserStrokeLayer>();
    eraser->points = {{1, 2}, {3.5, -4}};
    eraser->width = 10;
    EXPECT_EQ(encoded(eraser), QByteArray(R"({"points":[[1,2],[3.5,-4]],"width":10})"));
    auto fillLayer = std::make_shared<FillLayer>();
    fillLayer->color = QColor(255, 0, 0);
    fillLayer->setAlpha(0.5);
    EXPECT_EQ(encoded(fillLayer), QByteArray(R"({"alpha":0.5,"color":{"a":1,"b":0,"g":0,"r":1}})"));
    // Components keep their 16-bit precision: 51/255 is written as 0.2, not a half-float 0.19995.
    fillLayer->color = QColor(255, 51, 0, 102);
    EXPECT_EQ(encoded(fillLayer), QByteArray(R"({"alpha":0.5,"color":{"a":0.4,"b":0,"g":0.2,"r":1}})"));
}

TEST(LayerCodecTest, ClampsAndDefaultsAtLoad) {
    const QString polygon = QStringLiteral(
        R"({"rect":[[0,0],[10,10]],"sides":%1,"color":$C,"strokeWidth":2,"lineStyle":"wavy",$B%2})");
    EXPECT_EQ(decodeAs<PolygonLayer>("polygon", fill(polygon.arg("2", "")))->sides, 3);
    EXPECT_EQ(decodeAs<PolygonLayer>("polygon", fill(polygon.arg("40", "")))->sides, 12);
    EXPECT_EQ(decodeAs<PolygonLayer>("polygon", fill(polygon.arg("-9000000000", "")))->sides, 3);
    EXPECT_EQ(decodeAs<PolygonLayer>("polygon", fill(polygon.arg("5.0", "")))->sides, 5);
    auto star = decodeAs<PolygonLayer>("polygon", fill(polygon.arg("5", R"(,"innerRatio":0)")));
    EXPECT_DOUBLE_EQ(star->innerRatio, 0.1);
    EXPECT_EQ(star->lineStyle, ArrowLineStyle::solid);
    EXPECT_DOUBLE_EQ(
        decodeAs<PolygonLayer>("polygon", fill(polygon.arg("5", R"(,"innerRatio":3)")))->innerRatio, 1);
    auto plain = decodeAs<PolygonLayer>("polygon", fill(polygon.arg("5", "")));
    EXPECT_DOUBLE_EQ(plain->innerRatio, 1);
    EXPECT_DOUBLE_EQ(plain->rotation, 0);
    EXPECT_FALSE(plain->gradient);
    EXPECT_NE(decodeError("polygon", fill(polygon.arg("4.5", ""))), QString());

    const QString rect =
        QStringLiteral(R"({"rect":[[1,2],[3,4]],"color":$C,"strokeWidth":2,"lineStyle":"dashed",$B%1})");
    EXPECT_DOUBLE_EQ(decodeAs<RectLayer>("rect", fill(rect.arg(R"(,"cornerRadius":-5)")))->cornerRadius, 0);
    auto r = decodeAs<RectLayer>("rect", fill(rect.arg("")));
    EXPECT_DOUBLE_EQ(r->cornerRadius, 0);
    EXPECT_DOUBLE_EQ(r->rotation, 0);
    EXPECT_EQ(r->lineStyle, ArrowLineStyle::dashed);
    EXPECT_EQ(r->rect, QRectF(1, 2, 3, 4));

    const QString fillJson = QStringLiteral(R"({"color":$C%1})");
    auto f = decodeAs<FillLayer>("fill", fill(fillJson.arg("")));
    EXPECT_DOUBLE_EQ(f->alpha, 0.25);
    EXPECT_EQ(f->shadow, ShadowStyle::soft);
    EXPECT_DOUBLE_EQ(f->opacity, 1);
    EXPECT_DOUBLE_EQ(decodeAs<FillLayer>("fill", fill(fillJson.arg(R"(,"alpha":0.01)")))->alpha, 0.05);
    EXPECT_DOUBLE_EQ(decodeAs<FillLayer>("fill", fill(fillJson.arg(R"(,"alpha":7)")))->alpha, 1);

    const QString step = QStringLiteral(R"({"center":[5,5],"number":3,"color":$C,"radius":12%1})");
    auto s = decodeAs<StepLayer>("step", fill(step.arg("")));
    EXPECT_EQ(s->shadow, ShadowStyle::soft); // no base: soft shadow, full opacity
    EXPECT_DOUBLE_EQ(s->opacity, 1);
    EXPECT_EQ(s->textColor, QColor(Qt::white));
    EXPECT_EQ(s->outlineColor, QColor(Qt::black));
    EXPECT_EQ(s->sequence, StepSequence::numeric);
    EXPECT_EQ(s->shape, StepShape::circle);
    EXPECT_EQ(s->fontWeight, TextFontWeight::bold);
    EXPECT_EQ(s->fontFamily, QString());
    EXPECT_FALSE(s->cornerRadius);
    auto s2 = decodeAs<StepLayer>(
        "step",
        fill(step.arg(
            R"(,"outlineWidth":-3,"sequence":"greek","shape":"upperRoman",$B,"fontWeight":"black")")));
    EXPECT_DOUBLE_EQ(s2->outlineWidth, 0);
    EXPECT_EQ(s2->sequence, StepSequence::numeric);
    EXPECT_EQ(s2->shape, StepShape::circle);
    EXPECT_EQ(s2->fontWeight, TextFontWeight::bold);
    EXPECT_EQ(s2->shadow, ShadowStyle::hard);
    EXPECT_NE(
        decodeError("step", fill(QStringLiteral(R"({"center":[5,5],"number":1e12,"color":$C,"radius":1})"))),
        QString());

    const QString magnify = QStringLiteral(
        R"({"center":[50,50],"width":80,"height":60,"zoomLevel":2,"shape":"hexagon","borderColor":$C})");
    auto m = decodeAs<MagnifyLayer>("magnify", fill(magnify));
    EXPECT_EQ(m->shape, MagnifyShape::circle);
    EXPECT_DOUBLE_EQ(m->borderWidth, 3);
    EXPECT_EQ(m->sourceOffset, QSizeF(0, 0));
    EXPECT_EQ(m->size, QSizeF(80, 60));
    EXPECT_EQ(m->borderStyle, ArrowLineStyle::solid);
    EXPECT_EQ(m->shadow, ShadowStyle::soft);

    const QString stamp = QStringLiteral(R"({"center":[1,1],"symbolName":"star","color":$C,"size":40%1})");
    auto st = decodeAs<StampLayer>("stamp", fill(stamp.arg(R"(,"imagePath":"")")));
    EXPECT_FALSE(st->imagePath);
    EXPECT_EQ(st->shadow, ShadowStyle::soft);
    EXPECT_FALSE(st->flipH);
    EXPECT_EQ(decodeAs<StampLayer>("stamp", fill(stamp.arg(R"(,"imagePath":"/a.png")")))->imagePath,
              QStringLiteral("/a.png"));
}

TEST(LayerCodecTest, EnumerationsFallBackToTheirDefaults) {
    auto arrow = decodeAs<ArrowLayer>(
        "arrow", fill(QStringLiteral(
                     R"({"start":[0,0],"end":[1,1],"color":$C,"strokeWidth":1,"headStyle":"Both",)"
                     R"("lineStyle":"zigzag","headSize":1,"startSize":1,"endSize":1,"headOutline":false,)"
                     R"("lineCap":"pointy","headOutlineStyle":"x",$B})")));
    EXPECT_EQ(arrow->headStyle, ArrowHeadStyle::end); // case-sensitive
    EXPECT_EQ(arrow->lineStyle, ArrowLineStyle::solid);
    EXPECT_FALSE(arrow->lineCap);
    EXPECT_FALSE(arrow->headOutlineStyle);

    const QString text = QStringLiteral(
        R"({"position":[3,4],"text":"hi","color":$C,"fontSize":20,"outlineColor":$C,"fontWeight":"%1",$B%2})");
    auto t = decodeAs<TextLayer>("text", fill(text.arg("ultra", "")));
    EXPECT_EQ(t->fontWeight, TextFontWeight::bold);
    EXPECT_EQ(t->align, TextAlign::left);
    EXPECT_EQ(t->backgroundColor.alpha(), 0);
    EXPECT_FALSE(t->underline || t->strike || t->italic);
    EXPECT_FALSE(t->underlineStyle || t->strikeStyle || t->trackingPt || t->backgroundPadding);
    auto t2 = decodeAs<TextLayer>(
        "text", fill(text.arg("semibold", R"(,"align":"justify","underlineStyle":"wavy")")));
    EXPECT_EQ(t2->fontWeight, TextFontWeight::semibold);
    EXPECT_EQ(t2->align, TextAlign::left);
    EXPECT_FALSE(t2->underlineStyle);

    const QString callout = QStringLiteral(R"({"rect":[[0,0],[50,30]],"text":"x","color":$C,"fontSize":12,)"
                                           R"("outlineWidth":1,"textColor":$C,"fontWeight":"%1",$B%2})");
    auto c = decodeAs<CalloutLayer>("callout", fill(callout.arg("thin", "")));
    EXPECT_EQ(c->fontWeight, TextFontWeight::semibold);
    EXPECT_EQ(c->align, TextAlign::center);
    EXPECT_EQ(c->shape, CalloutShape::speechBubble);
    EXPECT_EQ(c->tailStyle, CalloutTailStyle::triangle);
    EXPECT_EQ(c->outlineStyle, ArrowLineStyle::solid);
    EXPECT_DOUBLE_EQ(c->padding, 8);
    EXPECT_FALSE(c->outlineColor || c->cornerRadius || c->tailAnchor || c->gradient);
    auto c2 = decodeAs<CalloutLayer>(
        "callout", fill(callout.arg("bold", R"(,"shape":"star","tailStyle":"curly","tailAnchor":"bottom")")));
    EXPECT_EQ(c2->shape, CalloutShape::speechBubble);
    EXPECT_EQ(c2->tailStyle, CalloutTailStyle::triangle);
    EXPECT_EQ(c2->tailAnchor, CalloutTailAnchor::bottom);

    const QString pen =
        QStringLiteral(R"({"points":[[0,0],[4,4]],"color":$C,"strokeWidth":3,"smoothCurves":true,$B%1})");
    auto p = decodeAs<PenLayer>("pen", fill(pen.arg(R"(,"lineStyle":"loud","lineJoin":"bevel")")));
    EXPECT_EQ(p->lineStyle, ArrowLineStyle::solid);
    EXPECT_EQ(p->lineJoin, LineJoin::bevel);
    EXPECT_FALSE(p->lineCap);
}

TEST(LayerCodecTest, ShadowRules) {
    const QString line = QStringLiteral(
        R"({"start":[0,0],"end":[9,9],"color":$C,"strokeWidth":2,"lineStyle":"solid","base":{"opacity":0.3,"shadow":"%1"}})");
    EXPECT_EQ(decodeAs<LineLayer>("line", fill(line.arg("none")))->shadow, ShadowStyle::none);
    EXPECT_EQ(decodeAs<LineLayer>("line", fill(line.arg("hard")))->shadow, ShadowStyle::hard);
    EXPECT_EQ(decodeAs<LineLayer>("line", fill(line.arg("soft")))->shadow, ShadowStyle::soft);
    EXPECT_EQ(decodeAs<LineLayer>("line", fill(line.arg("glow")))->shadow, ShadowStyle::soft);
    EXPECT_DOUBLE_EQ(decodeAs<LineLayer>("line", fill(line.arg("none")))->opacity, 0.3);

    // The highlighter carries its own keys: missing or unknown means no shadow.
    const QString hl = QStringLiteral(R"({"rect":[[0,0],[20,5]],"color":$C%1})");
    auto h = decodeAs<HighlighterLayer>("highlighter", fill(hl.arg("")));
    EXPECT_EQ(h->shadow, ShadowStyle::none);
    EXPECT_DOUBLE_EQ(h->opacity, 1);
    EXPECT_EQ(h->shape, HighlighterShape::rect);
    EXPECT_EQ(decodeAs<HighlighterLayer>("highlighter", fill(hl.arg(R"(,"shadow":"glow")")))->shadow,
              ShadowStyle::none);
    auto h2 = decodeAs<HighlighterLayer>("highlighter",
                                         fill(hl.arg(R"(,"shadow":"soft","opacity":0.4,"shape":"ellipse")")));
    EXPECT_EQ(h2->shadow, ShadowStyle::soft);
    EXPECT_DOUBLE_EQ(h2->opacity, 0.4);
    EXPECT_EQ(h2->shape, HighlighterShape::ellipse);
    EXPECT_EQ(decodeAs<HighlighterLayer>("highlighter", fill(hl.arg(R"(,"shadow":"hard")")))->shadow,
              ShadowStyle::hard);
    EXPECT_EQ(decodeError("highlighter", fill(hl.arg(R"(,"shadow":1)"))),
              QStringLiteral("key 'shadow' is not a string"));
    EXPECT_FALSE(encodedObject(h).contains("base"));
    EXPECT_EQ(encodedObject(h).value("shadow").toString(), QStringLiteral("none"));
}

TEST(LayerCodecTest, CalloutTailsAndLegacyTailTip) {
    const QString callout = QStringLiteral(R"({"rect":[[0,0],[50,30]],"text":"x","color":$C,"fontSize":12,)"
                                           R"("outlineWidth":1,"textColor":$C,"fontWeight":"bold",$B%1})");
    auto onlyTip = decodeAs<CalloutLayer>("callout", fill(callout.arg(R"(,"tailTip":[7,8])")));
    EXPECT_EQ(onlyTip->tails, QList<QPointF>{QPointF(7, 8)});
    auto emptyTails = decodeAs<CalloutLayer>("callout", fill(callout.arg(R"(,"tailTip":[7,8],"tails":[])")));
    EXPECT_TRUE(emptyTails->tails.isEmpty());
    auto none = decodeAs<CalloutLayer>("callout", fill(callout.arg("")));
    EXPECT_TRUE(none->tails.isEmpty());
    auto two =
        decodeAs<CalloutLayer>("callout", fill(callout.arg(R"(,"tailTip":[7,8],"tails":[[1,2],[3,4]])")));
    EXPECT_EQ(two->tails, (QList<QPointF>{{1, 2}, {3, 4}}));
    // Written back, the single tip lives in "tails".
    const QJsonObject back = encodedObject(onlyTip);
    EXPECT_FALSE(back.contains("tailTip"));
    EXPECT_EQ(back.value("tails").toArray().size(), 1);
}

TEST(LayerCodecTest, MosaicBlurAndCutOutRules) {
    auto blur = decodeAs<MosaicLayer>("blur", R"({"rect":[[10,20],[30,40]],"radius":6})");
    EXPECT_EQ(blur->style, MosaicStyle::gaussian);
    EXPECT_DOUBLE_EQ(blur->intensity, 6);
    EXPECT_EQ(blur->solidColor, QColor(Qt::black));
    EXPECT_EQ(blur->shape, MosaicShape::rect);
    EXPECT_FALSE(blur->cornerRadius);
    EXPECT_TRUE(blur->polygonPoints.isEmpty());
    EXPECT_EQ(blur->shadow, ShadowStyle::soft);
    const auto blurBack = LayerCodec::encode(blur);
    ASSERT_TRUE(blurBack);
    EXPECT_EQ(blurBack->type, QStringLiteral("mosaic"));
    EXPECT_DOUBLE_EQ(QJsonDocument::fromJson(blurBack->data).object().value("blockSize").toDouble(), 14);

    auto legacy = decodeAs<MosaicLayer>("mosaic", R"({"rect":[[0,0],[8,8]],"blockSize":11})");
    EXPECT_EQ(legacy->style, MosaicStyle::pixelate);
    EXPECT_DOUBLE_EQ(legacy->intensity, 11);
    EXPECT_EQ(legacy->shape, MosaicShape::rect);
    EXPECT_DOUBLE_EQ(encodedObject(legacy).value("blockSize").toDouble(), 11);
    auto solid = decodeAs<MosaicLayer>(
        "mosaic",
        R"({"rect":[[0,0],[8,8]],"blockSize":11,"intensity":3,"style":"solid","solidColor":{"r":0,"g":1,"b":0,"a":0.2},"shape":"nonagon"})");
    EXPECT_DOUBLE_EQ(solid->intensity, 3);
    EXPECT_EQ(solid->solidColor, QColor(0, 255, 0));
    EXPECT_EQ(solid->shape, MosaicShape::rect);
    EXPECT_DOUBLE_EQ(encodedObject(solid).value("blockSize").toDouble(), 14);
    auto translucent = decodeAs<MosaicLayer>(
        "mosaic",
        R"({"rect":[[0,0],[8,8]],"blockSize":1,"style":"gaussian","solidColor":{"r":0,"g":1,"b":0,"a":0.2}})");
    EXPECT_NEAR(translucent->solidColor.alphaF(), 0.2, 1e-4);
    EXPECT_EQ(decodeError("mosaic", R"({"rect":[[0,0],[8,8]],"intensity":4})"),
              QStringLiteral("missing key 'blockSize'"));

    const QString cut = QStringLiteral(
        R"({"rect":[[100,50],[-60,-20]],"orientation":"%1","edgeStyle":"%2","density":1,"depth":6})");
    auto straight = decodeAs<CutOutLayer>("cutout", cut.arg("vertical", "straight").toUtf8());
    EXPECT_EQ(straight->edgeStyle(), CutOutEdgeStyle::torn);
    EXPECT_EQ(straight->orientation(), CutOutOrientation::vertical);
    EXPECT_EQ(straight->rect(), QRectF(40, 30, 60, 20)); // standardised
    EXPECT_DOUBLE_EQ(straight->opacity, 1);
    EXPECT_EQ(decodeAs<CutOutLayer>("cutout", cut.arg("diagonal", "zigzag").toUtf8())->edgeStyle(),
              CutOutEdgeStyle::zigzag);
    EXPECT_EQ(decodeAs<CutOutLayer>("cutout", cut.arg("diagonal", "zigzag").toUtf8())->orientation(),
              CutOutOrientation::horizontal);
    EXPECT_EQ(decodeAs<CutOutLayer>("cutout", cut.arg("Vertical", "wave").toUtf8())->orientation(),
              CutOutOrientation::horizontal);
    EXPECT_EQ(decodeAs<CutOutLayer>("cutout", cut.arg("horizontal", "ripped").toUtf8())->edgeStyle(),
              CutOutEdgeStyle::torn);
}

TEST(LayerCodecTest, SimplifyAndSpotlightShapesAreStrict) {
    const QString simplify = QStringLiteral(
        R"({"rect":[[0,0],[40,20]],"color":{"r":0.5,"g":0.5,"b":0.5,"a":0.3},"base":{"opacity":0.2,"shadow":"hard"}%1})");
    auto s = decodeAs<SimplifyLayer>("simplify", simplify.arg("").toUtf8());
    EXPECT_DOUBLE_EQ(s->fillColor.alphaF(), 1);
    EXPECT_DOUBLE_EQ(s->opacity, 1);
    EXPECT_EQ(s->shadow, ShadowStyle::hard);
    EXPECT_EQ(s->shape, MosaicShape::rect);
    EXPECT_EQ(s->borderColor, QColor(Qt::white));
    EXPECT_DOUBLE_EQ(s->borderWidth, 0);
    EXPECT_EQ(s->borderStyle, ArrowLineStyle::solid);
    EXPECT_DOUBLE_EQ(
        decodeAs<SimplifyLayer>("simplify", simplify.arg(R"(,"borderWidth":-2)").toUtf8())->borderWidth, 0);
    EXPECT_EQ(decodeAs<SimplifyLayer>("simplify", simplify.arg(R"(,"shape":"polygon")").toUtf8())->shape,
              MosaicShape::polygon);
    EXPECT_EQ(decodeError("simplify", simplify.arg(R"(,"shape":"circle")").toUtf8()),
              QStringLiteral("key 'shape' has an unknown value 'circle'"));
    EXPECT_NE(decodeError("simplify", R"({"rect":[[0,0],[40,20]],"color":{"r":0,"g":0,"b":0,"a":1}})"),
              QString());

    const QString spot = QStringLiteral(R"({"rect":[[0,0],[40,20]],"dimAlpha":0.6%1})");
    auto sp = decodeAs<SpotlightLayer>("spotlight", spot.arg("").toUtf8());
    EXPECT_EQ(sp->shape, MosaicShape::rect);
    EXPECT_FALSE(sp->dimColor);
    EXPECT_EQ(sp->shadow, ShadowStyle::soft);
    EXPECT_DOUBLE_EQ(sp->opacity, 1);
    EXPECT_DOUBLE_EQ(
        decodeAs<SpotlightLayer>("spotlight", spot.arg(R"(,"borderWidth":-1)").toUtf8())->borderWidth, 0);
    EXPECT_EQ(decodeError("spotlight", spot.arg(R"(,"shape":"Ellipse")").toUtf8()),
              QStringLiteral("key 'shape' has an unknown value 'Ellipse'"));
    EXPECT_EQ(decodeError("spotlight", spot.arg(R"(,"shape":3)").toUtf8()),
              QStringLiteral("key 'shape' is not a string"));
}

TEST(LayerCodecTest, ImagePayloads) {
    test::LogCapture log;
    QImage mask(6, 4, QImage::Format_Grayscale8);
    mask.fill(255);
    const QString region =
        QStringLiteral(R"({"maskPNG":"%1","maskRect":[[0,0],[6,4]],"color":$C,"alpha":0.7,)"
                       R"("seedPoint":[1,1],"tolerance":10,$B})");
    auto r = decodeAs<RegionFillLayer>("regionFill",
                                       fill(region.arg(QString::fromLatin1(pngOf(mask).toBase64()))));
    EXPECT_FALSE(r->transparent);
    EXPECT_FALSE(r->globalMode);
    EXPECT_EQ(r->mask.size(), QSize(6, 4));
    EXPECT_DOUBLE_EQ(r->alpha, 0.7);
    // Valid Base64 that is not a PNG: the layer is dropped without a word.
    EXPECT_EQ(LayerCodec::decode(QStringLiteral("regionFill"),
                                 fill(region.arg(QString::fromLatin1(QByteArray("not a png").toBase64())))),
              nullptr);
    // Not Base64 at all: a decoding error.
    EXPECT_EQ(decodeError("regionFill", fill(region.arg("@@@@"))),
              QStringLiteral("key 'maskPNG' is not a Base64 string"));
    // A required key is checked even when the mask is unusable.
    EXPECT_EQ(decodeError("regionFill", R"({"maskPNG":"","maskRect":[[0,0],[6,4]]})"),
              QStringLiteral("missing key 'color'"));

    const QString paste = QStringLiteral(R"({"imagePNG":"%1","rect":[[5,5],[20,10]]})");
    auto bad = decodeAs<PasteImageLayer>("paste", paste.arg("AAAA").toUtf8());
    EXPECT_TRUE(bad->image.isNull());
    EXPECT_EQ(bad->rect, QRectF(5, 5, 20, 10));
    EXPECT_EQ(bad->toolKind, ToolKind::selection);
    EXPECT_EQ(bad->shadow, ShadowStyle::soft);
    // An empty image is written as no bytes and stays empty.
    EXPECT_EQ(encodedObject(bad).value("imagePNG").toString(), QString());
    EXPECT_EQ(encoded(LayerCodec::decode(QStringLiteral("paste"), encoded(bad))), encoded(bad));
    EXPECT_TRUE(log.messages().isEmpty()) << log.messages().join('\n').toStdString();
}

TEST(LayerCodecTest, OversizedImagesAreRefusedBeforeAllocation) {
    // A real PNG header declaring 100000 x 100000 pixels: rejected from the header alone.
    QImage tiny(1, 1, QImage::Format_RGB32);
    tiny.fill(Qt::red);
    QByteArray png = pngOf(tiny);
    ASSERT_GE(png.size(), 24);
    // Rewrites a big-endian word of the IHDR chunk and its CRC, so only the size is implausible.
    auto setBigEndian = [&](int offset, quint32 v) {
        for (int i = 0; i < 4; ++i) {
            png[offset + i] = char((v >> (24 - 8 * i)) & 0xff);
        }
        const quint32 crc = quint32(
            crc32(0, reinterpret_cast<const Bytef*>(png.constData() + 12), 17)); // type + 13 data bytes
        for (int i = 0; i < 4; ++i) {
            png[29 + i] = char((crc >> (24 - 8 * i)) & 0xff);
        }
    };
    setBigEndian(16, 100000); // IHDR width
    setBigEndian(20, 100000); // IHDR height
    EXPECT_EQ(PngBytes::declaredSize(png), QSize(100000, 100000));
    EXPECT_TRUE(PngBytes::decode(png).isNull());
    auto paste =
        decodeAs<PasteImageLayer>("paste", QStringLiteral(R"({"imagePNG":"%1","rect":[[0,0],[1,1]]})")
                                               .arg(QString::fromLatin1(png.toBase64()))
                                               .toUtf8());
    EXPECT_TRUE(paste->image.isNull());
    static_assert(PngBytes::kMaxPixels >= 60'000'000, "a 60-megapixel capture must load");
    setBigEndian(16, 7800);
    setBigEndian(20, 7800); // 60.8 megapixels: allowed by the size check, then fails as damaged data
    EXPECT_EQ(PngBytes::declaredSize(png), QSize(7800, 7800));
    setBigEndian(16, 8193);
    setBigEndian(20, 8193); // just past 2^26 pixels
    EXPECT_TRUE(PngBytes::decode(png).isNull());
    // Qt's own allocation limit (128 MB by default) must not refuse what ours admits.
    EXPECT_FALSE(PngBytes::decode(pngOf(test::sampleImage(4, 4))).isNull());
    const int qtLimitMiB = QImageReader::allocationLimit();
    EXPECT_TRUE(qtLimitMiB == 0 || qint64(qtLimitMiB) << 20 >= PngBytes::kMaxPixels * 4) << qtLimitMiB;
    // Base64 beyond the payload's byte limit is refused by its length, before decoding.
    EXPECT_GT(PngBytes::kMaxBytes, 240 << 20);
}

TEST(LayerCodecTest, StrictFailuresNameTheKey) {
    const QByteArray line = fill(
        QStringLiteral(R"({"start":[0,0],"end":[9,9],"color":$C,"strokeWidth":2,"lineStyle":"solid",$B})"));
    ASSERT_EQ(decodeError("line", line), QString());
    struct Case {
        QByteArray data;
        QString error;
    };
    auto edit = [&](const char* from, const char* to) { return QByteArray(line).replace(from, to); };
    const QList<Case> cases{
        {edit(R"("start":[0,0],)", ""), "missing key 'start'"},
        {edit(R"("r":1)", R"("r":"1")"), "key 'color.r' is not a number"},
        {edit(R"("a":1)", R"("x":1)"), "missing key 'color.a'"},
        {edit(R"("strokeWidth":2)", R"("strokeWidth":null)"), "key 'strokeWidth' is null"},
        {edit(R"("strokeWidth":2)", R"("strokeWidth":true)"), "key 'strokeWidth' is not a number"},
        {edit(R"("start":[0,0])", R"("start":[0,0,0])"), "key 'start' is not a point [x, y]"},
        {edit(R"("start":[0,0])", R"("start":[0])"), "key 'start' is not a point [x, y]"},
        {edit(R"("start":[0,0])", R"("start":{"x":0,"y":0})"), "key 'start' is not a point [x, y]"},
        {edit(R"("end":[9,9])", R"("end":[9,"9"])"), "key 'end[1]' is not a number"},
        {edit(R"("lineStyle":"solid")", R"("lineStyle":0)"), "key 'lineStyle' is not a string"},
        {edit(R"("opacity":0.5,)", ""), "missing key 'base.opacity'"},
        {edit(R"("shadow":"hard")", R"("shadow":false)"), "key 'base.shadow' is not a string"},
        {edit(R"("base":{"opacity":0.5,"shadow":"hard"})", R"("base":[])"), "key 'base' is not an object"},
        {edit(R"("lineStyle":"solid",)", R"("lineStyle":"solid","lineCap":7,)"),
         "key 'lineCap' is not a string"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decodeError("line", c.data), c.error) << c.data.constData();
    }
    // Not JSON, or not an object.
    for (const QByteArray& junk :
         {line.left(line.size() / 2), QByteArray(), QByteArray("[1,2]"), QByteArray("\"s\""),
          QByteArray("{\"start\":"), QByteArray("{} trailing")}) {
        EXPECT_NE(decodeError("line", junk), QString()) << junk.constData();
    }
    // Required bools, rectangles and point lists.
    EXPECT_EQ(
        decodeError("pen", fill(QStringLiteral(
                               R"({"points":[[0,0]],"color":$C,"strokeWidth":3,"smoothCurves":1,$B})"))),
        QStringLiteral("key 'smoothCurves' is not a boolean"));
    EXPECT_EQ(decodeError(
                  "pen", fill(QStringLiteral(
                             R"({"points":[[0,0],[1]],"color":$C,"strokeWidth":3,"smoothCurves":true,$B})"))),
              QStringLiteral("key 'points[1]' is not a point [x, y]"));
    EXPECT_EQ(decodeError("eraserStroke", R"({"points":{},"width":3})"),
              QStringLiteral("key 'points' is not a list of points"));
    EXPECT_EQ(decodeError("blur", R"({"rect":[0,0,5,5],"radius":3})"),
              QStringLiteral("key 'rect' is not a rectangle [[x, y], [width, height]]"));
    EXPECT_EQ(decodeError("blur", R"({"rect":[[0,0],[5,"5"]],"radius":3})"),
              QStringLiteral("key 'rect[1][1]' is not a number"));
    EXPECT_EQ(
        decodeError("fill", fill(QStringLiteral(R"({"color":$C,"gradient":{"startColor":$C,"angle":1}})"))),
        QStringLiteral("missing key 'gradient.endColor'"));
    // An optional key that is present must still have the right type.
    EXPECT_EQ(decodeError("fill", fill(QStringLiteral(R"({"color":$C,"alpha":"0.5"})"))),
              QStringLiteral("key 'alpha' is not a number"));
    // Qt's parser refuses numbers beyond the double range outright; a non-finite number that reaches
    // the reader another way is a type error too.
    EXPECT_TRUE(decodeError("line", edit(R"("strokeWidth":2)", R"("strokeWidth":1e999)"))
                    .startsWith("not valid JSON"));
    const JsonReader infinite(QJsonObject{{"w", qInf()}, {"p", QJsonArray{0, qQNaN()}}});
    EXPECT_THROW(infinite.number("w"), JsonDecodeError);
    try {
        infinite.point("p");
        ADD_FAILURE() << "NaN read as a coordinate";
    } catch (const JsonDecodeError& e) {
        EXPECT_EQ(e.description(), QStringLiteral("key 'p[1]' is not a finite number"));
    }
    // An optional key given as null reads as missing.
    EXPECT_DOUBLE_EQ(decodeAs<FillLayer>("fill", fill(QStringLiteral(R"({"color":$C,"alpha":null})")))->alpha,
                     0.25);
}

TEST(LayerCodecTest, UnknownTypesAreSkippedWithAWarning) {
    test::LogCapture log;
    EXPECT_EQ(LayerCodec::decode(QStringLiteral("hologram"), "{}"), nullptr);
    EXPECT_EQ(LayerCodec::decode(QStringLiteral("Arrow"), "not even json"), nullptr);
    const QStringList messages = log.messages();
    EXPECT_EQ(messages, (QStringList{QStringLiteral("[LayerCodec] 未知 layer type: hologram, 跳過"),
                                     QStringLiteral("[LayerCodec] 未知 layer type: Arrow, 跳過")}));
    EXPECT_EQ(AppLogger::shared().recentLogs().last().level, LogLevel::warning);
}

namespace {

class UnknownLayer final : public DrawingLayer {
public:
    UnknownLayer() : DrawingLayer(ToolKind::crop) {}
    void draw(QPainter&, const QImage&) const override {}
    QRectF bounds() const override { return {}; }
    const char* className() const override { return "UnknownLayer"; }
};

} // namespace

TEST(LayerCodecTest, EncodeFailures) {
    test::LogCapture log;
    // A class outside the table yields nothing, silently.
    EXPECT_FALSE(LayerCodec::encode(std::make_shared<UnknownLayer>()));
    EXPECT_FALSE(LayerCodec::encode(nullptr));
    EXPECT_TRUE(log.messages().isEmpty());

    auto arrow = std::make_shared<ArrowLayer>();
    arrow->strokeWidth = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(LayerCodec::encode(arrow));
    auto rect = std::make_shared<RectLayer>();
    rect->rect = QRectF(0, 0, std::numeric_limits<double>::infinity(), 4);
    EXPECT_FALSE(LayerCodec::encode(rect));
    auto pen = std::make_shared<PenLayer>();
    pen->points = {{0, 0}, {std::nan(""), 1}};
    EXPECT_FALSE(LayerCodec::encode(pen));
    auto region = std::make_shared<RegionFillLayer>(); // no mask
    EXPECT_FALSE(LayerCodec::encode(region));
    EXPECT_EQ(
        log.messages(),
        (QStringList{
            QStringLiteral(
                "[LayerCodec] encode failed for ArrowLayer: key 'strokeWidth' is not a finite number"),
            QStringLiteral("[LayerCodec] encode failed for RectLayer: key 'rect' is not a finite number"),
            QStringLiteral("[LayerCodec] encode failed for PenLayer: key 'points' is not a finite number"),
            QStringLiteral(
                "[LayerCodec] encode failed for RegionFillLayer: the mask could not be encoded as PNG"),
        }));
    EXPECT_EQ(AppLogger::shared().recentLogs().last().level, LogLevel::error);
}

TEST(LayerCodecTest, ColoursBeyondTheUsualRangeStayWritable) {
    // Alpha beyond 0..1 would make an invalid colour; components beyond half-float range would
    // turn infinite. Both load as the nearest colour that can be written back.
    auto mosaic = decodeAs<MosaicLayer>(
        "mosaic",
        R"({"rect":[[0,0],[8,8]],"blockSize":4,"style":"solid","solidColor":{"r":0,"g":0,"b":0,"a":9.3}})");
    EXPECT_TRUE(mosaic->solidColor.isValid());
    EXPECT_DOUBLE_EQ(mosaic->solidColor.alphaF(), 1);
    auto fillLayer = decodeAs<FillLayer>("fill", R"({"color":{"r":1e10,"g":-2,"b":0.5,"a":-1}})");
    const QByteArray once = encoded(fillLayer);
    ASSERT_FALSE(once.isEmpty());
    const QJsonObject color = QJsonDocument::fromJson(once).object().value("color").toObject();
    EXPECT_DOUBLE_EQ(color.value("r").toDouble(), 65504);
    EXPECT_DOUBLE_EQ(color.value("g").toDouble(), -2);
    EXPECT_DOUBLE_EQ(color.value("a").toDouble(), 0);
    EXPECT_EQ(encoded(LayerCodec::decode(QStringLiteral("fill"), once)), once);
}
