// `mebo video` as a user runs it.
#include "support/Files.h"
#include "support/IndexedClip.h"
#include "support/MediaFacts.h"
#include "support/Process.h"
#include "support/TestUtil.h"

#include "TestPaths.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

QJsonObject info(const QString& path, const QStringList& extra = {}) {
    const auto run = test::runMebo(QStringList{"video", "info", path, "--json"} + extra);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    return QJsonDocument::fromJson(run.out.toUtf8()).object();
}

QJsonArray json(const char* text) {
    return QJsonDocument::fromJson(QByteArray("[") + text + "]").array();
}

QJsonObject object(const char* text) {
    return QJsonDocument::fromJson(text).object();
}

// `mebo video info` and `resave` on projects beside a 10 s clip (in p/); `export` and `gif` of a
// 2 s clip whose frames carry their index.
class VideoCommandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        QDir(dir_->path()).mkpath("p");
        QString error;
        ASSERT_TRUE(
            test::makeClip(dir_->filePath("p/clip.mp4"), {10, {320, 180}, 25, {"", "Microphone"}}, &error))
            << error.toStdString();
        test::IndexedClipShape shape;
        shape.seconds = 2;
        ASSERT_TRUE(test::makeIndexedClip(dir_->filePath("rec.mp4"), shape));
    }
    static void TearDownTestSuite() { delete dir_; }
    static QString project(const QString& name, const QByteArray& json) {
        const QString path = dir_->filePath("p/" + name);
        test::writeBytes(path, json);
        return path;
    }
    static inline QTemporaryDir* dir_ = nullptr;
};

TEST_F(VideoCommandTest, TheReferenceEditThroughTheCommandLine) {
    const QString path = project("ref.mebo-video", R"({"version": 1, "sourceFileName": "../clip.mp4",
        "trimRegions": [{"id": "00000000-0000-0000-0000-00000000000A", "startSec": 2, "endSec": 4}],
        "speedRegions": [{"id": "00000000-0000-0000-0000-00000000000B", "startSec": 6, "endSec": 8, "speed": 2}],
        "chapterSegments": [{"id": "00000000-0000-0000-0000-00000000000C", "startSec": 2, "endSec": 4},
                            {"id": "00000000-0000-0000-0000-00000000000D", "startSec": 6, "endSec": 8, "title": "Two",
                             "colorRGBA": [1, 0, 0, 1]}],
        "micMuteRegions": [{"id": "00000000-0000-0000-0000-00000000000E", "startSec": 6.5, "endSec": 9}],
        "showBackground": true, "backgroundPadding": 10})");
    const QJsonObject o = info(path);
    EXPECT_EQ(o["source"].toString(), dir_->filePath("p/clip.mp4"));
    EXPECT_TRUE(o["webcam"].isNull());
    EXPECT_EQ(o["duration"].toDouble(), 10);
    EXPECT_EQ(o["keptRanges"].toArray(), json("[0, 2], [4, 10]"));
    EXPECT_EQ(o["outputDuration"].toDouble(), 7);
    EXPECT_EQ(o["micMutedOutput"].toArray(), json("[4.25, 5], [5, 6]"));
    EXPECT_EQ(o["timeMap"][2],
              object(R"({"compStart": 4, "sourceStart": 6, "speed": 2, "compDuration": 1})"));
    EXPECT_EQ(o["outputSize"], object(R"({"width": 340, "height": 200})"));
    EXPECT_EQ(o["chapters"][1], object(R"({"id": "00000000-0000-0000-0000-00000000000D", "startSec": 6,
                  "endSec": 10, "title": "Two", "colorRGBA": [1, 0, 0, 1]})"));
    EXPECT_EQ(o["sourceFacts"]["microphoneTrack"].toInt(), 1);
}

TEST_F(VideoCommandTest, ErrorsAreOneLineWithTheProjectTexts) {
    const struct {
        const char* json;
        const char* err;
    } cases[] = {
        // Every refusal's text is the project file's test; here: printed as it stands, one line.
        {R"({"schemaVersion": 2})", "Project schema version 2 is newer than this version of Mebo."},
        {"{\"version\": 1, \"trimRegions\": [{}]}",
         "Project file could not be decoded: missing key 'trimRegions[0].id'"},
    };
    for (const auto& c : cases) {
        const auto run = test::runMebo({"video", "info", project("bad.mebo-video", c.json), "--json"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err.toStdString(), c.err);
        EXPECT_TRUE(run.out.isEmpty());
    }
    const QString out = dir_->filePath("p/resaved.mebo-video");
    const auto resave =
        test::runMebo({"video", "resave", project("min.mebo-video", R"({"version": 1})"), out});
    EXPECT_EQ(resave.exitCode, 0);
    EXPECT_EQ(resave.out, out); // the file written, by its whole path
    EXPECT_EQ(info(out)["outputSize"], object(R"({"width": 1280, "height": 720})"));
    // Without its recording a project is measured against the duration given.
    EXPECT_EQ(info(out, {"--duration", "4"})["keptRanges"].toArray(), json("[0, 4]"));
    const QJsonObject video = info(dir_->filePath("p/clip.mp4"));
    EXPECT_EQ(video["kind"].toString(), "video");
    EXPECT_EQ(video["audioTracks"].toArray().size(), 2);
    EXPECT_EQ(test::runMebo({"video", "info"}).exitCode, 2);
}

TEST_F(VideoCommandTest, ExportsAProjectBesideItsRecording) {
    test::writeBytes(
        dir_->filePath("rec.mebo-video"),
        R"({"version":1,"trimRegions":[{"id":"0E2B0B1C-0000-4000-8000-000000000001","startSec":0.5,"endSec":1}]})");
    const auto run =
        test::runMebo({"video", "export", dir_->filePath("rec.mebo-video"), "--json", "--fps", "15"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject out = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(out["output"].toString(), dir_->filePath("rec-edited.mp4"));
    EXPECT_NEAR(out["duration"].toDouble(), 1.5, 0.05);
    EXPECT_EQ(out["fps"].toDouble(), 15);
    EXPECT_EQ(out["width"].toInt(), 320);
    EXPECT_EQ(out["audioTracks"].toInt(), 1) << "one mixed track";
    EXPECT_FALSE(QFile::exists(dir_->filePath("rec-edited.tmp.mp4")));
}

TEST_F(VideoCommandTest, UsageAndInputErrors) {
    struct Case {
        QStringList args;
        int exit;
        const char* says;
    };
    const Case cases[] = {
        {{"video", "export"}, 2, "expected one"},
        {{"video", "export", "x.mp4", "--height", "800"}, 2, "--height"},
        {{"video", "export", "x.mp4", "--fps", "0"}, 2, "--fps"},
        {{"video", "gif", "x.mp4", "--fps", "31"}, 2, "--fps"},
        {{"video", "gif", "x.mp4", "--max-width", "big"}, 2, "--max-width"},
        {{"video", "export", "/nonexistent/x.mp4"}, 1, "no such file"},
    };
    for (const Case& c : cases) {
        const auto run = test::runMebo(c.args);
        EXPECT_EQ(run.exitCode, c.exit) << c.args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(c.says))) << run.err.toStdString();
    }
    test::writeBytes(dir_->filePath("lonely.mebo-video"), R"({"version":1})");
    const auto lonely = test::runMebo({"video", "export", dir_->filePath("lonely.mebo-video")});
    EXPECT_EQ(lonely.exitCode, 1);
    EXPECT_TRUE(lonely.err.contains("Source video not found")) << lonely.err.toStdString();
}

TEST_F(VideoCommandTest, GifOptions) {
    const QString gif = dir_->filePath("once.gif");
    const auto once =
        test::runMebo({"video", "gif", dir_->filePath("rec.mp4"), "-o", gif, "--loop-once", "--fps", "15"});
    ASSERT_EQ(once.exitCode, 0) << once.err.toStdString();
    const QByteArray bytes = test::fileBytes(gif);
    const int ext = bytes.indexOf("NETSCAPE2.0");
    ASSERT_GE(ext, 0);
    EXPECT_EQ(uchar(bytes[ext + 13]) | (uchar(bytes[ext + 14]) << 8), 1);
    EXPECT_EQ(test::media::frameTimes(gif).size(), size_t(30)) << "2 s at 15 fps";
    EXPECT_NEAR(test::media::formatDuration(gif), 2.0, 0.011);

    // The width limit reaches the frames (how a portrait clip fits is the frame generator's rule).
    const auto narrow =
        test::runMebo({"video", "gif", dir_->filePath("rec.mp4"), "--max-width", "160", "--json"});
    ASSERT_EQ(narrow.exitCode, 0) << narrow.err.toStdString();
    const QJsonObject stream =
        test::media::probe(dir_->filePath("rec.gif"))["streams"].toArray()[0].toObject();
    EXPECT_EQ(stream["width"].toInt(), 160);
    EXPECT_EQ(stream["height"].toInt(), 120);
}

TEST_F(VideoCommandTest, CtrlCCancelsAndKeepsTheOldFile) {
    test::IndexedClipShape longer;
    longer.seconds = 20;
    ASSERT_TRUE(test::makeIndexedClip(dir_->filePath("long.mp4"), longer));
    const QString dest = dir_->filePath("kept.mp4");
    test::writeBytes(dest, "old");
    const QString tmp = dir_->filePath("kept.tmp.mp4");
    test::Child child;
    ASSERT_TRUE(child.start({MEBO_BINARY, "video", "export", dir_->filePath("long.mp4"), "-o", dest}));
    // Waits for the export to be under way: its temporary file has frames in it.
    ASSERT_TRUE(test::waitUntil([&] { return QFileInfo(tmp).size() >= 4096; }, 120000))
        << "the export never started";
    kill(child.pid(), SIGINT);
    EXPECT_EQ(child.finish(120000), 130);
    EXPECT_EQ(test::fileBytes(dest), "old");
    EXPECT_FALSE(QFile::exists(tmp));
}

} // namespace
