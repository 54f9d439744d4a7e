#include "MeboHome.h"
#include "platform/x11/DesktopTools.h"
#include "support/Files.h"
#include "support/TestUtil.h"

#include "TestPaths.h"
#include <QJsonDocument>
#include <QJsonObject>
#include <array>
#include <gtest/gtest.h>

using namespace mebo::test;

TEST(CliConfig, TypedValuesRoundTripThroughTheSettingsRulesAndBadOnesAreRefused) {
    MeboHome home;
    auto get = [&](const QString& key) { return home.run({"config", "get", key}).out; };
    EXPECT_EQ(get("mebo.recordFps"), "15");
    EXPECT_EQ(get("mebo.copyToClipboard"), "false");
    EXPECT_EQ(get("mebo.saveDirectory"), home.picturesMebo());
    EXPECT_EQ(get("mebo.selectedMicDeviceId"), "(none)");

    // Set, then read back as the settings store shows it.
    const std::array<std::array<const char*, 3>, 6> values{
        {{"mebo.recordFps", "24", "24"},
         {"mebo.webcamScale", "0.35", "0.35"},
         {"mebo.copyToClipboard", "yes", "true"},
         {"mebo.shortcutOverrides", R"({"text":""})", R"({"text":""})"},
         {"mebo.selectedMicDeviceId", "alsa_input.usb", "alsa_input.usb"},
         {"mebo.playShutterSound", "false", "false"}}};
    for (const auto& [key, value, shown] : values) {
        EXPECT_EQ(home.run({"config", "set", key, value}).exitCode, 0) << key;
        EXPECT_EQ(get(key), shown);
    }

    const auto list = home.run({"config", "list", "--json"});
    ASSERT_EQ(list.exitCode, 0);
    const QJsonObject all = QJsonDocument::fromJson(list.stdOut).object();
    EXPECT_EQ(all.value("mebo.recordFps").toInt(), 24);
    EXPECT_EQ(all.value("mebo.appearanceMode").toString(), "system");
    EXPECT_TRUE(all.contains("mebo.historyMaxCount"));

    EXPECT_EQ(home.run({"config", "unset", "mebo.recordFps"}).exitCode, 0);
    EXPECT_EQ(get("mebo.recordFps"), "15");

    // Unknown keys and bad values are refused and change nothing.
    writeBytes(home.path() + "/not-a-folder", {});
    for (const QStringList& args :
         {QStringList{"config", "get", "mebo.nope"}, QStringList{"config", "set", "mebo.recordFps", "25"},
          QStringList{"config", "set", "mebo.recordFps", "fast"},
          QStringList{"config", "set", "mebo.copyToClipboard", "maybe"},
          QStringList{"config", "set", "mebo.appearanceMode", "sepia"},
          QStringList{"config", "set", "mebo.historyMaxCount", "-1"},
          QStringList{"config", "set", "mebo.saveDirectory", "/proc/mebo-library"},
          QStringList{"config", "set", "mebo.saveDirectory", home.path() + "/not-a-folder"},
          QStringList{"config", "set", "mebo.saveDirectory", ""},
          QStringList{"config", "set", "mebo.shortcutOverrides", "[1]"}, QStringList{"config", "frob"},
          QStringList{"config", "get"}}) {
        const auto r = home.run(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_EQ(r.err.count('\n'), 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith("mebo: ")) << r.err.toStdString();
    }
    EXPECT_EQ(get("mebo.recordFps"), "15");
    EXPECT_TRUE(home.run({"config", "set", "mebo.historyMaxCount", "-1"})
                    .err.startsWith("mebo: mebo.historyMaxCount takes 0 (unlimited) or more, not -1"));
    EXPECT_EQ(get("mebo.saveDirectory"), home.picturesMebo());
    const auto help = home.run({"config", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("mebo.historyMaxCount"));
}

// The background keepers started for this home (their environment names it): the full program,
// which the command became.
QList<pid_t> keepers(const QString& home) {
    return processesOf(QStringLiteral(MEBO_BUILD_DIR "/lib/mebo/mebo-full"), "--keep-clipboard",
                       ("HOME=" + home).toUtf8());
}

TEST(CliCopy, TheCommandReturnsAndTheImageStaysUntilAnotherProgramTakesIt) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        GTEST_SKIP() << "needs the test desktop";
    }
    MeboHome home;
    // No running Mebo: the keeper holds it.
    const auto r = home.run(
        {"capture", "area", "--geometry", "64x48+10+10", "--save-dir", home.path() + "/shots", "--copy"},
        {"XDG_RUNTIME_DIR=" + home.path()}, 20000);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString path = r.out.trimmed();
    const QList<pid_t> keeper = keepers(home.path());
    ASSERT_EQ(keeper.size(), 1);

    const auto targets = x11::runTool("xclip", {"-o", "-selection", "clipboard", "-t", "TARGETS"});
    EXPECT_TRUE(targets.out.contains("image/png")) << targets.out.toStdString();
    const auto png = x11::runTool("xclip", {"-o", "-selection", "clipboard", "-t", "image/png"});
    const QImage fromClipboard = QImage::fromData(png.stdOut, "PNG");
    EXPECT_EQ(fromClipboard.size(), QSize(64, 48));
    EXPECT_EQ(firstDifference(fromClipboard, QImage(path)), QString());

    // Another program takes the clipboard: the keeper leaves.
    writeBytes(home.path() + QStringLiteral("/taken.txt"), "taken");
    Child taker;
    ASSERT_TRUE(
        taker.start({"xclip", "-quiet", "-i", "-selection", "clipboard", home.path() + "/taken.txt"}));
    EXPECT_TRUE(waitUntil([&] { return keepers(home.path()).isEmpty(); }, 10000));
}
