// Display-free checks of the backend's arithmetic: monitor layout and coordinate spaces (scaled
// and mixed monitors among them), pixel layouts, window-name encodings.

#include "platform/x11/X11MonitorLayout.h"
#include "platform/x11/X11PixelFormat.h"
#include "platform/x11/X11TextProperty.h"

#include <QImage>
#include <QtEndian>
#include <gtest/gtest.h>
#include <vector>

using namespace mebo::platform;
using namespace mebo::platform::x11;

namespace {

X11Monitor monitor(uint32_t id, QRect r, bool primary = false, int scale = 1) {
    X11Monitor m;
    m.id = id;
    m.name = QStringLiteral("m%1").arg(id);
    m.rootRect = r;
    m.primary = primary;
    m.scale = scale;
    return m;
}

QImage convert(const X11PixelFormat& f, const std::vector<uint8_t>& bytes, int width) {
    QImage out(width, 1, QImage::Format_RGB32);
    out.fill(0);
    f.convertRows(bytes.data(), f.stride(width), width, 1, out, 0);
    return out;
}

} // namespace

TEST(X11MonitorLayout, DesktopFramesAreMeasuredFromThePrimaryBottomLeft) {
    // Primary 1920x1080 at the root origin; a 1280x1024 monitor to its right, 200 px lower.
    const auto layout = X11MonitorLayout::fromMonitors(
        {monitor(7, {1920, 200, 1280, 1024}), monitor(5, {0, 0, 1920, 1080}, true)});
    const QList<DisplayInfo> d = layout.displays();
    ASSERT_EQ(d.size(), 2);
    EXPECT_EQ(d[0].displayId, 5u); // primary first
    EXPECT_TRUE(d[0].primary);
    EXPECT_FALSE(d[1].primary);
    // y' = 1080 - 200 - 1024
    EXPECT_EQ(d[1].frame, QRect(1920, -144, 1280, 1024));
}

TEST(X11MonitorLayout, PrimaryAwayFromTheRootOriginMovesTheOrigin) {
    // The left monitor is taller and lower; the primary sits at root x 1280.
    const auto layout = X11MonitorLayout::fromMonitors(
        {monitor(1, {0, 100, 1280, 1024}), monitor(2, {1280, 0, 1920, 1080}, true)});
    EXPECT_EQ(layout.primaryRect(), QRect(1280, 0, 1920, 1080));
    EXPECT_EQ(layout.find(1) ? layout.toDesktop(layout.find(1)->rootRect) : QRect(),
              QRect(-1280, -44, 1280, 1024));
    EXPECT_EQ(layout.pointToDesktop({1280, 0}), QPoint(0, 1080));
    EXPECT_EQ(layout.pointToDesktop({1380, 1079}), QPoint(100, 1));
    EXPECT_EQ(layout.toWindowSpace({1300, 40, 10, 10}), QRect(20, 40, 10, 10));
    EXPECT_EQ(layout.toWindowSpace({10, 140, 10, 10}), QRect(-1270, 140, 10, 10));
}

TEST(X11MonitorLayout, WithoutAMarkedPrimaryTheMonitorAtTheRootOriginIsPrimary) {
    // RandR lists user-defined monitors first; none is marked primary on Xvfb.
    auto layout =
        X11MonitorLayout::fromMonitors({monitor(9, {1120, 200, 800, 600}), monitor(3, {0, 0, 1920, 1080})});
    ASSERT_EQ(layout.monitors().size(), 2);
    EXPECT_EQ(layout.monitors()[0].id, 3u);
    EXPECT_TRUE(layout.monitors()[0].primary);
    EXPECT_FALSE(layout.monitors()[1].primary);

    layout = X11MonitorLayout::fromMonitors({monitor(4, {100, 0, 50, 50}), monitor(6, {200, 0, 50, 50})});
    EXPECT_EQ(layout.monitors()[0].id, 4u);
    EXPECT_TRUE(layout.monitors()[0].primary);
    EXPECT_EQ(layout.find(99), nullptr);
    EXPECT_TRUE(X11MonitorLayout::fromMonitors({}).displays().isEmpty());
}

TEST(X11MonitorLayout, ATwiceScaledDisplayHasHalfAsManyPoints) {
    const auto layout = X11MonitorLayout::fromMonitors({monitor(1, {0, 0, 3840, 2160}, true, 2)});
    const DisplayInfo d = layout.displays().first();
    EXPECT_EQ(d.frame, QRect(0, 0, 1920, 1080));
    EXPECT_DOUBLE_EQ(d.scale, 2.0);
    EXPECT_EQ(d.nativeFrame, QRect(0, 0, 3840, 2160));
    // A window at root (201, 101) 400x300: points rounded outward.
    EXPECT_EQ(layout.toWindowSpace({201, 101, 400, 300}), QRect(100, 50, 201, 151));
    EXPECT_EQ(layout.toDesktop({200, 100, 400, 300}), QRect(100, 1080 - 50 - 150, 200, 150));
    EXPECT_EQ(layout.pointToDesktop({3839, 2159}), QPoint(1919, 1080 - 1079));
    // And back: the desktop rectangle lands on the pixels it came from.
    EXPECT_EQ(layout.toRoot(QRect(100, 880, 200, 150), 1), QRect(200, 100, 400, 300));
    EXPECT_EQ(layout.toRoot(QRect(0, 0, 10, 10), 99), QRect());
}

TEST(X11MonitorLayout, MixedScalesKeepEachMonitorsRootOrigin) {
    // A 1x 1920x1080 primary and, to its right, a 2x 3840x2160 monitor 100 px lower.
    const auto layout = X11MonitorLayout::fromMonitors(
        {monitor(2, {1920, 100, 3840, 2160}, false, 2), monitor(1, {0, 0, 1920, 1080}, true, 1)});
    const QList<DisplayInfo> d = layout.displays();
    ASSERT_EQ(d.size(), 2);
    // Window space: origin (1920, 100), 1920x1080 points; desktop y' = 1080 - 100 - 1080.
    EXPECT_EQ(d[1].frame, QRect(1920, -100, 1920, 1080));
    // Each point converts with the scale of the monitor holding it.
    EXPECT_EQ(layout.pointToDesktop({1919, 0}), QPoint(1919, 1080));
    EXPECT_EQ(layout.pointToDesktop({1920 + 400, 100 + 200}), QPoint(1920 + 200, 1080 - (100 + 100)));
    // A window mostly on the 2x monitor takes its scale, even where it hangs over the 1x one.
    EXPECT_EQ(layout.toWindowSpace({1820, 300, 1000, 600}), QRect(1870, 200, 500, 300));
    EXPECT_EQ(layout.toWindowSpace({1000, 300, 600, 200}), QRect(1000, 300, 600, 200));
    // Window y 200 is 100 points below the monitor's top: 200 root pixels.
    EXPECT_EQ(layout.toRoot(QRect(2020, 1080 - 200 - 300, 500, 300), 2),
              QRect(1920 + 200, 100 + 200, 1000, 600));
    // A point between monitors belongs to the nearest one.
    EXPECT_EQ(layout.monitorAt({1000, 1500})->id, 1u);
    EXPECT_EQ(layout.monitorAt({2000, 50})->id, 2u);
}

TEST(X11MonitorLayout, PartialPointsAtAMonitorsFarEdgeAreLeftOut) {
    const auto layout = X11MonitorLayout::fromMonitors({monitor(1, {0, 0, 1601, 901}, true, 2)});
    EXPECT_EQ(layout.displays().first().frame, QRect(0, 0, 800, 450));
}

TEST(X11PixelFormat, MostSignificantByteFirstServersAreSwapped) {
    auto f = X11PixelFormat::make(24, 32, 32, 0xff0000, 0xff00, 0xff, /*lsbFirst*/ false);
    ASSERT_TRUE(f.isOk());
    EXPECT_FALSE(f->isDirectCopy());
    const QImage img = convert(f.value(), {0x00, 0x33, 0x22, 0x11}, 1);
    EXPECT_EQ(img.pixel(0, 0), 0xff332211u);
}

TEST(X11PixelFormat, TenBitChannelsKeepTheirTopEightBits) {
    auto f = X11PixelFormat::make(30, 32, 32, 0x3ff00000, 0x000ffc00, 0x000003ff, true);
    ASSERT_TRUE(f.isOk());
    std::vector<uint8_t> bytes(4);
    qToLittleEndian<uint32_t>((0x3ffu << 20) | (0x200u << 10) | 0x004u, bytes.data());
    EXPECT_EQ(convert(f.value(), bytes, 1).pixel(0, 0), qRgb(255, 128, 1));
}

TEST(X11PixelFormat, UnreadableLayoutsAreRefused) {
    EXPECT_FALSE(X11PixelFormat::make(24, 24, 32, 0xff0000, 0xff00, 0xff, true).isOk());
    EXPECT_FALSE(X11PixelFormat::make(8, 8, 32, 0xe0, 0x1c, 0x03, true).isOk());
    const auto split = X11PixelFormat::make(24, 32, 32, 0xff00ff, 0xff00, 0x0, true);
    ASSERT_FALSE(split.isOk());
    EXPECT_TRUE(split.error().contains(QLatin1String("masks"))) << split.error().toStdString();
}

TEST(X11TextProperty, NamesDecodeByTheirPropertyType) {
    const X11TextProperty::Types types{100, 200};
    EXPECT_EQ(X11TextProperty::decode(100,
                                      QByteArray("Gr\xc3\xb6\xc3\x9f"
                                                 "e\0",
                                                 8),
                                      types),
              QStringLiteral("Größe"));
    EXPECT_EQ(X11TextProperty::decode(XCB_ATOM_STRING, QByteArray("caf\xe9"), types), QStringLiteral("café"));
    // COMPOUND_TEXT: Latin-1 outside escapes, UTF-8 between ESC % G and ESC % @.
    EXPECT_EQ(X11TextProperty::decode(200, QByteArray("a\xe9 \x1b%G\xe2\x9c\x93\x1b%@ z"), types),
              QStringLiteral("aé ✓ z"));
    // Another charset designation is skipped; its bytes stay Latin-1.
    EXPECT_EQ(X11TextProperty::decodeCompoundText(QByteArray("x\x1b$(By")), QStringLiteral("xy"));
    EXPECT_EQ(X11TextProperty::decodeCompoundText(QByteArray("\x1b%G\xe2\x9c\x93")), QStringLiteral("✓"));
}
