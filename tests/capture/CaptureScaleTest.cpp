#include "capture/CaptureScale.h"
#include "app/Cfg.h"
#include "capture/ImageStore.h"
#include "capture/PngWriter.h"
#include "support/TestUtil.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

QImage tagged(int scale) {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(qRgb(10, 200, 30));
    CaptureScale::tag(image, scale);
    return image;
}

} // namespace

// The density stands for the scale and survives what captures go through (crop, conversion).
TEST(CaptureScaleTest, DensityCarriesTheScale) {
    const struct {
        int scale;
        int dotsPerMetre;
        int readBack;
    } cases[] = {{1, 3780, 1}, {2, 7559, 2}, {3, 11339, 3}, {0, 3780, 1}, {-2, 3780, 1}};
    for (const auto& c : cases) {
        const QImage image = tagged(c.scale);
        EXPECT_EQ(image.dotsPerMeterX(), c.dotsPerMetre) << c.scale;
        EXPECT_EQ(image.dotsPerMeterY(), c.dotsPerMetre) << c.scale;
        EXPECT_EQ(CaptureScale::of(image), c.readBack) << c.scale;
        EXPECT_EQ(CaptureScale::of(image.copy(5, 5, 10, 10)), c.readBack) << c.scale;
        EXPECT_EQ(CaptureScale::of(image.convertToFormat(QImage::Format_ARGB32)), c.readBack) << c.scale;
    }
    // Tagging a shared image with the density it has leaves the pixels shared: a display grab
    // is tagged by the backend and again by the service.
    QImage grab = tagged(2);
    const QImage holder = grab;
    CaptureScale::tag(grab, 2);
    EXPECT_EQ(grab.constBits(), holder.constBits());
    // An image nobody tagged counts as 1x, whatever density it came with.
    QImage plain(4, 4, QImage::Format_RGB32);
    EXPECT_EQ(CaptureScale::of(plain), 1);
    plain.setDotsPerMeterX(2835); // 72 dpi
    EXPECT_EQ(CaptureScale::of(plain), 1);
}

// A capture's file: pHYs (metres, the scale's density on both axes) between IHDR and the image
// data, read back by libpng; other PNGs are written without it.
TEST(CaptureScaleTest, CaptureFilesRecordTheDensityInPhys) {
    QTemporaryDir dir;
    test::FakeDefaultsStore defaults;
    Cfg cfg(defaults, dir.path());
    ImageStore store(cfg);
    for (int scale : {1, 2, 3}) {
        const auto path = store.write(CaptureResult{
            tagged(scale), CaptureMode::area, QDateTime::currentDateTime(), std::nullopt, std::nullopt});
        ASSERT_TRUE(path);
        QFile f(*path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray png = f.readAll();
        // Right after IHDR (8 + 25 bytes): length 9, "pHYs", x and y per metre, unit 1 (metre).
        const int dpm = CaptureScale::dotsPerMetre(scale);
        QByteArray phys("\0\0\0\x09pHYs", 8);
        for (int i = 0; i < 2; ++i) {
            phys.append(char(dpm >> 24)).append(char(dpm >> 16)).append(char(dpm >> 8)).append(char(dpm));
        }
        phys.append(char(1));
        EXPECT_EQ(png.mid(33, 17).toHex(), phys.toHex());
        EXPECT_EQ(png.mid(33 + 21 + 4, 4), "IDAT");
        // libpng drops an ancillary chunk whose CRC is wrong: reading it back checks that too.
        const QImage read(*path);
        EXPECT_EQ(read.dotsPerMeterX(), dpm);
        EXPECT_EQ(CaptureScale::of(read), scale);
    }
    EXPECT_FALSE(PngWriter::encode(tagged(2)).contains("pHYs"));
}
