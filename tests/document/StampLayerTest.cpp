#include "document/StampLayer.h"
#include "document/StampImageCache.h"
#include "document/StampPalette.h"
#include "support/Drawing.h"
#include "support/Files.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>
#include <thread>

using namespace mebo;
using test::canvas;
using test::render;

namespace {

StampLayer stamp(const QString& symbol, QPointF center, double size,
                 QColor color = QColor(0xe0, 0x43, 0x3a)) {
    StampLayer s;
    s.symbolName = symbol;
    s.center = center;
    s.size = size;
    s.color = color;
    return s;
}

const QRgb white = qRgb(255, 255, 255);

} // namespace

TEST(StampPaletteTest, EveryBundledIconIsListedAndOtherNamesNeverReachTheFileSystem) {
    QSet<QString> seen;
    for (const StampCategory& c : StampPalette::categories()) {
        for (const StampPreset& p : c.items) {
            EXPECT_EQ(StampPalette::find(p.symbol), &p);
            seen.insert(p.symbol);
        }
    }
    const QDir icons = QFileInfo(StampPalette::svgPath(QStringLiteral("star.fill"))).dir();
    for (const QString& file : icons.entryList({QStringLiteral("*.svg")}, QDir::Files)) {
        EXPECT_TRUE(seen.contains(file.chopped(4))) << file.toStdString();
    }
    for (const char* outside : {"../sounds/Shutter", "no.such.symbol", ""}) {
        EXPECT_TRUE(StampPalette::svgPath(QString::fromLatin1(outside)).isEmpty()) << outside;
    }
}

TEST(StampLayerTest, SymbolsTurnAndMirrorOnTheirSquareAndTakeTheOpacityOnce) {
    // Tint and placement are the reference pictures'. Mirrored and turned, an arrow matches its
    // counterpart.
    const QImage base = canvas(64, 64, Qt::white);
    const auto drawnArrow = [&](const char* name, bool flipH, bool flipV, double rotation) {
        auto s = stamp(QString::fromLatin1(name), {32, 32}, 48);
        s.flipH = flipH;
        s.flipV = flipV;
        s.rotation = rotation;
        return render(s, base);
    };
    const QImage left = drawnArrow("arrow.left", false, false, 0),
                 down = drawnArrow("arrow.down", false, false, 0);
    EXPECT_LE(test::maxDifference(drawnArrow("arrow.right", true, false, 0), left), 60);
    EXPECT_LE(test::maxDifference(drawnArrow("arrow.up", false, true, 0), down), 60);
    EXPECT_LE(test::maxDifference(drawnArrow("arrow.right", false, false, M_PI / 2), down), 60);
    EXPECT_GT(test::maxDifference(drawnArrow("arrow.right", false, false, 0), left), 150);

    auto half = stamp(QStringLiteral("minus.circle.fill"), {40, 40}, 40, Qt::black);
    half.opacity = 0.5;
    EXPECT_NEAR(qGray(render(half, canvas(90, 90, Qt::white)).pixel(40, 28)), 128, 3);
}

TEST(StampLayerTest, BoundsAndHitTestFollowTheRotatedSquare) {
    auto s = stamp(QStringLiteral("star.fill"), {100, 100}, 40);
    EXPECT_EQ(s.bounds(), QRectF(80, 80, 40, 40));
    EXPECT_TRUE(s.hitTest({123.9, 100}));
    EXPECT_FALSE(s.hitTest({124.1, 100}));
    s.rotation = M_PI / 4;
    const double half = 20 * std::sqrt(2.0);
    EXPECT_TRUE(test::rectNear(s.bounds(), QRectF(100 - half, 100 - half, 2 * half, 2 * half), 1e-9));
    EXPECT_TRUE(s.hitTest({126, 100}));  // towards a corner of the turned square
    EXPECT_FALSE(s.hitTest({118, 118})); // beyond the middle of an edge (28.3 + 4 from the centre)
    EXPECT_TRUE(s.hitTest({115, 115}));
}

TEST(StampLayerTest, CustomImagesAreDrawnUntintedWithTheirAspect) {
    QTemporaryDir dir;
    QImage picture(10, 20, QImage::Format_ARGB32);
    picture.fill(QColor(0x22, 0xaa, 0x44));
    ASSERT_TRUE(picture.save(dir.filePath(QStringLiteral("tall.png"))));
    auto s = stamp(QStringLiteral("star.fill"), {50, 50}, 40, Qt::red);
    s.imagePath = dir.filePath(QStringLiteral("tall.png"));
    const QImage out = render(s, canvas(100, 100, Qt::white));
    EXPECT_EQ(out.pixel(50, 50), qRgb(0x22, 0xaa, 0x44));
    EXPECT_EQ(out.pixel(50, 32), qRgb(0x22, 0xaa, 0x44));
    EXPECT_EQ(out.pixel(37, 50), white); // 10 x 20 fitted into 40 x 40 is 20 wide: x 40 to 60
    EXPECT_EQ(out.pixel(63, 50), white);
    s.imagePath = QString(); // an empty path means a preset stamp
    EXPECT_EQ(render(s, canvas(100, 100, Qt::white)).pixel(50, 52), qRgb(255, 0, 0));
}

TEST(StampLayerTest, WhatCannotBeDrawnDrawsNothingAndWarnsOnce) {
    QTemporaryDir dir;
    const QString broken = dir.filePath(QStringLiteral("broken.png"));
    test::writeBytes(broken, "not an image");
    const QString unknown = QStringLiteral("no.such.symbol.") + QUuid::createUuid().toString(QUuid::Id128);
    test::LogCapture log;
    const QImage base = canvas(60, 60, Qt::white);
    for (const QString& path : {QString(), broken, dir.filePath(QStringLiteral("missing.png"))}) {
        auto s = stamp(path.isEmpty() ? unknown : QStringLiteral("star.fill"), {30, 30}, 40);
        s.imagePath = path;
        for (double size : {40, 50}) {
            s.size = size;
            EXPECT_EQ(render(s, base), base) << path.toStdString();
        }
    }
    const QStringList messages = log.messages();
    for (const QString& name : {unknown, QStringLiteral("broken.png")}) {
        EXPECT_EQ(std::count_if(messages.begin(), messages.end(),
                                [&](const QString& m) { return m.contains(name); }),
                  1)
            << name.toStdString();
    }
}

TEST(StampImageCacheTest, StaysWithinItsBoundAndRendersTheSameFromManyThreads) {
    StampImageCache cache(64 * 64 * 4 * 3);
    for (int size = 60; size <= 68; ++size) {
        EXPECT_FALSE(cache.symbol(QStringLiteral("heart.fill"), size, Qt::red).isNull());
    }
    EXPECT_LE(cache.bytes(), 64 * 64 * 4 * 3);
    EXPECT_GE(cache.count(), 1);
    // A picture larger than the whole cache is still returned, just not kept.
    EXPECT_EQ(cache.symbol(QStringLiteral("heart.fill"), 256, Qt::red).size(), QSize(256, 256));

    const QImage expected =
        render(stamp(QStringLiteral("sparkles"), {32, 32}, 48), canvas(64, 64, Qt::white));
    std::vector<QImage> results(6);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&, i] {
            for (int k = 0; k < 20; ++k) { // other sizes churn the shared cache while others read it
                render(stamp(QStringLiteral("sparkles"), {32, 32}, 20 + double(k)),
                       canvas(64, 64, Qt::white));
            }
            results[i] = render(stamp(QStringLiteral("sparkles"), {32, 32}, 48), canvas(64, 64, Qt::white));
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    for (const QImage& r : results) {
        EXPECT_EQ(r, expected);
    }
}
