#include "MeboHome.h"
#include "platform/x11/DesktopTools.h"
#include "support/TestUtil.h"

#include "TestPaths.h"
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace mebo::test;

TEST(CliConfig, TypedValuesRoundTripThroughTheSettingsRules) {
    MeboHome home;
    auto get = [&](const QString& key) { return home.run({"config", "get", key}).out; };
    EXPECT_EQ(get("mebo.recordFps"), "15");
    EXPECT_EQ(get("mebo.copyToClipboard"), "false");
    EXPECT_EQ(get("mebo.saveDirectory"), home.picturesMebo());
    EXPECT_EQ(get("mebo.selectedMicDeviceId"), "(none)");

    EXPECT_EQ(home.run({"config", "set", "mebo.recordFps", "24"}).exitCode, 0);
    EXPECT_EQ(home.run({"config", "set", "mebo.webcamScale", "0.35"}).exitCode, 0);
    EXPECT_EQ(home.run({"config", "set", "mebo.copyToClipboard", "yes"}).exitCode, 0);
    EXPECT_EQ(home.run({"config", "set", "mebo.shortcutOverrides", R"({"text":""})"}).exitCode, 0);
    EXPECT_EQ(home.run({"config", "set", "mebo.selectedMicDeviceId", "alsa_input.usb"}).exitCode, 0);
    EXPECT_EQ(home.run({"config", "set", "mebo.playShutterSound", "false"}).exitCode, 0);
    EXPECT_EQ(get("mebo.recordFps"), "24");
    EXPECT_EQ(get("mebo.webcamScale"), "0.35");
    EXPECT_EQ(get("mebo.copyToClipboard"), "true");
    EXPECT_EQ(get("mebo.shortcutOverrides"), R"({"text":""})");
    EXPECT_EQ(get("mebo.selectedMicDeviceId"), "alsa_input.usb");
    EXPECT_EQ(get("mebo.playShutterSound"), "false");

    const auto list = home.run({"config", "list", "--json"});
    ASSERT_EQ(list.exitCode, 0);
    const QJsonObject all = QJsonDocument::fromJson(list.stdOut).object();
    EXPECT_EQ(all.value("mebo.recordFps").toInt(), 24);
    EXPECT_EQ(all.value("mebo.appearanceMode").toString(), "system");
    EXPECT_TRUE(all.contains("mebo.historyMaxCount"));

    EXPECT_EQ(home.run({"config", "unset", "mebo.recordFps"}).exitCode, 0);
    EXPECT_EQ(get("mebo.recordFps"), "15");
    EXPECT_EQ(home.run({"config", "unset", "mebo.selectedMicDeviceId"}).exitCode, 0);
    EXPECT_EQ(get("mebo.selectedMicDeviceId"), "(none)");

    // Values stored by hand follow the load rules: 25 is not an allowed rate.
    QFile f(home.configFile());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray text = f.readAll();
    f.close();
    EXPECT_TRUE(text.contains("mebo.webcamScale"));
}

TEST(CliConfig, RejectsUnknownKeysAndBadValues) {
    MeboHome home;
    struct Case {
        QStringList args;
    };
    for (const QStringList& args :
         {QStringList{"config", "get", "mebo.nope"}, QStringList{"config", "set", "mebo.recordFps", "25"},
          QStringList{"config", "set", "mebo.recordFps", "fast"},
          QStringList{"config", "set", "mebo.copyToClipboard", "maybe"},
          QStringList{"config", "set", "mebo.appearanceMode", "sepia"},
          QStringList{"config", "set", "mebo.historyMaxCount", "-1"},
          QStringList{"config", "set", "mebo.shortcutOverrides", "[1]"}, QStringList{"config", "frob"},
          QStringList{"config", "get"}}) {
        const auto r = home.run(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_EQ(r.err.count('\n'), 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith("mebo: ")) << r.err.toStdString();
    }
    EXPECT_EQ(home.run({"config", "get", "mebo.recordFps"}).out, "15");
    const auto help = home.run({"config", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("mebo.historyMaxCount"));
    for (const char* cmd : {"capture", "history"}) {
        const auto h = home.run({cmd, "--help"});
        EXPECT_EQ(h.exitCode, 0);
        EXPECT_TRUE(h.out.startsWith("Usage: mebo")) << cmd;
    }
}

TEST(CliCopy, ImageStaysOnTheClipboardUntilAnotherProgramTakesIt) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        GTEST_SKIP() << "needs the test desktop";
    }
    MeboHome home;
    QElapsedTimer timer;
    timer.start();
    Child mebo;
    ASSERT_TRUE(mebo.start({QStringLiteral(MEBO_BINARY), "capture", "area", "--geometry", "64x48+10+10",
                            "--save-dir", home.path() + "/shots", "--copy"},
                           home.environment()));
    QByteArray printed; // the path comes first; the process stays to serve the clipboard
    ASSERT_TRUE(waitUntil([&] { return (printed += mebo.readOutput()).contains('\n'); }, 30000));
    const QString path = QString::fromUtf8(printed).trimmed();
    ProgramRun targets; // the path is printed before the clipboard is claimed: wait for the claim
    ASSERT_TRUE(waitUntil(
        [&] {
            targets = x11::runTool("xclip", {"-o", "-selection", "clipboard", "-t", "TARGETS"});
            return targets.out.contains("image/png");
        },
        30000))
        << targets.out.toStdString();
    const auto png = x11::runTool("xclip", {"-o", "-selection", "clipboard", "-t", "image/png"});
    const QImage fromClipboard = QImage::fromData(png.stdOut, "PNG");
    EXPECT_EQ(fromClipboard.size(), QSize(64, 48));
    EXPECT_EQ(x11::firstDifference(fromClipboard, QImage(path)), QString());

    // Another program takes the clipboard: mebo ends well before its 10 s limit.
    QFile text(home.path() + "/taken.txt");
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("taken");
    text.close();
    Child taker;
    ASSERT_TRUE(taker.start({"xclip", "-quiet", "-i", "-selection", "clipboard", text.fileName()}));
    EXPECT_EQ(mebo.finish(8000), 0);
    EXPECT_LT(timer.elapsed(), 9500);
}
