// `mebo video export` and `mebo video gif` as a user runs them: outputs, options, errors, and
// Ctrl+C during an export.
#include "support/Files.h"
#include "support/IndexedClip.h"
#include "support/MediaFacts.h"
#include "support/ProgramRun.h"

#include "TestPaths.h"
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

using namespace mebo;

namespace {

test::ProgramRun mebo(const QStringList& args) {
    return test::runWithoutDisplay(QStringLiteral(MEBO_BINARY), args);
}

class VideoExportCommandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        test::IndexedClipShape shape;
        shape.seconds = 2;
        ASSERT_TRUE(test::makeIndexedClip(dir_->filePath("rec.mp4"), shape));
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static QTemporaryDir* dir_;
};

QTemporaryDir* VideoExportCommandTest::dir_ = nullptr;

TEST_F(VideoExportCommandTest, ExportsAProjectBesideItsRecording) {
    test::writeBytes(
        dir_->filePath("rec.mebo-video"),
        R"({"version":1,"trimRegions":[{"id":"0E2B0B1C-0000-4000-8000-000000000001","startSec":0.5,"endSec":1}]})");
    const auto run = mebo({"video", "export", dir_->filePath("rec.mebo-video"), "--json", "--fps", "15"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject out = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(out["output"].toString(), dir_->filePath("rec-edited.mp4"));
    EXPECT_NEAR(out["duration"].toDouble(), 1.5, 0.05);
    EXPECT_EQ(out["fps"].toDouble(), 15);
    EXPECT_EQ(out["width"].toInt(), 320);
    EXPECT_EQ(out["audioTracks"].toInt(), 1) << "one mixed track";
    EXPECT_FALSE(QFile::exists(dir_->filePath("rec-edited.tmp.mp4")));
}

TEST_F(VideoExportCommandTest, UsageAndInputErrors) {
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
        const auto run = mebo(c.args);
        EXPECT_EQ(run.exitCode, c.exit) << c.args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(c.says))) << run.err.toStdString();
    }
    test::writeBytes(dir_->filePath("lonely.mebo-video"), R"({"version":1})");
    const auto lonely = mebo({"video", "export", dir_->filePath("lonely.mebo-video")});
    EXPECT_EQ(lonely.exitCode, 1);
    EXPECT_TRUE(lonely.err.contains("Source video not found")) << lonely.err.toStdString();
}

TEST_F(VideoExportCommandTest, GifOptions) {
    const QString gif = dir_->filePath("once.gif");
    const auto once =
        mebo({"video", "gif", dir_->filePath("rec.mp4"), "-o", gif, "--loop-once", "--fps", "15"});
    ASSERT_EQ(once.exitCode, 0) << once.err.toStdString();
    const QByteArray bytes = test::fileBytes(gif);
    const int ext = bytes.indexOf("NETSCAPE2.0");
    ASSERT_GE(ext, 0);
    EXPECT_EQ(uchar(bytes[ext + 13]) | (uchar(bytes[ext + 14]) << 8), 1);
    EXPECT_EQ(test::media::frameTimes(gif).size(), size_t(30)) << "2 s at 15 fps";
    EXPECT_NEAR(test::media::formatDuration(gif), 2.0, 0.011);

    // The width limit reaches the frames (how a portrait clip fits is the frame generator's rule).
    const auto narrow = mebo({"video", "gif", dir_->filePath("rec.mp4"), "--max-width", "160", "--json"});
    ASSERT_EQ(narrow.exitCode, 0) << narrow.err.toStdString();
    const QJsonObject stream =
        test::media::probe(dir_->filePath("rec.gif"))["streams"].toArray()[0].toObject();
    EXPECT_EQ(stream["width"].toInt(), 160);
    EXPECT_EQ(stream["height"].toInt(), 120);
}

TEST_F(VideoExportCommandTest, CtrlCCancelsAndKeepsTheOldFile) {
    test::IndexedClipShape longer;
    longer.seconds = 20;
    ASSERT_TRUE(test::makeIndexedClip(dir_->filePath("long.mp4"), longer));
    const QString dest = dir_->filePath("kept.mp4");
    test::writeBytes(dest, "old");
    const QString tmp = dir_->filePath("kept.tmp.mp4");
    const QByteArray program = MEBO_BINARY;
    const QByteArray source = QFile::encodeName(dir_->filePath("long.mp4"));
    const QByteArray out = QFile::encodeName(dest);
    const char* argv[] = {program.constData(), "video", "export", source.constData(), "-o",
                          out.constData(),     nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.constData(), nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    // Waits for the export to be under way: its temporary file has frames in it.
    QElapsedTimer clock;
    clock.start();
    while (QFileInfo(tmp).size() < 4096 && clock.elapsed() < 120000) {
        QThread::msleep(20);
    }
    ASSERT_GE(QFileInfo(tmp).size(), 4096) << "the export never started";
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_EQ(test::fileBytes(dest), "old");
    EXPECT_FALSE(QFile::exists(tmp));
}

} // namespace
