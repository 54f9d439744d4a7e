#include "MeboHome.h"
#include "TestPaths.h"
#include "platform/x11/DesktopTools.h"
#include "support/Files.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace mebo::test;
using namespace mebo::test::x11;

namespace {

// The launcher (`mebo`) takes these captures itself; the full program beside the modules is what
// it would otherwise start. Both must leave the same library behind.
const QString kFullProgram = QStringLiteral(MEBO_BUILD_DIR "/lib/mebo/mebo-full");

QJsonObject onlyEntry(const QString& dir) {
    const QJsonArray index = libraryIndex(dir);
    return index.size() == 1 ? index.first().toObject() : QJsonObject();
}

// Log lines without their time stamps, paths and ids.
QStringList logShape(const QString& err) {
    static const QRegularExpression stamp(QStringLiteral(R"(^\[[0-9/ :.]+\] )"));
    static const QRegularExpression varying(QStringLiteral(R"(/[^ ,]*|[0-9A-F-]{36})"));
    QStringList lines;
    for (QString line : err.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        lines << line.remove(stamp).replace(varying, QStringLiteral("…"));
    }
    return lines;
}

struct Case {
    const char* name;
    QStringList args;
};

class QuickCapture : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            GTEST_SKIP() << "needs the test desktop";
        }
    }
    MeboHome home;
};

} // namespace

TEST_P(QuickCapture, GivesTheFullCommandsFilePixelsIndexEntryOutputAndLog) {
    const QString quickDir = home.path() + "/quick", fullDir = home.path() + "/full";
    const QStringList common = QStringList{"capture"} + GetParam().args + QStringList{"--json", "--verbose"};
    ProgramRun quick, full;
    {
        FreezeGuard freeze;
        // A full program that fails shows that the launcher did not hand the capture over.
        quick = home.run(common + QStringList{"--save-dir", quickDir}, {"MEBO_FULL_PROGRAM=/bin/false"});
        full = mebo::test::run(QStringList{kFullProgram} + common + QStringList{"--save-dir", fullDir},
                               home.environment());
    }
    ASSERT_EQ(quick.exitCode, 0) << quick.err.toStdString();
    ASSERT_EQ(full.exitCode, 0) << full.err.toStdString();

    const QJsonObject q = QJsonDocument::fromJson(quick.stdOut).object();
    const QJsonObject f = QJsonDocument::fromJson(full.stdOut).object();
    EXPECT_EQ(q.keys(), f.keys());
    for (const char* key : {"width", "height", "mode", "windowTitle"}) {
        EXPECT_EQ(q.value(key), f.value(key)) << key;
    }
    const QString quickPath = q.value("path").toString(), fullPath = f.value("path").toString();
    static const QRegularExpression digits(QStringLiteral("[0-9]"));
    EXPECT_EQ(QFileInfo(quickPath).fileName().replace(digits, "#"),
              QFileInfo(fullPath).fileName().replace(digits, "#"));
    EXPECT_EQ(QFileInfo(quickPath).path(), quickDir);

    const QImage quickPng(quickPath), fullPng(fullPath);
    ASSERT_FALSE(quickPng.isNull());
    EXPECT_EQ(firstDifference(quickPng, fullPng), QString());
    EXPECT_EQ(quickPng.dotsPerMeterX(), fullPng.dotsPerMeterX());

    QJsonObject qe = onlyEntry(quickDir), fe = onlyEntry(fullDir);
    ASSERT_FALSE(qe.isEmpty());
    EXPECT_EQ(qe.value("id"), q.value("historyId"));
    EXPECT_EQ(qe.value("filename").toString(), QFileInfo(quickPath).fileName());
    EXPECT_EQ(qe.value("thumbnailName").toString(), qe.value("id").toString() + ".jpg");
    for (const char* varying : {"id", "filename", "thumbnailName", "createdAt"}) {
        qe.remove(varying);
        fe.remove(varying);
    }
    EXPECT_EQ(qe, fe);

    // Every line the quick path logs, the full command logs too, in the same order.
    const QStringList fullLog = logShape(full.err);
    qsizetype at = 0;
    for (const QString& line : logShape(quick.err)) {
        at = fullLog.indexOf(line, at);
        ASSERT_GE(at, 0) << "not in the full command's log: " << line.toStdString() << "\n"
                         << full.err.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, QuickCapture,
                         ::testing::Values(Case{"fullscreen", {"fullscreen"}},
                                           Case{"area", {"area", "--geometry", "200x100+50+70"}},
                                           Case{"areaOnDisplay", {"area", "--geometry", "1x1+0+0"}}),
                         [](const auto& info) { return std::string(info.param.name); });

// What the quick path does not cover reaches the full program with the same arguments (here
// echo, which prints them), having written nothing.
TEST(QuickCaptureHandOver, TakesEveryCaseItDoesNotCoverToTheFullProgram) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        GTEST_SKIP() << "needs the test desktop";
    }
    struct HandOver {
        QStringList args;
        EnvChanges env;
        QByteArray index; // the library's index.json before the run, when there is one
        QByteArray settings;
        bool handedOver = true;
    };
    const QByteArray orphan =
        R"([{"id":"6F1C2E0A-1B2C-4D5E-8F90-0123456789AB","filename":"gone.png","thumbnailName":"x.jpg",
            "mode":"area","createdAt":"2026-01-01T00:00:00Z","widthPx":1,"heightPx":1,"tags":[],
            "mediaType":"image","hasMeboSidecar":false}])";
    const QByteArray kept = QByteArray(orphan).replace("gone.png", "kept.png");
    const QList<HandOver> cases{
        {{"capture", "fullscreen", "--copy"}, {}, {}, {}},
        {{"capture", "fullscreen", "--sound"}, {}, {}, {}},
        {{"capture", "fullscreen", "--delay", "0"}, {}, {}, {}},
        {{"capture", "window"}, {}, {}, {}},
        {{"capture", "--list-displays"}, {}, {}, {}},
        {{"capture", "fullscreen", "--help"}, {}, {}, {}},
        {{"capture", "area"}, {}, {}, {}},
        {{"capture", "area", "--geometry", "300x300+1800+900"}, {}, {}, {}},
        {{"capture", "fullscreen", "--display", "12345"}, {}, {}, {}},
        {{"capture", "area", "--geometry", "10x10+0+0", "--display", "12345"}, {}, {}, {}},
        {{"capture", "fullscreen", "--bogus"}, {}, {}, {}},
        {{"capture", "fullscreen"}, {"MEBO_X11_NO_SHM=1"}, {}, {}},
        {{"capture", "fullscreen"}, {"QT_SCALE_FACTOR=2"}, {}, {}},
        {{"capture", "fullscreen"}, {"DISPLAY=:99999"}, {}, {}},
        {{"capture", "fullscreen"}, {}, orphan, {}},
        {{"capture", "fullscreen"}, {}, "not json", {}},
        {{"capture", "fullscreen"}, {}, {}, R"({"mebo.copyToClipboard": {"type": "bool", "value": true}})"},
        // A library at its limit: the new capture makes the full command prune.
        {{"capture", "fullscreen"}, {}, kept, R"({"mebo.historyMaxCount": {"type": "integer", "value": 1}})"},
        {{"capture", "fullscreen"}, {}, {}, "{"},
        // Controls: the same library and settings files, taken here.
        {{"capture", "fullscreen"},
         {},
         kept,
         R"({"mebo.copyToClipboard": {"type": "bool", "value": false}})",
         false},
        {{"--version"}, {}, {}, {}},
    };
    for (const HandOver& c : cases) {
        MeboHome home;
        const QString shots = home.path() + "/shots";
        QDir().mkpath(shots);
        QDir().mkpath(home.path() + "/config/mebo");
        if (!c.index.isEmpty()) {
            writeBytes(shots + "/index.json", c.index);
            writeBytes(shots + "/kept.png", {});
        }
        if (!c.settings.isEmpty()) {
            writeBytes(home.configFile(), c.settings);
        }
        const QStringList args = c.args + QStringList{"--save-dir", shots};
        const ProgramRun r = home.run(args, c.env + EnvChanges{"MEBO_FULL_PROGRAM=/bin/echo"});
        EXPECT_EQ(r.out == args.join(' '), c.handedOver)
            << c.args.join(' ').toStdString() << ": " << r.out.toStdString() << r.err.toStdString();
        const qsizetype before = c.index.isEmpty() ? 0 : 1;
        EXPECT_EQ(QDir(shots).entryList({"*.png"}).size(), before + (c.handedOver ? 0 : 1));
    }
}
