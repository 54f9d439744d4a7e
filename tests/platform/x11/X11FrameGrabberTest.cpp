#include "DesktopTools.h"
#include "X11DesktopFixture.h"

#include "platform/x11/X11FrameGrabber.h"
#include "platform/x11/X11MonitorLayout.h"
#include "support/ScopedEnv.h"

#include <QtEndian>
#include <cmath>
#include <cstdlib>
#include <vector>

using namespace mebo;
using namespace mebo::platform::x11;

namespace mebo::test::x11 {

namespace {

uint32_t patternValue(int x, int y) {
    return uint32_t(x * 2654435761u) ^ uint32_t(y * 40503u) ^ uint32_t(x * y);
}

// Paints a pattern whose every byte varies over the whole root of a private server, with
// PutImage in bands that fit its request limit. 16 and 32 bits per pixel.
void paintPattern(X11Connection& conn, int bitsPerPixel) {
    xcb_connection_t* c = conn.xcb();
    const xcb_screen_t* s = conn.screen();
    const int w = s->width_in_pixels;
    const int h = s->height_in_pixels;
    const int stride = ((w * bitsPerPixel + 31) / 32) * 4;
    const int bandRows = std::max(1, int((xcb_get_maximum_request_length(c) * 4 - 64) / uint32_t(stride)));
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, conn.root(), 0, nullptr);
    std::vector<uint8_t> band;
    for (int y0 = 0; y0 < h; y0 += bandRows) {
        const int rows = std::min(bandRows, h - y0);
        band.assign(size_t(stride) * size_t(rows), 0);
        for (int y = 0; y < rows; ++y) {
            const int gy = y0 + y;
            for (int x = 0; x < w; ++x) {
                const uint32_t v = patternValue(x, gy);
                uint8_t* p = band.data() + size_t(y) * size_t(stride) + size_t(x) * size_t(bitsPerPixel / 8);
                if (bitsPerPixel == 32) {
                    qToLittleEndian<uint32_t>(v & 0xffffff, p);
                } else {
                    qToLittleEndian<uint16_t>(uint16_t(v), p);
                }
            }
        }
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, conn.root(), gc, uint16_t(w), uint16_t(rows), 0,
                      int16_t(y0), 0, s->root_depth, uint32_t(band.size()), band.data());
    }
    xcb_free_gc(c, gc);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

// What paintPattern leaves on a server of `bitsPerPixel`, as a grab should read it: 5-6-5 fields
// scaled onto 0...255 and rounded.
QImage patternPicture(QSize size, int bitsPerPixel) {
    QImage out(size, QImage::Format_RGB32);
    auto widen = [](uint32_t v, int bits) { return int(std::lround(v * 255.0 / ((1 << bits) - 1))); };
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const uint32_t v = patternValue(x, y);
            out.setPixel(x, y,
                         bitsPerPixel == 32
                             ? 0xff000000u | (v & 0xffffff)
                             : qRgb(widen((v >> 11) & 31, 5), widen((v >> 5) & 63, 6), widen(v & 31, 5)));
        }
    }
    return out;
}

// A connection to a private server whose root holds the pattern; null (and a failure) when the
// server did not come up.
std::shared_ptr<X11Connection> paintedServer(PrivateXvfb& server, int bitsPerPixel) {
    EXPECT_TRUE(server.isRunning()) << server.error().toStdString();
    auto opened = X11Connection::open(server.display());
    EXPECT_TRUE(opened.isOk()) << opened.error().toStdString();
    if (!opened.isOk()) {
        return nullptr;
    }
    paintPattern(*opened.value(), bitsPerPixel);
    return opened.value();
}

// A grabber that reads with MIT-SHM, or in GetImage bands as on a server without it.
std::unique_ptr<X11FrameGrabber> grabber(const std::shared_ptr<X11Connection>& conn, bool shm) {
    ScopedEnv noShm("MEBO_X11_NO_SHM", shm ? QByteArray() : QByteArray("1"));
    return std::make_unique<X11FrameGrabber>(conn);
}

} // namespace

class X11FrameGrabberTest : public X11DesktopFixture {};

TEST_F(X11FrameGrabberTest, ReusesTheCallersImageAndTheSegment) {
    X11FrameGrabber grabber(conn);
    QImage frame;
    QString error;
    ASSERT_TRUE(grabber.grab(QRect(0, 0, 640, 480), frame, &error)) << error.toStdString();
    const uchar* pixels = frame.constBits();
    ASSERT_TRUE(grabber.grab(QRect(100, 100, 640, 480), frame, &error)) << error.toStdString();
    EXPECT_EQ(frame.constBits(), pixels); // same buffer, no new allocation per frame
    EXPECT_TRUE(grabber.lastGrabUsedShm());
    // A smaller rectangle fits the existing segment; a larger one grows it.
    ASSERT_TRUE(grabber.grab(QRect(0, 0, 32, 32), frame, &error));
    ASSERT_TRUE(grabber.grab(QRect(0, 0, 1920, 1080), frame, &error));
    EXPECT_TRUE(grabber.lastGrabUsedShm());
    EXPECT_EQ(frame.size(), QSize(1920, 1080));
    // A shared image is not written through.
    const QImage keep = frame;
    const QRgb before = keep.pixel(5, 5);
    ASSERT_TRUE(grabber.grab(QRect(0, 0, 1920, 1080), frame, &error));
    EXPECT_NE(frame.constBits(), keep.constBits());
    EXPECT_EQ(keep.pixel(5, 5), before);
}

// A one-off grab hands over the segment it was read into: the same pixels as a copying grab,
// opaque, alive after the grabber is gone, and the next grab gets a segment of its own.
TEST_F(X11FrameGrabberTest, DetachedGrabsOwnTheirSegment) {
    const QRect area(7, 9, 1203, 611);
    FreezeGuard freeze;
    QImage copied;
    QImage first;
    QImage second;
    QString error;
    {
        X11FrameGrabber grabber(conn);
        ASSERT_TRUE(grabber.grab(area, copied, &error)) << error.toStdString();
        first = grabber.grabDetached(area, &error);
        ASSERT_FALSE(first.isNull()) << error.toStdString();
        EXPECT_TRUE(grabber.lastGrabUsedShm());
        second = grabber.grabDetached(area, &error);
        ASSERT_FALSE(second.isNull()) << error.toStdString();
        EXPECT_NE(second.constBits(), first.constBits());
    } // the grabber is gone; the images keep their segments
    for (const QImage* image : {&first, &second}) {
        EXPECT_EQ(image->format(), QImage::Format_RGB32);
        EXPECT_EQ(image->size(), area.size());
        EXPECT_EQ(firstDifference(*image, copied), QString());
        bool opaque = true;
        for (int y = 0; y < image->height() && opaque; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(image->constScanLine(y));
            for (int x = 0; x < image->width(); ++x) {
                opaque = opaque && (row[x] >> 24) == 0xff;
            }
        }
        EXPECT_TRUE(opaque);
    }
    first = QImage(); // detaches on the shared connection
    second = QImage();
    EXPECT_FALSE(conn->hasError());

    // Without MIT-SHM the same call answers a copy read in bands.
    const auto bands = grabber(conn, false);
    const QImage banded = bands->grabDetached(area, &error);
    EXPECT_FALSE(bands->lastGrabUsedShm());
    EXPECT_EQ(firstDifference(banded, copied), QString());
    EXPECT_TRUE(bands->grabDetached(QRect(1900, 1000, 100, 100), &error).isNull());
}

TEST_F(X11FrameGrabberTest, RectanglesOutsideTheRootFail) {
    for (bool useShm : {true, false}) {
        const auto g = grabber(conn, useShm);
        QImage frame;
        QString error;
        EXPECT_FALSE(g->grab(QRect(1900, 1000, 100, 100), frame, &error));
        EXPECT_TRUE(error.contains(QLatin1String("BadMatch"))) << error.toStdString();
        EXPECT_FALSE(g->grab(QRect(0, 0, 0, 10), frame, &error));
        EXPECT_FALSE(conn->hasError());
    }
}

// 3840x2160: one GetImage of the whole screen would exceed the request limit. The server says
// Xft.dpi 192: a display of half as many points at scale 2.
TEST(X11FrameGrabberPrivateServer, UltraHdGrabsMatchTheServerWithAndWithoutShm) {
    PrivateXvfb server(QStringLiteral("3840x2160x24"));
    const auto dpi =
        runTool("/bin/sh", {"-c", "echo 'Xft.dpi: 192' | xrdb -display " + server.display() + " -merge"});
    ASSERT_TRUE(dpi.ok()) << dpi.err.toStdString();
    const auto conn = paintedServer(server, 32);
    ASSERT_TRUE(conn);
    EXPECT_DOUBLE_EQ(conn->xftDpi(), 192);
    const QList<platform::DisplayInfo> displays =
        X11MonitorLayout::query(*conn, X11MonitorLayout::Names::Skip).displays();
    ASSERT_EQ(displays.size(), 1);
    EXPECT_EQ(displays[0].frame, QRect(0, 0, 1920, 1080));
    EXPECT_DOUBLE_EQ(displays[0].scale, 2.0);
    const size_t wholeScreen = size_t(3840) * 2160 * 4;
    ASSERT_GT(wholeScreen, size_t(xcb_get_maximum_request_length(conn->xcb())) * 4);

    const QImage reference = patternPicture(QSize(3840, 2160), 32);
    // The whole screen, then an uneven part in many uneven bands (1001 px rows of 4004 bytes, at
    // most 24 rows a request).
    const QRect part(13, 17, 1001, 777);
    for (const bool useShm : {true, false}) {
        const auto g = grabber(conn, useShm);
        QImage whole;
        QImage piece;
        QString error;
        ASSERT_TRUE(g->grab(QRect(0, 0, 3840, 2160), whole, &error)) << error.toStdString();
        EXPECT_EQ(g->lastGrabUsedShm(), useShm);
        EXPECT_EQ(firstDifference(whole, reference), QString());
        g->setMaxBandBytes(100000);
        ASSERT_TRUE(g->grab(part, piece, &error)) << error.toStdString();
        EXPECT_EQ(firstDifference(piece, reference.copy(part)), QString());
    }
}

// A recorder reads again only the rows the screen's damage touched: those rows come from the
// server, every other row of the earlier grab is left as it was.
TEST(X11FrameGrabberPrivateServer, GrabRowsRefreshesOnlyTheRowsAsked) {
    PrivateXvfb server(QStringLiteral("640x480x24"));
    const auto conn = paintedServer(server, 32);
    ASSERT_TRUE(conn);
    const QRect area(20, 10, 600, 400);
    for (const bool useShm : {true, false}) {
        const auto g = grabber(conn, useShm);
        g->setMaxBandBytes(600 * 4 * 7); // banded: 7 rows a request
        QImage frame;
        QString error;
        ASSERT_TRUE(g->grab(area, frame, &error)) << error.toStdString();
        frame.fill(Qt::black); // what the earlier grab held
        ASSERT_TRUE(g->grabRows(area, 101, 150, frame, &error)) << error.toStdString();
        EXPECT_EQ(g->lastGrabUsedShm(), useShm);
        const QImage painted = patternPicture(QSize(640, 480), 32).copy(area);
        for (const int y : {0, 100, 101, 125, 149, 150, 399}) {
            const bool refreshed = y >= 101 && y < 150;
            for (const int x : {0, 333, 599}) {
                EXPECT_EQ(frame.pixel(x, y), refreshed ? painted.pixel(x, y) : qRgb(0, 0, 0))
                    << useShm << " " << x << "," << y;
            }
        }
    }
}

TEST(X11FrameGrabberPrivateServer, Depth16IsConvertedThroughTheVisualMasks) {
    PrivateXvfb server(QStringLiteral("640x480x16"));
    const auto conn = paintedServer(server, 16);
    ASSERT_TRUE(conn);
    ASSERT_EQ(conn->screen()->root_depth, 16);

    X11FrameGrabber grabber(conn);
    QImage img;
    QString error;
    ASSERT_TRUE(grabber.grab(QRect(0, 0, 640, 480), img, &error)) << error.toStdString();
    EXPECT_EQ(img.format(), QImage::Format_RGB32);
    EXPECT_EQ(firstDifference(img, patternPicture(QSize(640, 480), 16)), QString());
}

} // namespace mebo::test::x11
