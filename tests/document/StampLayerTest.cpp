#include "document/StampLayer.h"
#include "document/StampImageCache.h"
#include "document/StampPalette.h"
#include "support/ReferenceImage.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>
#include <QUuid>
#include <QtMath>
#include <gtest/gtest.h>
#include <thread>

using namespace mebo;

namespace {

QImage canvas(int w, int h, QColor fill = Qt::white) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

using test::render;

StampLayer stamp(const QString& symbol, QPointF center, double size,
                 QColor color = QColor(0xe0, 0x43, 0x3a)) {
    StampLayer s;
    s.symbolName = symbol;
    s.center = center;
    s.size = size;
    s.color = color;
    return s;
}

int maxDifference(const QImage& a, const QImage& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    }
    return worst;
}

QString uniqueName(const char* stem) {
    return QString::fromLatin1(stem) + QUuid::createUuid().toString(QUuid::Id128);
}

} // namespace

TEST(StampPaletteTest, FiveCategoriesWithDistinctLoadableSymbols) {
    const auto& cats = StampPalette::categories();
    QStringList names;
    for (const StampCategory& c : cats) {
        names << c.name;
    }
    EXPECT_EQ(names, (QStringList{"Common", "Arrows", "Emphasis", "Status", "Chat"}));

    QSet<QString> seen;
    for (const StampCategory& c : cats) {
        EXPECT_GE(c.items.size(), 6) << c.name.toStdString();
        EXPECT_LE(c.items.size(), 10) << c.name.toStdString();
        for (const StampPreset& p : c.items) {
            SCOPED_TRACE(p.symbol.toStdString());
            EXPECT_FALSE(seen.contains(p.symbol)) << "listed twice";
            seen.insert(p.symbol);
            EXPECT_FALSE(p.label.isEmpty());
            EXPECT_EQ(StampPalette::find(p.symbol), &p);
            const QString path = StampPalette::svgPath(p.symbol);
            ASSERT_FALSE(path.isEmpty());
            QImageReader reader(path, "svg");
            reader.setScaledSize(QSize(32, 32));
            const QImage icon = reader.read();
            ASSERT_FALSE(icon.isNull()) << reader.errorString().toStdString();
            // Something is drawn, and not just a full square.
            int opaque = 0;
            for (int y = 0; y < 32; ++y) {
                for (int x = 0; x < 32; ++x) {
                    opaque += qAlpha(icon.pixel(x, y)) > 128;
                }
            }
            EXPECT_GT(opaque, 40);
            EXPECT_LT(opaque, 32 * 32 - 40);
        }
    }
    for (const char* name : {"checkmark.circle.fill", "xmark.circle.fill", "star.fill", "heart.fill",
                             "exclamationmark.triangle.fill", "arrow.right", "hand.thumbsup.fill",
                             "questionmark.circle.fill", "bubble.left.fill"}) {
        EXPECT_TRUE(seen.contains(QString::fromLatin1(name))) << name;
    }

    // Every bundled icon belongs to the palette.
    const QFileInfo some(StampPalette::svgPath(QStringLiteral("star.fill")));
    for (const QString& file : some.dir().entryList({QStringLiteral("*.svg")}, QDir::Files)) {
        EXPECT_TRUE(seen.contains(file.chopped(4))) << file.toStdString();
    }
}

TEST(StampPaletteTest, NamesOutsideThePaletteNeverReachTheFileSystem) {
    EXPECT_TRUE(StampPalette::svgPath(QStringLiteral("../sounds/Shutter")).isEmpty());
    EXPECT_TRUE(StampPalette::svgPath(QStringLiteral("no.such.symbol")).isEmpty());
    EXPECT_TRUE(StampPalette::svgPath(QString()).isEmpty());
    EXPECT_EQ(StampPalette::find(QStringLiteral("Star.Fill")), nullptr);
}

TEST(StampLayerTest, SymbolIsTintedAndCentredOnItsSquare) {
    const QColor blue(0x2f, 0x6f, 0xde);
    const QImage out =
        render(stamp(QStringLiteral("checkmark.circle.fill"), {50, 40}, 40, blue), canvas(100, 80));
    // The disc is filled with the stamp colour; the tick is cut out of it.
    EXPECT_EQ(out.pixelColor(50, 24).rgb(), blue.rgb()); // near the top of the disc
    EXPECT_EQ(out.pixelColor(36, 40).rgb(), blue.rgb());
    EXPECT_GT(qGray(out.pixel(44, 43)), 245); // on the tick
    // Outside the disc but inside the square, and outside the square: untouched.
    EXPECT_EQ(out.pixelColor(31, 21).rgb(), QColor(Qt::white).rgb());
    EXPECT_EQ(out.pixelColor(50, 17).rgb(), QColor(Qt::white).rgb());
    EXPECT_EQ(out.pixelColor(50, 63).rgb(), QColor(Qt::white).rgb());
}

TEST(StampLayerTest, MirroringAndRotationMatchTheirCounterparts) {
    const QImage base = canvas(64, 64);
    auto right = stamp(QStringLiteral("arrow.right"), {32, 32}, 48);
    right.flipH = true;
    const QImage left = render(stamp(QStringLiteral("arrow.left"), {32, 32}, 48), base);
    EXPECT_LE(maxDifference(render(right, base), left), 60);

    auto up = stamp(QStringLiteral("arrow.up"), {32, 32}, 48);
    up.flipV = true;
    const QImage down = render(stamp(QStringLiteral("arrow.down"), {32, 32}, 48), base);
    EXPECT_LE(maxDifference(render(up, base), down), 60);

    auto turned = stamp(QStringLiteral("arrow.right"), {32, 32}, 48);
    turned.rotation = M_PI / 2; // y points down: a quarter turn clockwise on screen
    EXPECT_LE(maxDifference(render(turned, base), down), 60);
    // And the unmirrored arrow is really different.
    EXPECT_GT(maxDifference(render(stamp(QStringLiteral("arrow.right"), {32, 32}, 48), base), left), 150);
}

TEST(StampLayerTest, BoundsAndHitTestFollowTheRotatedSquare) {
    auto s = stamp(QStringLiteral("star.fill"), {100, 100}, 40);
    EXPECT_EQ(s.bounds(), QRectF(80, 80, 40, 40));
    EXPECT_TRUE(s.hitTest({123.9, 100}));
    EXPECT_FALSE(s.hitTest({124.1, 100}));
    EXPECT_FALSE(s.hitTest({126, 100}));

    s.rotation = M_PI / 4;
    const double half = 20 * std::sqrt(2.0);
    const QRectF b = s.bounds();
    EXPECT_NEAR(b.left(), 100 - half, 1e-9);
    EXPECT_NEAR(b.width(), 2 * half, 1e-9);
    EXPECT_TRUE(s.hitTest({126, 100}));  // towards a corner of the turned square
    EXPECT_FALSE(s.hitTest({118, 118})); // beyond the middle of an edge (28.3 + 4 from the centre)
    EXPECT_TRUE(s.hitTest({115, 115}));

    const auto moved = std::static_pointer_cast<StampLayer>(s.translated(5, -3));
    EXPECT_EQ(moved->center, QPointF(105, 97));
    EXPECT_EQ(moved->rotation, s.rotation);
    EXPECT_EQ(moved->symbolName, s.symbolName);
}

TEST(StampLayerTest, UnknownSymbolDrawsNothingAndWarnsOnce) {
    test::LogCapture log;
    const QString name = uniqueName("no.such.symbol.");
    const QImage base = canvas(60, 60);
    auto s = stamp(name, {30, 30}, 40);
    EXPECT_EQ(render(s, base), base);
    s.size = 50;
    EXPECT_EQ(render(s, base), base);
    int warnings = 0;
    for (const QString& m : log.messages()) {
        warnings += m.contains(name);
    }
    EXPECT_EQ(warnings, 1);
}

TEST(StampLayerTest, CustomImageIsDrawnUntintedWithItsAspect) {
    QTemporaryDir dir;
    QImage picture(10, 20, QImage::Format_ARGB32);
    picture.fill(QColor(0x22, 0xaa, 0x44));
    const QString path = dir.filePath(QStringLiteral("tall.png"));
    ASSERT_TRUE(picture.save(path));

    auto s = stamp(QStringLiteral("star.fill"), {50, 50}, 40, Qt::red);
    s.imagePath = path;
    const QImage out = render(s, canvas(100, 100));
    EXPECT_EQ(out.pixelColor(50, 50).rgb(), QColor(0x22, 0xaa, 0x44).rgb());
    EXPECT_EQ(out.pixelColor(50, 32).rgb(), QColor(0x22, 0xaa, 0x44).rgb());
    // 10 x 20 fitted into 40 x 40 is 20 wide: x 40 to 60.
    EXPECT_EQ(out.pixelColor(37, 50).rgb(), QColor(Qt::white).rgb());
    EXPECT_EQ(out.pixelColor(63, 50).rgb(), QColor(Qt::white).rgb());

    // An empty path means a preset stamp.
    s.imagePath = QString();
    EXPECT_EQ(render(s, canvas(100, 100)).pixelColor(50, 52).rgb(), QColor(Qt::red).rgb());
}

TEST(StampLayerTest, UnreadableCustomImageDrawsNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("broken.png"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not an image");
    f.close();
    test::LogCapture log;
    const QImage base = canvas(60, 60);
    auto s = stamp(QStringLiteral("star.fill"), {30, 30}, 40);
    s.imagePath = path;
    EXPECT_EQ(render(s, base), base);
    s.size = 30;
    EXPECT_EQ(render(s, base), base);
    s.imagePath = dir.filePath(QStringLiteral("missing.png"));
    EXPECT_EQ(render(s, base), base);
    int warnings = 0;
    for (const QString& m : log.messages()) {
        warnings += m.contains(QStringLiteral("broken.png"));
    }
    EXPECT_EQ(warnings, 1);
}

TEST(StampLayerTest, DrawsAtDeviceResolutionUnderZoom) {
    // At 4x the edge of the disc is still one antialiased pixel wide, not a blurred 4x4 block.
    QImage big = canvas(160, 160);
    QPainter p(&big);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    p.scale(4, 4);
    stamp(QStringLiteral("minus.circle.fill"), {20, 20}, 32, Qt::black).draw(p, big);
    p.end();
    int partial = 0;
    for (int x = 0; x < 80; ++x) {
        const int g = qGray(big.pixel(x, 60));
        partial += g > 20 && g < 235;
    }
    EXPECT_LE(partial, 2);
}

TEST(StampLayerTest, OpacityAndShadowApply) {
    auto s = stamp(QStringLiteral("minus.circle.fill"), {40, 40}, 40, Qt::black);
    s.opacity = 0.5;
    QImage out = render(s, canvas(90, 90));
    EXPECT_NEAR(qGray(out.pixel(40, 28)), 128, 3);

    s.opacity = 1;
    s.shadow = ShadowStyle::hard;
    out = render(s, canvas(90, 90));
    // The hard shadow lies 2 right and 3 down of the disc.
    EXPECT_LT(qGray(out.pixel(40, 59)), 200);
    EXPECT_EQ(out.pixelColor(40, 18).rgb(), QColor(Qt::white).rgb());
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

    const QImage expected = render(stamp(QStringLiteral("sparkles"), {32, 32}, 48), canvas(64, 64));
    std::vector<QImage> results(6);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&, i] {
            for (int k = 0; k < 20; ++k) {
                // Different sizes churn the shared cache while others read it.
                render(stamp(QStringLiteral("sparkles"), {32, 32}, 20 + double(k)), canvas(64, 64));
            }
            results[i] = render(stamp(QStringLiteral("sparkles"), {32, 32}, 48), canvas(64, 64));
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    for (const QImage& r : results) {
        EXPECT_EQ(r, expected);
    }
}

TEST(StampLayerTest, ReferenceOneStampPerCategory) {
    QImage img = canvas(200, 48, QColor(0xf4, 0xf6, 0xfa));
    const struct {
        const char* symbol;
        QColor color;
    } row[] = {{"checkmark.circle.fill", QColor(0x2e, 0xa0, 0x4f)},
               {"arrow.right", QColor(0x2f, 0x6f, 0xde)},
               {"flame.fill", QColor(0xf0, 0x7a, 0x1a)},
               {"xmark.octagon.fill", QColor(0xe0, 0x43, 0x3a)},
               {"ellipsis.bubble.fill", QColor(0x7b, 0x4d, 0xd6)}};
    double x = 20;
    for (const auto& r : row) {
        auto s = stamp(QString::fromLatin1(r.symbol), {x, 24}, 34, r.color);
        s.shadow = ShadowStyle::soft;
        img = render(s, img);
        x += 40;
    }
    EXPECT_TRUE(test::matchesReference(img, QStringLiteral("stamp_categories")));
}
