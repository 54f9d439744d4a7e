// GIF export: the exporter's rules against a scripted frame source and a recording writer, the
// watermark's sizes, and the libimagequant + giflib writer read back by ffmpeg.
#include "platform/gif/QuantizedGifWriter.h"
#include "support/Drawing.h"
#include "support/Files.h"
#include "support/IndexedClip.h"
#include "support/ScriptedFrames.h"
#include "video/GifExporter.h"
#include "video/MediaWatermark.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

class RecordingWriter : public platform::GifWriter {
public:
    bool open(const QString& path, QSize, int loops, QString*) override {
        QFile(path).open(QIODevice::WriteOnly);
        loopCount = loops;
        return true;
    }
    bool addFrame(const QImage&, double delay, QString*) override {
        delays.append(delay);
        return true;
    }
    bool finish(QString*) override { return true; }
    void abandon() override { abandoned = true; }
    int loopCount = -1;
    QList<double> delays;
    bool abandoned = false;
};

GifExporter::Outcome exportWith(test::ScriptedFrames& frames, RecordingWriter& writer, const QString& dest,
                                bool cancelAtStart = false) {
    std::atomic<bool> cancel{cancelAtStart};
    QString error;
    return GifExporter(frames, writer).run("in.mp4", dest, {}, nullptr, cancel, &error);
}

} // namespace

// What a real GIF holds and how long it lasts is `mebo video gif`'s (which loops it once); here the
// default loop, the size asked of the frames, when each is taken, and a clip too short for one
// frame failing without a file.
TEST(GifExporter, FramesLoopAndTooShortAClip) {
    QTemporaryDir dir;
    test::ScriptedFrames frames;
    frames.script->duration = 2;
    RecordingWriter writer;
    ASSERT_EQ(exportWith(frames, writer, dir.filePath("a.gif")), GifExporter::Outcome::completed);
    ASSERT_EQ(writer.delays.size(), 30) << "2 s at 15 fps";
    EXPECT_DOUBLE_EQ(writer.delays[0], 1.0 / 15);
    EXPECT_DOUBLE_EQ(frames.script->times[29], 29.0 / 15);
    EXPECT_EQ(writer.loopCount, 0);
    EXPECT_EQ(frames.script->askedMax, QSize(720, 720));
    EXPECT_EQ(GifExporter::frameCount(1.99999, 15), 30);
    EXPECT_EQ(GifExporter::frameCount(1.99, 15), 29);
    test::ScriptedFrames blink;
    blink.script->duration = 0.05;
    EXPECT_EQ(exportWith(blink, writer, dir.filePath("b.gif")), GifExporter::Outcome::failed);
    EXPECT_FALSE(QFile::exists(dir.filePath("b.gif")));
}

// Up to 30 % of the frames may fail to decode; beyond that, or when cancelled, the old file stays.
TEST(GifExporter, SkippedFramesUpToThirtyPercentAndCancel) {
    struct Case {
        int failing;
        bool cancel;
        GifExporter::Outcome outcome;
        int written;
    };
    for (const Case c :
         {Case{3, false, GifExporter::Outcome::completed, 7}, Case{4, false, GifExporter::Outcome::failed, 6},
          Case{0, true, GifExporter::Outcome::cancelled, 0}}) {
        QTemporaryDir dir;
        const QString dest = dir.filePath("s.gif");
        test::writeBytes(dest, "old");
        test::ScriptedFrames frames;
        frames.script->duration = 10.0 / 15; // 10 frames
        for (int i = 0; i < c.failing; ++i) {
            frames.script->failAt.append((2 * i + 1) / 15.0);
        }
        RecordingWriter writer;
        EXPECT_EQ(exportWith(frames, writer, dest, c.cancel), c.outcome) << c.failing;
        EXPECT_EQ(writer.delays.size(), c.written) << c.failing;
        EXPECT_EQ(writer.abandoned, c.outcome != GifExporter::Outcome::completed) << c.failing;
        EXPECT_EQ(test::fileBytes(dest) == "old", c.outcome != GifExporter::Outcome::completed) << c.failing;
        EXPECT_FALSE(QFile::exists(dest + ".part"));
    }
}

TEST(MediaWatermark, StampsTheBottomRightCorner) {
    EXPECT_DOUBLE_EQ(MediaWatermark::fontSize({200, 100}), 12);
    EXPECT_DOUBLE_EQ(MediaWatermark::fontSize({3840, 2160}), 54);
    const QSize size(720, 405);
    const MediaWatermark mark(size);
    QImage frame(size, QImage::Format_RGB32);
    frame.fill(qRgb(40, 90, 160));
    mark.stamp(frame);
    const QRect placed(mark.origin(), mark.image().size());
    EXPECT_LE(placed.right(), size.width() - int(MediaWatermark::inset(14.175)));
    EXPECT_LE(placed.bottom(), size.height() - int(MediaWatermark::inset(14.175)));
    const auto changed = [&](const QRect& area) {
        return test::countPixels(frame, area, [](QRgb p) { return p != qRgb(40, 90, 160); });
    };
    EXPECT_GT(changed(placed), 50);
    EXPECT_EQ(changed(frame.rect()), changed(placed));
    EXPECT_GT(test::countPixels(frame, placed, [](QRgb p) { return qGray(p) > 200; }), 20)
        << "light grey letters";
}

TEST(QuantizedGifWriter, FramesReadBackAsWritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath("w.gif");
    const QSize size(96, 64);
    platform::QuantizedGifWriter writer;
    QString error;
    ASSERT_TRUE(writer.open(path, size, 1, &error)) << error.toStdString();
    // A still background with a moving square (few colours: written exactly), one unchanged frame,
    // then a gradient of thousands of colours (quantized).
    QList<QImage> frames;
    for (int i = 0; i < 6; ++i) {
        QImage f(size, QImage::Format_RGB32);
        f.fill(qRgb(20, 40, 60));
        for (int y = 0; i == 5 && y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                f.setPixel(x, y, qRgb(x * 2, y * 3, 255 - x - y));
            }
        }
        if (i < 5) { // frame 4 is frame 3 again
            QPainter(&f).fillRect(i == 4 ? 30 : 10 * i, 20, 16, 16, QColor(200, 30, 30));
        }
        frames.append(f);
        ASSERT_TRUE(writer.addFrame(f, 0.1, &error)) << error.toStdString();
    }
    ASSERT_TRUE(writer.finish(&error)); // the loop count written is `mebo video gif --loop-once`'s
    const std::vector<QImage> read = test::rgbFrames(path, size);
    ASSERT_EQ(read.size(), size_t(frames.size()));
    for (int i = 0; i < frames.size(); ++i) {
        EXPECT_LE(test::maxDifference(read[size_t(i)], frames[i]), i == 5 ? 16 : 0) << "frame " << i;
    }
}

TEST(QuantizedGifWriter, SendsWhatChangedBeyondTheDecodersNoise) {
    // Red added to row 1 of a grey picture at frames 1, 2, 3 (x + 1 changes alike when paired),
    // and the red shown: compared with what is shown, so a slow drift is sent once it adds up.
    struct Case {
        int x;
        bool paired;
        int steps[3], shown[3];
    };
    const Case cases[] = {
        {2, false, {1, 1, 1}, {100, 100, 100}},  // within a level
        {6, false, {2, 2, 2}, {100, 100, 100}},  // a lone 2-level difference is noise
        {10, true, {2, 2, 2}, {102, 102, 102}},  // two side by side are a change
        {15, false, {3, 3, 3}, {103, 103, 103}}, // 3 levels always are
        {20, false, {1, 2, 3}, {100, 100, 103}}, // a drift
    };
    const QSize size(32, 4);
    QTemporaryDir dir;
    platform::QuantizedGifWriter writer;
    QString error;
    ASSERT_TRUE(writer.open(dir.filePath("n.gif"), size, 0, &error));
    for (int f = 0; f < 4; ++f) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(qRgb(100, 100, 100));
        for (const Case& c : cases) {
            for (int x = c.x; f > 0 && x <= c.x + int(c.paired); ++x) {
                image.setPixel(x, 1, qRgb(100 + c.steps[f - 1], 100, 100));
            }
        }
        ASSERT_TRUE(writer.addFrame(image, 0.1, &error)) << error.toStdString();
    }
    ASSERT_TRUE(writer.finish(&error));
    const std::vector<QImage> read = test::rgbFrames(dir.filePath("n.gif"), size);
    ASSERT_EQ(read.size(), size_t(4));
    for (int f = 1; f < 4; ++f) {
        const QImage& got = read[size_t(f)];
        for (const Case& c : cases) {
            EXPECT_EQ(qRed(got.pixel(c.x, 1)), c.shown[f - 1]) << "frame " << f << ", pixel " << c.x;
        }
    }
}
