#include "MeboHome.h"
#include "TestPaths.h"
#include "support/IndexedClip.h"
#include "support/MediaFacts.h"
#include "support/TestUtil.h"

#include <QJsonDocument>
#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <numeric>
#include <sys/stat.h>

using namespace mebo::test;

namespace {

// The frame painter's picture (tests/tools/frame_painter.cpp), at the top-left corner.
constexpr int kShownW = 640;
constexpr int kShownH = 360;

QImage frameAt(const QString& path, double sec) {
    return QImage::fromData(
        media::run(QStringLiteral("ffmpeg"), {"-v", "error", "-ss", QString::number(sec), "-i", path,
                                              "-frames:v", "1", "-f", "image2pipe", "-vcodec", "png", "-"}),
        "PNG");
}

bool reddish(QRgb c) {
    return qRed(c) > 150 && qGreen(c) < 90 && qBlue(c) < 90;
}

// One `mebo record` with a camera, in a home of its own.
struct CameraRecording {
    // False when the program could not be started.
    bool record(const QStringList& args, const EnvChanges& env = {}) {
        return rec.start(QStringList{MEBO_BINARY, "record"} + args +
                             QStringList{"--fps", "30", "--no-system-audio", "--json", "--verbose",
                                         "--save-dir", saveDir()},
                         home.environment(env));
    }
    bool waitForLog(const char* line) { return rec.waitFor(line, &err, true); }
    QJsonObject finish() {
        rec.finish(120000);
        err += rec.readErrors();
        return QJsonDocument::fromJson(rec.readOutput()).object();
    }
    QString saveDir() const { return clip(QStringLiteral("recordings")); }
    QStringList siblings() const { return QDir(saveDir()).entryList({"*.webcam.mp4"}); }
    QString clip(const QString& name) const { return home.path() + QLatin1Char('/') + name; }

    MeboHome home;
    Child rec;
    QByteArray err;
};

class CliRecordWebcam : public ::testing::Test, protected CameraRecording {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY") ||
            media::run(QStringLiteral("ffmpeg"), {QStringLiteral("-version")}).isEmpty()) {
            GTEST_SKIP() << "needs the test desktop and ffmpeg";
        }
    }
    // The frame painter at the top-left corner; true once it is on screen.
    bool startPainter() {
        QByteArray said;
        return painter.start({MEBO_FRAME_PAINTER, QStringLiteral("%1x%2+0+0").arg(kShownW).arg(kShownH), "30",
                              "30", clip("painter.log")}) &&
               painter.waitFor("ready", &said, false, 20000);
    }

    Child painter;
};

TEST_F(CliRecordWebcam, SiblingCarriesTheCameraOnTheRecordingsTimelineAcrossAPause) {
    IndexedClipShape cameraClip;
    cameraClip.seconds = 8; // longer than the camera runs: a loop would restart its indices
    cameraClip.tones = {};
    ASSERT_TRUE(makeIndexedClip(clip("camera.mp4"), cameraClip));
    ASSERT_TRUE(startPainter());
    ASSERT_TRUE(record({"area", "--geometry", QStringLiteral("%1x%2+0+0").arg(kShownW).arg(kShownH),
                        "--duration", "4", "--webcam", "file:" + clip("camera.mp4")}));
    ASSERT_TRUE(waitForLog("[Recording] 開始錄影"));
    QThread::msleep(1200); // recording time before the pause
    rec.signal(SIGUSR1);
    ASSERT_TRUE(waitForLog("[Recording] 暫停"));
    QThread::msleep(800); // the pause's length: neither file may show it
    rec.signal(SIGUSR1);
    const QJsonObject out = finish();
    ASSERT_EQ(rec.exitCode(), 0) << err.toStdString();
    const QString main = out.value("path").toString();
    const QString webcam = out.value("webcamPath").toString();
    ASSERT_EQ(siblings(), QStringList{QFileInfo(webcam).fileName()}) << err.toStdString();
    EXPECT_EQ(QFileInfo(webcam).completeBaseName(), QFileInfo(main).completeBaseName() + ".webcam");

    const QJsonObject stream = media::probe(webcam).value("streams").toArray().first().toObject();
    EXPECT_EQ(stream.value("width").toInt(), cameraClip.size.width());
    EXPECT_EQ(stream.value("height").toInt(), cameraClip.size.height());
    EXPECT_NEAR(media::formatDuration(webcam), media::formatDuration(main), 0.1);

    // At every moment of the files, the painter's index on screen minus the camera's index is the
    // same (both count 30 a second), within a frame either way.
    const auto screen = media::greyFrames(main, kShownW, kShownH);
    const auto screenTimes = media::frameTimes(main);
    const auto camera = frameIndices(webcam, cameraClip.size);
    const auto cameraTimes = media::frameTimes(webcam);
    ASSERT_EQ(screen.size(), screenTimes.size());
    ASSERT_EQ(camera.size(), cameraTimes.size());
    ASSERT_GT(camera.size(), 80u);
    std::vector<int> offsets;
    for (size_t j = 1; j < camera.size(); ++j) { // the first camera picture is held from time zero
        const auto shown = std::upper_bound(screenTimes.begin(), screenTimes.end(), cameraTimes[j] + 1e-6);
        if (shown == screenTimes.begin() || camera[j] < 0) {
            continue;
        }
        const int p = painterIndex(screen[size_t(shown - screenTimes.begin()) - 1], kShownW);
        if (p != 0xffff) {
            offsets.push_back(p - camera[j]);
        }
    }
    ASSERT_GT(offsets.size(), 80u);
    const auto medianOf = [](std::vector<int> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const int median = medianOf(offsets);
    // A starved painter or camera is a frame or two late now and then, and a picture caught while
    // it was being drawn reads wrong; a timeline that differs (a pause not taken out of one file,
    // a drift) moves every later frame.
    const std::string shown =
        std::accumulate(offsets.begin(), offsets.end(), std::string(),
                        [](std::string s, int d) { return s + std::to_string(d) + ' '; });
    const auto off =
        std::count_if(offsets.begin(), offsets.end(), [&](int d) { return std::abs(d - median) > 1; });
    EXPECT_LE(off, qsizetype(offsets.size()) / 10) << shown;
    const size_t third = offsets.size() / 3;
    EXPECT_LE(std::abs(medianOf({offsets.begin(), offsets.begin() + third}) -
                       medianOf({offsets.end() - third, offsets.end()})),
              1)
        << shown;
}

TEST_F(CliRecordWebcam, PictureInPictureAtTheComputedRectangleWithRoundedCorners) {
    ASSERT_TRUE(makeColourClip(clip("red.mp4"), QStringLiteral("red"), {1280, 720}, 4));
    ASSERT_TRUE(
        record({"fullscreen", "--duration", "3", "--webcam", "file:" + clip("red.mp4"), "--webcam-pip"}));
    const QJsonObject out = finish();
    ASSERT_EQ(rec.exitCode(), 0) << err.toStdString();
    EXPECT_TRUE(out.value("webcamPath").isNull());
    EXPECT_TRUE(siblings().isEmpty());
    const QString path = out.value("path").toString();
    EXPECT_EQ(out.value("width").toInt(), 1920);

    // 384 x 216 at x 1516, 20 pixels above the bottom: rows 844 to 1059.
    const QImage f = frameAt(path, 1.5);
    ASSERT_EQ(f.size(), QSize(1920, 1080));
    for (const QPoint p :
         {QPoint(1708, 952), QPoint(1519, 952), QPoint(1896, 952), QPoint(1708, 847), QPoint(1708, 1056)}) {
        EXPECT_TRUE(reddish(f.pixel(p))) << p.x() << "," << p.y();
    }
    for (const QPoint p : {QPoint(1512, 952), QPoint(1903, 952), QPoint(1708, 840), QPoint(1708, 1063)}) {
        EXPECT_FALSE(reddish(f.pixel(p))) << p.x() << "," << p.y();
    }
    // The corner pixel lies outside the rounded corner: darker than the edge beside it.
    EXPECT_LT(qGray(f.pixel(1516, 844)), qGray(f.pixel(1516, 952)) / 2);
}

// How the camera's clip reaches the recorder: a file, a file deleted once recording runs, or a
// FIFO fed by ffmpeg until the clip ends (the picture stops as an unplugged camera's does), or by
// nobody when there is no clip.
enum class Feed { file, deletedWhileRecording, fifo };

struct FailureCase {
    const char* name;
    const char* clip; // made by the test; "" for none
    double clipOffsetSec;
    Feed feed;
    std::vector<const char*> messages;
    bool sibling;
};

// The cameras' failures, each recorded by a program of its own in a home of its own, all at once:
// they only wait on real time.
TEST_F(CliRecordWebcam, AFailingCameraLeavesAGoodMainFileAndNoEmptySibling) {
    const char* const shortClip = "testsrc2=size=320x240:rate=30:duration=2.5";
    const char* const inputFailed = "[Recording] 攝影機輸入創建失敗: ";
    const char* const startFailed = "[Recording] 攝影機啟動失敗, 已自動關閉 webcamEnabled";
    const char* const interrupted = "[Recording] 攝影機中斷: ";
    const char* const siblingWritten = "[Recording] webcam sibling 已寫: ";
    const FailureCase cases[] = {
        // First: its camera is deleted while it records, before the others are waited for.
        {"FailsMidRecording", shortClip, 0, Feed::deletedWhileRecording, {interrupted, siblingWritten}, true},
        {"Missing", "", 0, Feed::file, {inputFailed, startFailed}, false},
        {"NoFrameBeforeTheStop",
         "testsrc2=size=320x240:rate=30:duration=1",
         60,
         Feed::file,
         {"[Recording] 攝影機捕獲已啟動 (Webcam PiP)", "[Recording] webcam writer 從未 startSession, 取消"},
         false},
        {"PipeEndsMidRecording", shortClip, 0, Feed::fifo, {interrupted, siblingWritten}, true},
        {"PipeWithNoWriter", "", 0, Feed::fifo, {inputFailed, "no picture within 1 s", startFailed}, false},
    };
    std::vector<std::unique_ptr<CameraRecording>> runs;
    Child feeder; // writes the one fed FIFO's stream
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        CameraRecording& r = *runs.emplace_back(std::make_unique<CameraRecording>());
        const QString camera = r.clip("camera.mp4");
        if (c.feed == Feed::fifo) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(camera).constData(), 0600), 0);
        }
        if (c.feed == Feed::fifo && *c.clip) {
            feeder.start({"ffmpeg", "-v", "error", "-re", "-f", "lavfi", "-i", c.clip, "-pix_fmt", "yuv420p",
                          "-f", "mpegts", "-y", camera});
        } else if (*c.clip) {
            media::run(QStringLiteral("ffmpeg"),
                       {"-v", "error", "-y", "-f", "lavfi", "-i", c.clip, "-pix_fmt", "yuv420p",
                        "-output_ts_offset", QString::number(c.clipOffsetSec), camera});
            ASSERT_TRUE(QFileInfo::exists(camera));
        }
        // A pipe nobody writes to is given up after a second instead of five.
        const bool noWriter = c.feed == Feed::fifo && !*c.clip;
        ASSERT_TRUE(
            r.record({"area", "--geometry", "640x360+0+0", "--duration", "4", "--webcam", "file:" + camera},
                     noWriter ? EnvChanges{"MEBO_TEST_CAMERA_WAIT_MS=1000"} : EnvChanges{}));
    }
    for (size_t i = 0; i < runs.size(); ++i) {
        const FailureCase& c = cases[i];
        CameraRecording& r = *runs[i];
        SCOPED_TRACE(c.name);
        if (c.feed == Feed::deletedWhileRecording) {
            ASSERT_TRUE(r.waitForLog("[Recording] 開始錄影"));
            QFile::remove(r.clip("camera.mp4"));
        }
        const QJsonObject out = r.finish();
        ASSERT_EQ(r.rec.exitCode(), 0) << r.err.toStdString();
        EXPECT_NEAR(media::formatDuration(out.value("path").toString()), 4.0, 0.1);
        for (const char* m : c.messages) {
            EXPECT_TRUE(r.err.contains(m)) << m << "\n" << r.err.toStdString();
        }
        EXPECT_EQ(r.siblings().size(), c.sibling ? 1 : 0);
        EXPECT_EQ(out.value("webcamPath").isNull(), !c.sibling);
        if (c.sibling) {
            EXPECT_GT(media::frameTimes(out.value("webcamPath").toString()).size(), 30u);
        }
    }
}

} // namespace
