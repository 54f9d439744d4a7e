#include "support/Files.h"
#include "support/GeneratedMedia.h"
#include "support/ProgramRun.h"

#include "TestPaths.h"
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

test::ProgramRun mebo(const QStringList& args) {
    return test::runWithoutDisplay(QStringLiteral(MEBO_BINARY), args);
}

QJsonObject info(const QString& path, const QStringList& extra = {}) {
    const auto run = mebo(QStringList{"video", "info", path, "--json"} + extra);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    return QJsonDocument::fromJson(run.out.toUtf8()).object();
}

QJsonArray json(const char* text) {
    return QJsonDocument::fromJson(QByteArray("[") + text + "]").array();
}

class VideoCommandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        QDir(dir_->path()).mkpath("p");
        QString error;
        ASSERT_TRUE(
            test::makeClip(dir_->filePath("p/clip.mp4"), {10, {320, 180}, 25, {"", "Microphone"}}, &error))
            << error.toStdString();
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
    EXPECT_EQ(o["timeMap"].toArray()[2].toObject(),
              QJsonDocument::fromJson(R"({"compStart": 4, "sourceStart": 6, "speed": 2, "compDuration": 1})")
                  .object());
    EXPECT_EQ(o["outputSize"].toObject(),
              QJsonDocument::fromJson(R"({"width": 340, "height": 200})").object());
    EXPECT_EQ(o["chapters"][1].toObject(),
              QJsonDocument::fromJson(R"({"id": "00000000-0000-0000-0000-00000000000D", "startSec": 6,
                  "endSec": 10, "title": "Two", "colorRGBA": [1, 0, 0, 1]})")
                  .object());
    EXPECT_EQ(o["chapters"][0]["title"].toString(), "Chapter 1");
    EXPECT_EQ(o["chapters"][0]["endSec"].toDouble(), 6);
    EXPECT_EQ(o["sourceFacts"]["microphoneTrack"].toInt(), 1);
}

TEST_F(VideoCommandTest, CutsSegmentsDefaultsAndNoSource) {
    const QJsonObject o = info(project("clip.mebo-video", R"({"schemaVersion": 1,
        "trimRegions": [{"id": "00000000-0000-0000-0000-00000000000A", "startSec": 1, "endSec": 3},
                        {"id": "00000000-0000-0000-0000-00000000000B", "startSec": 2, "endSec": 5}],
        "recordingSegments": [{"id": "00000000-0000-0000-0000-00000000000C", "startSec": 6, "endSec": 8, "isEnabled": false}]})"));
    EXPECT_EQ(o["source"].toString(), dir_->filePath("p/clip.mp4")); // found by the project's name
    EXPECT_EQ(o["keptRanges"].toArray(), json("[0, 1], [5, 6], [8, 10]"));

    const QJsonObject bare = info(project("bare.mebo-video", R"({"version": 1})"));
    EXPECT_TRUE(bare["source"].isNull());
    EXPECT_TRUE(bare["duration"].isNull());
    EXPECT_EQ(bare["outputSize"].toObject(),
              QJsonDocument::fromJson(R"({"width": 1280, "height": 720})").object());
    const QJsonObject given = info(dir_->filePath("p/bare.mebo-video"), {"--duration", "4"});
    EXPECT_EQ(given["keptRanges"].toArray(), json("[0, 4]"));
    EXPECT_EQ(given["chapters"].toArray(), QJsonArray());

    const QJsonObject video = info(dir_->filePath("p/clip.mp4"));
    EXPECT_EQ(video["kind"].toString(), "video");
    EXPECT_EQ(video["video"]["width"].toInt(), 320);
    EXPECT_EQ(video["audioTracks"].toArray().size(), 2);
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
        const auto run = mebo({"video", "info", project("bad.mebo-video", c.json), "--json"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err.toStdString(), c.err);
        EXPECT_TRUE(run.out.isEmpty());
    }
    const QString out = dir_->filePath("p/resaved.mebo-video");
    EXPECT_EQ(mebo({"video", "resave", project("min.mebo-video", R"({"version": 1})"), out}).exitCode, 0);
    EXPECT_EQ(info(out)["outputSize"], info(dir_->filePath("p/min.mebo-video"))["outputSize"]);
    EXPECT_EQ(mebo({"video", "info"}).exitCode, 2);
    EXPECT_NE(mebo({"video", "info", dir_->filePath("p/missing.mp4")}).exitCode, 0);
}

} // namespace
