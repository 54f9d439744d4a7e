#include "app/Cfg.h"
#include "support/TestUtil.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace mebo;
using mebo::test::FakeDefaultsStore;
using mebo::test::LogCapture;

namespace {

class RecordingHistoryTarget : public HistoryLimitTarget {
public:
    bool isPruneInFlight() const override { return inFlight; }
    void markPruneCancelled() override { ++cancels; }
    void clearPrunePending() override { ++pendingClears; }
    void applyLimitNow() override { ++applies; }
    bool inFlight = false;
    int cancels = 0;
    int pendingClears = 0;
    int applies = 0;
};

} // namespace

TEST(CfgLoad, EmptyDatabaseGivesFactoryValues) {
    FakeDefaultsStore store;
    LogCapture logs;
    Cfg cfg(store);
    EXPECT_FALSE(cfg.copyToClipboard());
    EXPECT_TRUE(cfg.openEditorAfterCapture());
    EXPECT_TRUE(cfg.playShutterSound());
    EXPECT_EQ(cfg.historyMaxCount(), 0);
    EXPECT_EQ(cfg.recordFps(), 15);
    EXPECT_DOUBLE_EQ(cfg.webcamScale(), 0.2);
    EXPECT_EQ(cfg.appearanceMode(), AppearanceMode::system);
    EXPECT_EQ(cfg.filenameTemplate(), "mebo-{yyyyMMdd-HHmmss-SSS}");
    EXPECT_EQ(cfg.webcamPosition(), "bottomRight");
    EXPECT_EQ(cfg.videoCodec(), "h264");
    EXPECT_EQ(cfg.recordQuality(), "high");
    EXPECT_TRUE(cfg.recordSystemAudio());
    EXPECT_TRUE(cfg.recordWebcamSeparateFile());
    EXPECT_TRUE(cfg.recordClickRipple());
    EXPECT_FALSE(cfg.selectedMicDeviceId().has_value());
    EXPECT_TRUE(cfg.saveDirectory().endsWith("/mebo"));
    EXPECT_EQ(cfg.saveDirectory(), Cfg::defaultSaveDirectory());
    // The limit is always written back; registered values are not.
    EXPECT_EQ(store.user.value("mebo.historyMaxCount").toLongLong(), 0);
    EXPECT_FALSE(store.user.contains("mebo.copyToClipboard"));
    EXPECT_EQ(store.registered.value("mebo.launchAtLogin"), QVariant(false));
    EXPECT_TRUE(logs.contains("[Cfg] copyToClipboard=false, saveDirectory=" + cfg.saveDirectory()));
}

TEST(CfgLoad, StoredValuesAndTheirFallbacks) {
    struct Case {
        QVariant fps;
        int expectedFps;
    };
    // Only the rates the recorder offers are kept.
    for (const Case& c :
         {Case{qlonglong(5), 5}, Case{qlonglong(10), 10}, Case{qlonglong(15), 15}, Case{qlonglong(24), 24},
          Case{qlonglong(30), 30}, Case{qlonglong(60), 60}, Case{qlonglong(11), 15}, Case{qlonglong(25), 15},
          Case{QStringLiteral("30"), 15}, Case{30.5, 15}, Case{qlonglong(0), 15}}) {
        FakeDefaultsStore store;
        store.user["mebo.recordFps"] = c.fps;
        EXPECT_EQ(Cfg(store).recordFps(), c.expectedFps) << c.fps.toString().toStdString();
    }
    for (double scale : {0.0, -1.0}) {
        FakeDefaultsStore store;
        store.user["mebo.webcamScale"] = scale;
        EXPECT_DOUBLE_EQ(Cfg(store).webcamScale(), 0.2);
    }
    FakeDefaultsStore store;
    store.user["mebo.webcamScale"] = 0.35;
    store.user["mebo.appearanceMode"] = QStringLiteral("sepia");
    store.user["mebo.videoCodec"] = qlonglong(5); // not a string: default
    store.user["mebo.copyToClipboard"] = true;
    store.user["mebo.selectedMicDeviceId"] = QStringLiteral("alsa_input.usb");
    store.user["mebo.saveDirectory"] = QStringLiteral("/tmp/shots/");
    store.user["mebo.filenameTemplate"] = QStringLiteral("shot");
    Cfg cfg(store);
    EXPECT_DOUBLE_EQ(cfg.webcamScale(), 0.35);
    EXPECT_EQ(cfg.appearanceMode(), AppearanceMode::system);
    EXPECT_EQ(cfg.videoCodec(), "h264");
    EXPECT_TRUE(cfg.copyToClipboard());
    EXPECT_EQ(cfg.selectedMicDeviceId().value_or(""), "alsa_input.usb");
    EXPECT_EQ(cfg.saveDirectory(), "/tmp/shots");
    EXPECT_EQ(cfg.filenameTemplate(), "shot");
}

TEST(CfgLoad, SaveDirectoryOverrideWins) {
    FakeDefaultsStore store;
    store.user["mebo.saveDirectory"] = QStringLiteral("/tmp/stored");
    Cfg cfg(store, QStringLiteral("/tmp/override/"));
    EXPECT_EQ(cfg.saveDirectory(), "/tmp/override");
}

TEST(CfgLoad, LanguageKeysAreDeletedAtStart) {
    FakeDefaultsStore store;
    store.user["mebo.selectedLanguage"] = QStringLiteral("zh-Hant");
    store.user["AppleLanguages"] = QVariantList{QStringLiteral("fr")};
    Cfg cfg(store);
    EXPECT_FALSE(cfg.selectedLanguage().has_value());
    EXPECT_FALSE(store.user.contains("mebo.selectedLanguage"));
    EXPECT_FALSE(store.user.contains("AppleLanguages"));
}

TEST(CfgLoad, HistoryLimitMigrationAndClamp) {
    {
        FakeDefaultsStore store;
        store.user["mebo.autoDeleteHistory"] = false;
        store.user["mebo.historyMaxCount"] = qlonglong(50);
        LogCapture logs;
        Cfg cfg(store);
        EXPECT_EQ(cfg.historyMaxCount(), 0);
        EXPECT_FALSE(store.user.contains("mebo.autoDeleteHistory"));
        EXPECT_EQ(store.user.value("mebo.historyMaxCount").toLongLong(), 0);
        EXPECT_TRUE(
            logs.contains("[Cfg] 遷移: 檢測到 legacy autoDeleteHistory=false, historyMaxCount → 0 (不限)"));
    }
    {
        FakeDefaultsStore store;
        store.user["mebo.autoDeleteHistory"] = true;
        store.user["mebo.historyMaxCount"] = qlonglong(50);
        Cfg cfg(store);
        EXPECT_EQ(cfg.historyMaxCount(), 50);
        EXPECT_FALSE(store.user.contains("mebo.autoDeleteHistory"));
    }
    {
        FakeDefaultsStore store;
        store.user["mebo.historyMaxCount"] = qlonglong(-7);
        Cfg cfg(store);
        EXPECT_EQ(cfg.historyMaxCount(), 0);
        EXPECT_EQ(store.user.value("mebo.historyMaxCount").toLongLong(), 0);
    }
}

TEST(CfgLoad, ShortcutOverridesDecodeOrEmpty) {
    FakeDefaultsStore store;
    store.user["mebo.shortcutOverrides"] = QByteArray(R"({"arrow":"Q","text":""})");
    Cfg good(store);
    EXPECT_EQ(good.shortcutOverrides().value("arrow"), "Q");

    FakeDefaultsStore bad;
    bad.user["mebo.shortcutOverrides"] = QByteArray("{not json");
    Cfg broken(bad);
    EXPECT_TRUE(broken.shortcutOverrides().isEmpty());
    // The bad data stays until the next change overwrites it.
    EXPECT_EQ(bad.user.value("mebo.shortcutOverrides").toByteArray(), QByteArray("{not json"));

    FakeDefaultsStore mistyped;
    mistyped.user["mebo.shortcutOverrides"] = QByteArray(R"({"arrow":3})");
    EXPECT_TRUE(Cfg(mistyped).shortcutOverrides().isEmpty());
}

TEST(CfgWrite, SettersWriteTypedValuesAtOnce) {
    FakeDefaultsStore store;
    Cfg cfg(store);
    cfg.setCopyToClipboard(true);
    cfg.setRecordFps(30);
    cfg.setWebcamScale(0.5);
    cfg.setSaveDirectory(QStringLiteral("/tmp/x/../y"));
    cfg.setSelectedCameraDeviceId(QStringLiteral("/dev/video0"));
    EXPECT_EQ(store.user.value("mebo.copyToClipboard"), QVariant(true));
    EXPECT_EQ(store.user.value("mebo.recordFps"), QVariant(qlonglong(30)));
    EXPECT_EQ(store.user.value("mebo.webcamScale"), QVariant(0.5));
    EXPECT_EQ(store.user.value("mebo.saveDirectory"), QVariant(QStringLiteral("/tmp/y")));
    EXPECT_EQ(store.user.value("mebo.selectedCameraDeviceId"), QVariant(QStringLiteral("/dev/video0")));
    cfg.setSelectedCameraDeviceId(std::nullopt);
    EXPECT_FALSE(store.user.contains("mebo.selectedCameraDeviceId"));

    // Read at start only: not written back.
    cfg.setOpenEditorAfterCapture(false);
    cfg.setPlayShutterSound(false);
    EXPECT_FALSE(store.user.contains("mebo.openEditorAfterCapture"));
    EXPECT_FALSE(store.user.contains("mebo.playShutterSound"));

    // A new instance over the same store reads what was written.
    Cfg again(store);
    EXPECT_TRUE(again.copyToClipboard());
    EXPECT_EQ(again.recordFps(), 30);
    EXPECT_EQ(again.saveDirectory(), "/tmp/y");
}

TEST(CfgWrite, AppearanceIsStoredThenApplied) {
    FakeDefaultsStore store;
    Cfg cfg(store);
    QList<AppearanceMode> applied;
    cfg.setAppearanceApplier([&](AppearanceMode m) {
        // Stored before the side effect runs.
        EXPECT_EQ(store.user.value("mebo.appearanceMode").toString(), appearanceModeRawValue(m));
        applied << m;
    });
    cfg.setAppearanceMode(AppearanceMode::dark);
    cfg.setAppearanceMode(AppearanceMode::system);
    EXPECT_EQ(applied, (QList<AppearanceMode>{AppearanceMode::dark, AppearanceMode::system}));
    EXPECT_EQ(Cfg(store).appearanceMode(), AppearanceMode::system);
}

TEST(CfgWrite, HistoryLimitSideEffects) {
    FakeDefaultsStore store;
    Cfg cfg(store);
    RecordingHistoryTarget target;
    cfg.setHistoryLimitTarget(&target);

    cfg.setHistoryMaxCount(10);
    EXPECT_EQ(target.applies, 1);
    EXPECT_EQ(target.pendingClears, 0);

    LogCapture logs;
    target.inFlight = true;
    cfg.setHistoryMaxCount(0);
    EXPECT_EQ(target.cancels, 1);
    EXPECT_EQ(target.pendingClears, 1);
    EXPECT_EQ(target.applies, 1);
    EXPECT_TRUE(logs.contains("[History] prune 已標記取消, 等下一個檢查點退出"));

    target.inFlight = false;
    cfg.setHistoryMaxCount(0);
    EXPECT_EQ(target.cancels, 1); // nothing running: nothing to cancel
    EXPECT_EQ(target.pendingClears, 2);
    EXPECT_EQ(store.user.value("mebo.historyMaxCount").toLongLong(), 0);
}

TEST(CfgShortcuts, DefaultsOverridesAndConflicts) {
    FakeDefaultsStore store;
    Cfg cfg(store);
    EXPECT_EQ(cfg.shortcutKey(ToolKind::arrow).value_or(""), "A");
    EXPECT_EQ(cfg.shortcutKey(ToolKind::magnify).value_or(""), "G");
    EXPECT_FALSE(cfg.shortcutKey(ToolKind::crop).has_value());
    EXPECT_EQ(cfg.tool("T"), ToolKind::text);
    EXPECT_FALSE(cfg.tool("t").has_value()); // exact comparison
    EXPECT_FALSE(cfg.tool("Z").has_value());

    cfg.setShortcutOverrides({{"text", ""}, {"crop", "C"}, {"line", "A"}});
    EXPECT_FALSE(cfg.shortcutKey(ToolKind::text).has_value());
    EXPECT_FALSE(cfg.tool("T").has_value());
    EXPECT_EQ(cfg.shortcutKey(ToolKind::crop).value_or(""), "C");
    EXPECT_EQ(cfg.tool("C"), ToolKind::crop);
    // Both arrow (default) and line (override) use A: the first in tool order wins.
    EXPECT_EQ(cfg.tool("A"), ToolKind::arrow);

    const QJsonObject stored =
        QJsonDocument::fromJson(store.user.value("mebo.shortcutOverrides").toByteArray()).object();
    EXPECT_EQ(stored.value("crop").toString(), "C");
    EXPECT_EQ(stored.value("text").toString(), "");
    EXPECT_EQ(Cfg(store).shortcutKey(ToolKind::crop).value_or(""), "C");
}
