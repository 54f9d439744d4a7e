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
