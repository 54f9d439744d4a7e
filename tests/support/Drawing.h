#pragma once

#include "document/DrawingLayer.h"

#include <QImage>
#include <QString>
#include <functional>
#include <gtest/gtest.h>

// Readable QString values in test failures.
void PrintTo(const QString& s, std::ostream* os);

namespace mebo::test {

// A file under tests/data.
QString dataPath(const QString& name);

// Compares a rendering with tests/data/reference/<name>.png. With MEBO_UPDATE_REFERENCES=1 the
// rendering is written as the new reference instead (review the PNG before committing it).
// Passes when no channel of any pixel differs by more than `channelTolerance`, except for at most
// `maxBadFraction` of the pixels (antialiasing and font hinting move edges slightly). On failure
// the rendering is saved next to the build as <name>.actual.png and the message says where.
::testing::AssertionResult matchesReference(const QImage& rendered, const QString& name,
                                            int channelTolerance = 24, double maxBadFraction = 0.01);

// Every side of `actual` within `eps` of the same side of `expected`.
::testing::AssertionResult rectNear(const QRectF& actual, const QRectF& expected, double eps = 1e-6);

// A premultiplied ARGB image filled with `fill`.
QImage canvas(int w, int h, QColor fill = Qt::transparent);
// `layer` drawn over `img` with antialiasing, the layer sampling `img` as its base.
QImage render(const DrawingLayer& layer, QImage img);
// Every channel but alpha within `tolerance`.
bool near(QRgb pixel, QColor expected, int tolerance = 6);
int countPixels(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& test);
// The largest difference of any channel of any pixel (the images have the same size).
int maxDifference(const QImage& a, const QImage& b);
// `layers` drawn one after the other over `base` on one painter, erasers first: what a composite
// made any faster way must equal.
QImage drawnInOrder(const QImage& base, const LayerList& layers);

// Opaque blue left half, a translucent yellow band on the right.
QImage sampleImage(int w, int h, QImage::Format format = QImage::Format_ARGB32);
// A small made-up application window (title bar, avatar, lines of "text", a button), drawn
// without fonts so it is the same on every machine.
QImage sampleScreenshot(int w = 160, int h = 120);

// Black interface text on white, as in a screenshot, one line every two line heights from
// (30, 30); `drawn` receives where each line's ink lies. Lines given in `cjkLines` use a Chinese font.
QImage textPage(const QStringList& lines, int pixelSize, QList<QRect>* drawn = nullptr,
                const QString& family = QStringLiteral("DejaVu Sans"), const QList<int>& cjkLines = {});

// tests/data/codec/every-layer.mebo: a 32 x 24 base and one layer of every class with every
// optional field set and none at its default, so a round trip exercises each key.
QString sampleProjectPath();
// Its layers, decoded, bottom-most first.
LayerList sampleLayers();

} // namespace mebo::test
