#include "support/Files.h"

#include "document/JsonEncodeError.h"
#include "video/MeboVideoDocument.h"
#include "video/MeboVideoDocumentError.h"
#include "video/VideoProjectFiles.h"

#include "TestPaths.h"
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace mebo;

namespace {

const QUuid kId = QUuid::fromString(QStringLiteral("6f1b2c3d-4e5f-4a7b-8c9d-0e1f2a3b4c5d"));

// The error a document fails with, or nothing when it reads.
std::optional<MeboVideoDocumentError> readError(const QByteArray& json) {
    try {
        MeboVideoDocument::fromJson(json);
    } catch (const MeboVideoDocumentError& e) {
        return e;
    }
    return std::nullopt;
}

TEST(MeboVideoDocumentTest, VersionOnlyOpensWithEveryDefault) {
    const MeboVideoDocument doc = MeboVideoDocument::fromJson(R"({"version": 1})");
    // Every default: the same document the golden file below writes key by key.
    EXPECT_EQ(doc, MeboVideoDocument{});
    // Null reads as absent.
    EXPECT_EQ(MeboVideoDocument::fromJson(R"({"schemaVersion": null, "version": 1, "showShadow": null})"),
              MeboVideoDocument{});
}

TEST(MeboVideoDocumentTest, RefusesWithTheProjectTexts) {
    // tests/data/video/refusals.txt: one file a line and the text it is refused with.
    int rows = 0;
    for (const QByteArray& line :
         test::fileBytes(QStringLiteral(MEBO_TEST_DATA_DIR "/video/refusals.txt")).split('\n')) {
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        const qsizetype arrow = line.lastIndexOf(" => ");
        const auto error = readError(line.left(arrow));
        ASSERT_TRUE(error) << line.constData();
        EXPECT_EQ(error->description().toUtf8(), line.mid(arrow + 4)) << line.constData();
        ++rows;
    }
    EXPECT_EQ(rows, 12);
    EXPECT_EQ(readError(R"({"version": 1, "cropRect": [0, 0, 1, 1]})")->kind(),
              MeboVideoDocumentError::Kind::decodeFailed);
    EXPECT_EQ(readError(R"({"schemaVersion": 2})")->version(), 2);
    // schemaVersion wins over version.
    EXPECT_FALSE(readError(R"({"schemaVersion": 1, "version": 9})"));
    EXPECT_TRUE(readError("{\"version\": 1,"));
}

MeboVideoDocument sampleDocument() {
    MeboVideoDocument doc;
    doc.sourceFileName = QStringLiteral("Recording 1.mp4");
    doc.edit.trimRegions = {{kId, 2, 4}};
    doc.edit.chapterSegments = {{kId, 0, 3.5, QStringLiteral("Intro"), {}}};
    doc.edit.cropRect = QRectF(0.25, 0, 0.5, 1);
    doc.edit.exportFps = 30;
    return doc;
}

TEST(MeboVideoDocumentTest, WritesSortedPrettyJsonByteForByte) {
    // Written by this code once and checked by hand: sorted keys, 4-space indents, upper-case ids.
    const QByteArray expected =
        test::fileBytes(QStringLiteral(MEBO_TEST_DATA_DIR "/video/sample.mebo-video"));
    ASSERT_FALSE(expected.isEmpty());
    const QByteArray json = sampleDocument().toJson();
    EXPECT_EQ(json.toStdString(), expected.toStdString());
    EXPECT_EQ(MeboVideoDocument::fromJson(json), sampleDocument());
    MeboVideoDocument odd = sampleDocument();
    odd.schemaVersion = odd.version = 0; // written as 1 all the same
    EXPECT_EQ(odd.toJson(), json);
    odd.edit.backgroundPadding = std::numeric_limits<double>::infinity();
    EXPECT_THROW(odd.toJson(), JsonEncodeError);
}

TEST(MeboVideoDocumentTest, EveryFieldRoundTrips) {
    MeboVideoDocument doc = sampleDocument();
    VideoSnapshot& e = doc.edit;
    doc.webcamFileName = QStringLiteral("Recording 1.webcam.mp4");
    e.speedRegions = {{kId, 6, 8, 2}};
    const ColorRGBA red{1, 0, 0, 1};
    e.annotationRegions = {AnnotationRegion{kId, 1, 2, AnnotationKind::arrow, QRectF(0.1, 0.2, 0.3, 0.4), "t",
                                            "x.annotation-1.png", red, 12, "dashed", "end", "upLeft"}};
    e.recordingSegments = {{kId, 0, 5, false, QStringLiteral("first")}};
    e.chapterSegments[0].colorRGBA = ColorRGBA{0.5, 0.5, 0.5};
    e.systemAudioTrackEnabled = false;
    e.micMuteRegions = {{kId, 1, 3}};
    e.webcamHiddenRegions = {{kId, 4, 5}};
    e.wallpaperGradient = GradientFill{QColor(255, 0, 0), QColor(0, 0, 255), 0.5};
    e.canvasAspectRatio = 16.0 / 9;
    e.exportResolutionHeight = 1080;
    e.webcamLayout =
        WebcamLayout{}.withLayoutPreset(WebcamLayoutPreset::center).withSizePreset(WebcamSizePreset::large);
    EXPECT_EQ(MeboVideoDocument::fromJson(doc.toJson()), doc);
    const QJsonObject o = QJsonDocument::fromJson(doc.toJson()).object();
    EXPECT_EQ(o["webcamLayout"].toObject().keys(), (QStringList{"anchor", "layoutPreset", "maskShape",
                                                                "scale", "sizePreset", "visible", "x", "y"}));
    // Absent optionals write no key; an empty chapter list is no chapters.
    const QJsonObject plain = QJsonDocument::fromJson(MeboVideoDocument{}.toJson()).object();
    for (const char* key :
         {"sourceFileName", "webcamFileName", "chapterSegments", "canvasAspectRatio", "wallpaperGradient",
          "cropRect", "exportFps", "exportResolutionHeight", "webcamLayout"}) {
        EXPECT_FALSE(plain.contains(QLatin1String(key))) << key;
    }
}

TEST(MeboVideoDocumentTest, AnInterruptedWriteLeavesTheOldFileOrTheNew) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.mebo-video"));
    MeboVideoDocument big = sampleDocument();
    for (int i = 0; i < 20000; ++i) {
        big.edit.trimRegions.append({QUuid::createUuid(), double(i), i + 0.5});
    }
    const QByteArray oldBytes = sampleDocument().toJson();
    const QByteArray newBytes = big.toJson();
    for (int round = 0; round < 12; ++round) {
        test::writeBytes(path, oldBytes);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            try {
                big.writeFile(path);
            } catch (...) {
            }
            _exit(0);
        }
        usleep(useconds_t(round * 20000)); // killed early, midway or after the rename
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        const QByteArray now = test::fileBytes(path);
        EXPECT_TRUE(now == oldBytes || now == newBytes)
            << "round " << round << ": " << now.size() << " bytes";
    }
    // The errors of a folder that cannot take the file are the image project's (the same writer).
}

TEST(VideoProjectFilesTest, SiblingLookup) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("p"));
    const QString project = dir.filePath(QStringLiteral("p/a.mebo-video"));
    auto touch = [&](const QString& name) { test::writeBytes(dir.filePath(name), "x"); };
    auto source = [&](std::optional<QString> name) {
        MeboVideoDocument doc;
        doc.sourceFileName = std::move(name);
        const auto found = VideoProjectFiles::locateSource(project, doc);
        return found ? QDir(dir.path()).relativeFilePath(*found) : QStringLiteral("-");
    };
    EXPECT_EQ(source(std::nullopt), QStringLiteral("-"));
    touch(QStringLiteral("clip.mp4")); // beside the project's folder, not in it
    EXPECT_EQ(source(QStringLiteral("../clip.mp4")), QStringLiteral("-"));
    touch(QStringLiteral("p/clip.mp4"));
    EXPECT_EQ(source(QStringLiteral("../clip.mp4")), QStringLiteral("p/clip.mp4"));
    EXPECT_EQ(source(QStringLiteral("/elsewhere/clip.mp4")), QStringLiteral("p/clip.mp4"));
    for (const char* name : {"p/a.mov", "p/.hidden.mp4", "p/clip.txt"}) {
        touch(QString::fromLatin1(name));
    }
    EXPECT_EQ(source(QStringLiteral(".hidden.mp4")), QStringLiteral("p/a.mov"));
    EXPECT_EQ(source(QStringLiteral("clip.txt")), QStringLiteral("p/a.mov"));
    EXPECT_EQ(source(QStringLiteral("gone.mkv")), QStringLiteral("p/a.mov"));
    touch(QStringLiteral("p/a.mp4"));
    EXPECT_EQ(source(std::nullopt), QStringLiteral("p/a.mp4"));
    EXPECT_EQ(source(QStringLiteral("CLIP.MP4")), QStringLiteral("p/a.mp4")); // names are exact

    MeboVideoDocument doc;
    EXPECT_FALSE(VideoProjectFiles::locateWebcam(project, doc));
    touch(QStringLiteral("p/a.webcam.mp4"));
    EXPECT_EQ(*VideoProjectFiles::locateWebcam(project, doc), dir.filePath(QStringLiteral("p/a.webcam.mp4")));
    touch(QStringLiteral("p/cam.webm"));
    doc.webcamFileName = QStringLiteral("cam.webm"); // not a webcam extension
    EXPECT_EQ(*VideoProjectFiles::locateWebcam(project, doc), dir.filePath(QStringLiteral("p/a.webcam.mp4")));
    EXPECT_EQ(VideoProjectFiles::projectPathFor(QStringLiteral("/r/Recording 1.mp4")),
              QStringLiteral("/r/Recording 1.mebo-video"));
    // Opening a project, and its alerts, are the editor window's project table.
}

TEST(VideoProjectFilesTest, RecordingSidecarOnlyForTwoSegmentsAndNeverOverwritten) {
    QTemporaryDir dir;
    const QString recording = dir.filePath(QStringLiteral("Recording 1.mp4"));
    const QString project = dir.filePath(QStringLiteral("Recording 1.mebo-video"));
    const QList<RecordingSegment> one{{kId, 0, 4, true, {}}, {QUuid::createUuid(), 4, 4.03, true, {}}};
    EXPECT_FALSE(VideoProjectFiles::writeRecordingSidecar(recording, std::nullopt, one, 4));
    EXPECT_FALSE(QFileInfo::exists(project));

    const QList<RecordingSegment> two{{kId, 0, 4, true, {}}, {QUuid::createUuid(), 4, 9.5, true, {}}};
    const QString webcam = dir.filePath(QStringLiteral("Recording 1.webcam.mp4"));
    EXPECT_EQ(VideoProjectFiles::writeRecordingSidecar(recording, webcam, two, 10), project);
    const MeboVideoDocument doc = MeboVideoDocument::readFile(project);
    EXPECT_EQ(doc.webcamFileName, QStringLiteral("Recording 1.webcam.mp4"));
    ASSERT_EQ(doc.edit.recordingSegments.size(), 2);
    VideoSnapshot defaults;
    defaults.recordingSegments = doc.edit.recordingSegments;
    EXPECT_EQ(doc.edit, defaults);

    const QByteArray before = test::fileBytes(project);
    EXPECT_FALSE(VideoProjectFiles::writeRecordingSidecar(recording, std::nullopt, two, 20));
    EXPECT_EQ(test::fileBytes(project), before);
}

} // namespace
