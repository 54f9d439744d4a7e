#include "MeboHome.h"
#include "platform/x11/DesktopTools.h"
#include "support/Files.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace mebo::test;
using namespace mebo::test::x11;

namespace {

QJsonObject jsonOf(const ProgramRun& r) {
    return QJsonDocument::fromJson(r.stdOut).object();
}

class CliCapture : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            GTEST_SKIP() << "needs the test desktop";
        }
        shots = home.path() + "/shots";
    }
    MeboHome home;
    QString shots;
};

} // namespace

TEST_F(CliCapture, FullScreenEqualsTheServersPixelsAndEntersTheLibrary) {
    ProgramRun r;
    QImage reference;
    {
        FreezeGuard freeze;
        r = home.run({"capture", "fullscreen", "--save-dir", shots, "--json"});
        QString error;
        reference = rootPixels(QString(), &error);
        ASSERT_FALSE(reference.isNull()) << error.toStdString();
    }
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    const QJsonObject out = jsonOf(r);
    const QString path = out.value("path").toString();
    EXPECT_TRUE(path.startsWith(shots + "/mebo-"));
    EXPECT_EQ(out.value("width").toInt(), 1920);
    EXPECT_EQ(out.value("height").toInt(), 1080);
    EXPECT_EQ(out.value("mode").toString(), "fullscreen");
    EXPECT_TRUE(out.value("windowTitle").isNull());

    const QImage png(path);
    ASSERT_FALSE(png.isNull());
    EXPECT_EQ(firstDifference(png, reference), QString());

    // The index (its fields are the library's test): the entry of the id printed.
    const QJsonArray index = libraryIndex(shots);
    ASSERT_EQ(index.size(), 1);
    EXPECT_EQ(index.first().toObject().value("id").toString(), out.value("historyId").toString());
    EXPECT_EQ(index.first().toObject().value("filename").toString(), QFileInfo(path).fileName());
}

// That a geometry gives exactly the server's pixels is the mixed-scale desktop test's; the part of
// one past the screen edge left out is the geometry target's table.

TEST_F(CliCapture, WindowGivesItsFrameRectangleAndTitle) {
    const auto ids = windowsTitled("mebo-test-xterm-2");
    ASSERT_EQ(ids.size(), 1u);
    const ToolGeometry g = toolGeometry(ids.front());
    ASSERT_TRUE(g.valid);
    const QRect frame = g.client.marginsAdded(g.frameExtents);
    runTool("xdotool", {"windowraise", QString::number(ids.front())});
    ProgramRun r;
    QImage reference;
    {
        FreezeGuard freeze;
        r = home.run(
            {"capture", "window", "--window", QString::number(ids.front()), "--save-dir", shots, "--json"});
        QString error;
        reference = rootPixels(QString(), &error);
    }
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject out = jsonOf(r);
    EXPECT_EQ(out.value("windowTitle").toString(), "mebo-test-xterm-2");
    EXPECT_EQ(out.value("mode").toString(), "window");
    EXPECT_EQ(out.value("width").toInt(), frame.width());
    EXPECT_EQ(out.value("height").toInt(), frame.height());
    const QImage png(out.value("path").toString());
    EXPECT_EQ(firstDifference(png, reference.copy(frame)), QString());

    // Without --window: the window under the pointer.
    const QPoint inside = frame.center();
    runTool("xdotool", {"mousemove", QString::number(inside.x()), QString::number(inside.y())});
    const auto underPointer = home.run({"capture", "window", "--save-dir", shots, "--json"});
    ASSERT_EQ(underPointer.exitCode, 0) << underPointer.err.toStdString();
    EXPECT_EQ(jsonOf(underPointer).value("windowTitle").toString(), "mebo-test-xterm-2");
}

TEST_F(CliCapture, ADelayWaitsBeforeCapturing) {
    QElapsedTimer clock;
    clock.start();
    const auto r = home.run({"capture", "fullscreen", "--delay", "1", "--save-dir", shots});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_GE(clock.elapsed(), 1000);
    EXPECT_EQ(pngsIn(shots).size(), 1);
}

TEST_F(CliCapture, CollisionsAreNumberedAcrossRuns) {
    ASSERT_EQ(home.run({"config", "set", "mebo.filenameTemplate", "shot"}).exitCode, 0);
    for (int i = 0; i < 3; ++i) {
        const auto r = home.run({"capture", "area", "--geometry", "10x10+0+0", "--save-dir", shots});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    EXPECT_EQ(pngsIn(shots), (QStringList{"shot-1.png", "shot-2.png", "shot.png"}));
    EXPECT_EQ(libraryIndex(shots).size(), 3);
}

TEST_F(CliCapture, BadInputIsOneLineAndWritesNothing) {
    struct Case {
        QStringList args;
        int exitCode;
    };
    const QList<Case> cases{{{"capture", "panorama"}, 2},
                            {{"capture", "fullscreen", "--frobnicate"}, 2},
                            {{"capture", "fullscreen", "--delay", "-3"}, 2},
                            {{"capture", "fullscreen", "--delay", "soon"}, 2},
                            {{"capture"}, 2},
                            {{"capture", "area"}, 2},
                            {{"capture", "area", "--geometry", "10x10"}, 2},
                            {{"capture", "fullscreen", "--geometry", "10x10+0+0"}, 2},
                            {{"capture", "area", "--geometry", "200x100+5000+5000"}, 1},
                            {{"capture", "fullscreen", "--display", "4242"}, 1},
                            {{"capture", "window", "--window", "0x7ffffff"}, 1},
                            {{"frobnicate"}, 2}};
    for (const Case& c : cases) {
        const auto r = home.run(QStringList(c.args) << "--save-dir" << shots);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith("mebo: ")) << r.err.toStdString();
        // A sentence, never an execution-log line.
        EXPECT_FALSE(
            r.err.contains(QRegularExpression(QStringLiteral("\\[[A-Za-z]+\\]|[\\x{4e00}-\\x{9fff}]"))))
            << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(pngsIn(shots).isEmpty()) << c.args.join(' ').toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(shots + "/index.json"));
    EXPECT_EQ(home.run({"capture", "window", "--window", "0x123", "--save-dir", shots}).err,
              "mebo: no window 0x123");
}

TEST_F(CliCapture, UnusableEnvironmentIsOneLineAndWritesNothing) {
    // No X display reachable, none named, a file where the save folder should be, a corrupt settings
    // file (reported and left as it was).
    writeBytes(home.path() + "/blocker", {});
    const struct {
        QString saveDir;
        EnvChanges env;
        QString said;
        QByteArray settings;
    } cases[] = {{shots, {"DISPLAY=:4077"}, "4077", {}},
                 {shots, {"DISPLAY"}, "mebo: no X display: DISPLAY is not set", {}},
                 {home.path() + "/blocker/shots", {}, "blocker/shots", {}},
                 {shots, {}, "defaults.json", "{\"mebo.copyToClipboard\": tru"}};
    for (const auto& c : cases) {
        if (!c.settings.isEmpty()) {
            writeBytes(home.configFile(), c.settings);
        }
        const auto r = home.run({"capture", "fullscreen", "--save-dir", c.saveDir}, c.env);
        EXPECT_EQ(r.exitCode, 1) << c.said.toStdString();
        EXPECT_EQ(r.err.count('\n'), 0);
        EXPECT_TRUE(r.err.contains(c.said)) << r.err.toStdString();
    }
    EXPECT_EQ(fileBytes(home.configFile()), QByteArray("{\"mebo.copyToClipboard\": tru"));
    EXPECT_TRUE(pngsIn(shots).isEmpty());
}
