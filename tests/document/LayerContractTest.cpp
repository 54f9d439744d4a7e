#include "document/DocumentFlattener.h"
#include "document/LayerCodec.h"
#include "document/MeboDocument.h"
#include "editor/PaintExtent.h"
#include "support/Drawing.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

// What every layer class promises, checked on one layer of each with every option set.

using namespace mebo;

namespace {

// Walks two encodings side by side: every value is the same except points ([x, y] anywhere, the
// first pair of a rectangle) moved by `by`. Counts the moved points.
int comparePayloads(const QJsonValue& original, const QJsonValue& moved, QPointF by, const QString& key) {
    if (original.isArray() && original.toArray().size() == 2 && original.toArray()[0].isDouble()) {
        const QJsonArray a = original.toArray(), b = moved.toArray();
        if (a == b) {
            return 0;
        }
        EXPECT_NEAR(b[0].toDouble() - a[0].toDouble(), by.x(), 1e-9) << key.toStdString();
        EXPECT_NEAR(b[1].toDouble() - a[1].toDouble(), by.y(), 1e-9) << key.toStdString();
        return 1;
    }
    int movedPoints = 0;
    if (original.isArray()) {
        const QJsonArray a = original.toArray(), b = moved.toArray();
        EXPECT_EQ(a.size(), b.size()) << key.toStdString();
        for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i) {
            movedPoints += comparePayloads(a[i], b[i], by, key);
        }
    } else if (original.isObject()) {
        const QJsonObject a = original.toObject(), b = moved.toObject();
        EXPECT_EQ(a.keys(), b.keys()) << key.toStdString();
        for (const QString& k : a.keys()) {
            movedPoints += comparePayloads(a[k], b[k], by, k);
        }
    } else {
        EXPECT_EQ(original, moved) << key.toStdString();
    }
    return movedPoints;
}

QJsonObject payload(const LayerPtr& layer) {
    return QJsonDocument::fromJson(LayerCodec::encode(layer)->data).object();
}

} // namespace

TEST(LayerContractTest, TranslatedCopiesMoveOnlyTheGeometryAndAreUnlocked) {
    for (const LayerPtr& layer : test::sampleLayers()) {
        SCOPED_TRACE(layer->className());
        layer->isLocked = true;
        const LayerPtr moved = layer->translated(7.5, -3);
        ASSERT_TRUE(moved);
        EXPECT_NE(moved.get(), layer.get());
        EXPECT_FALSE(moved->isLocked);
        EXPECT_STREQ(moved->className(), layer->className());
        const int points = comparePayloads(payload(layer), payload(moved), {7.5, -3}, {});
        if (layer->className() == std::string("FillLayer")) { // covers the whole image wherever it is
            EXPECT_EQ(points, 0);
            continue;
        }
        EXPECT_GT(points, 0);
        const QRectF before = layer->bounds(), after = moved->bounds();
        EXPECT_NEAR(after.left() - before.left(), 7.5, 1e-6);
        EXPECT_NEAR(after.top() - before.top(), -3, 1e-6);
        EXPECT_NEAR(after.width(), before.width(), 1e-6);
        EXPECT_NEAR(after.height(), before.height(), 1e-6);
    }
}

// Each layer drawn alone over a screenshot, compared with its reference picture: every style
// option of every class has a visible part in one of them.
TEST(LayerContractTest, EveryClassDrawsAsItsReference) {
    const QImage base = test::sampleScreenshot(320, 240);
    for (const LayerPtr& sample : test::sampleLayers()) {
        const LayerPtr layer = sample->translated(40, 40);
        const QImage drawn = DocumentFlattener::flatten(base, {layer}, QRectF(base.rect()));
        EXPECT_TRUE(test::matchesReference(
            drawn, QStringLiteral("sample-") + QString::fromLatin1(layer->className()), 8, 0.0005));
    }
}

// Every project under tests/data/scenes (arrows, shapes, texts, callouts, badges, stamps, fills,
// covers and cut-outs in their styles, over screen-like pictures) draws as its reference picture.
TEST(LayerContractTest, EverySceneDrawsAsItsReference) {
    const QFileInfoList scenes =
        QDir(test::dataPath(QStringLiteral("scenes"))).entryInfoList({QStringLiteral("*.mebo")});
    EXPECT_GE(scenes.size(), 30);
    for (const QFileInfo& file : scenes) {
        const ProjectContent scene = MeboDocument::readFile(file.filePath()).content();
        EXPECT_TRUE(test::matchesReference(
            DocumentFlattener::flatten(scene.baseImage, scene.layers, scene.canvasRect),
            file.completeBaseName(), 8, 0.001));
    }
}

// Every pixel a layer changes lies within its paint extent: what the composite cache redraws after
// the layer changed.
TEST(LayerContractTest, PaintStaysWithinTheExtent) {
    const QImage base = test::sampleScreenshot(400, 300);
    for (const LayerPtr& sample : test::sampleLayers()) {
        const LayerPtr layer = sample->translated(40, 40);
        SCOPED_TRACE(layer->className());
        const QRect extent = layerPaintExtent(*layer, base.rect());
        const QImage drawn = test::render(*layer, base);
        for (int y = 0; y < base.height(); ++y) {
            for (int x = 0; x < base.width(); ++x) {
                if (drawn.pixel(x, y) != base.pixel(x, y)) {
                    ASSERT_TRUE(extent.contains(x, y)) << x << "," << y;
                }
            }
        }
    }
}
