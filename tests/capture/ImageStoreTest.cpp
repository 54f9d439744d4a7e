#include "capture/ImageStore.h"
#include "app/Cfg.h"
#include "capture/CaptureScale.h"
#include "capture/PngWriter.h"
#include "support/Files.h"
#include "support/ScopedEnv.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <cstdlib>

using namespace mebo;
using mebo::test::FakeDefaultsStore;
using mebo::test::LogCapture;

namespace {

// TZ set for a test body; the C library and ICU follow it there and back.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz) : env_(std::in_place, "TZ", QByteArray(tz)) { follow(); }
    ~ScopedTimeZone() {
        env_.reset();
        follow();
    }

private:
    static void follow();
    std::optional<test::ScopedEnv> env_;
};

} // namespace

#include <unicode/timezone.h>
void ScopedTimeZone::follow() {
    tzset();
    icu::TimeZone::adoptDefault(icu::TimeZone::detectHostTimeZone());
}

TEST(FilenameTemplate, UnicodePatternsInBraces) {
    ScopedTimeZone tz("Asia/Taipei");
    const QDateTime date(QDate(2025, 3, 14), QTime(9, 30, 5, 123), QTimeZone("Asia/Taipei"));
    EXPECT_EQ(ImageStore::expandTemplate("mebo-{yyyyMMdd-HHmmss-SSS}", date), "mebo-20250314-093005-123");
    EXPECT_EQ(ImageStore::expandTemplate("shot", date), "shot");
    EXPECT_EQ(ImageStore::expandTemplate("{yyyy}/{MM}-{dd} {HH}h", date), "2025/03-14 09h");
    // Text outside braces is copied as is, including an unmatched brace.
    EXPECT_EQ(ImageStore::expandTemplate("a{}b{yy", date), "a{}b{yy");
    // Quoted literals and names follow the date-pattern rules, in the POSIX locale.
    EXPECT_EQ(ImageStore::expandTemplate("{EEE MMM d 'at' h.mm a}", date), "Fri Mar 14 at 9.30 AM");
}

TEST(FilenameTemplate, FollowsTheCurrentTimeZone) {
    const QDateTime utc(QDate(2025, 12, 31), QTime(23, 30, 0), QTimeZone::utc());
    {
        ScopedTimeZone tz("UTC");
        EXPECT_EQ(ImageStore::expandTemplate("{yyyy-MM-dd HH}", utc), "2025-12-31 23");
    }
    {
        ScopedTimeZone tz("Asia/Tokyo");
        EXPECT_EQ(ImageStore::expandTemplate("{yyyy-MM-dd HH}", utc), "2026-01-01 08");
    }
}

class ImageStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        cfg = std::make_unique<Cfg>(store, dir.path());
        image = QImage(64, 32, QImage::Format_RGB32);
        image.fill(qRgb(10, 200, 30));
        result.image = image;
        result.mode = CaptureMode::fullscreen;
        result.captureDate = QDateTime::currentDateTime();
    }
    QTemporaryDir dir;
    FakeDefaultsStore store;
    std::unique_ptr<Cfg> cfg;
    QImage image;
    CaptureResult result;
};

TEST_F(ImageStoreTest, MissingOrUnwritableFolderIsLoggedAndAnswersNothing) {
    LogCapture logs;
    Cfg missing(store, dir.filePath("not/there"));
    ImageStore images(missing);
    EXPECT_FALSE(images.write(result).has_value());
    EXPECT_EQ(logs.count("[ImageStore] CGImageDestinationCreateWithURL 失敗: " + dir.filePath("not/there/") +
                         images.expandFilenameTemplate(result.captureDate) + ".png"),
              1);

    if (geteuid() != 0) { // root writes anywhere
        const QString ro = dir.filePath("ro");
        QDir().mkpath(ro);
        QFile::setPermissions(ro, QFile::ReadOwner | QFile::ExeOwner);
        Cfg readOnly(store, ro);
        EXPECT_FALSE(ImageStore(readOnly).write(result).has_value());
        EXPECT_TRUE(logs.contains("[ImageStore] CGImageDestinationFinalize 失敗"));
        EXPECT_TRUE(QDir(ro).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}

// A capture's file: pHYs (metres, the scale's density on both axes) between IHDR and the image
// data, read back by libpng; other PNGs are written without it.
TEST_F(ImageStoreTest, CaptureFilesRecordTheDensityInPhys) {
    ImageStore images(*cfg);
    for (int scale : {1, 2, 3}) {
        CaptureScale::tag(result.image, scale);
        result.captureDate = result.captureDate.addSecs(1);
        const auto path = images.write(result);
        ASSERT_TRUE(path);
        const QByteArray png = test::fileBytes(*path);
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
    EXPECT_FALSE(PngWriter::encode(result.image).contains("pHYs"));
}
