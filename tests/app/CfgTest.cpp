#include "app/Cfg.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

using namespace mebo;
using mebo::test::FakeDefaultsStore;
using mebo::test::LogCapture;

TEST(CfgLoad, EmptyDatabaseGivesFactoryValues) {
    FakeDefaultsStore store;
    LogCapture logs;
    Cfg cfg(store);
    // The values `mebo config get` shows are the command line's test; here what only starts from
    // this store: the microphone, the webcam and the cursor trail only when asked for.
    EXPECT_FALSE(cfg.recordMicrophone() || cfg.recordWebcam() || cfg.recordCursorTrail());
    EXPECT_EQ(cfg.saveDirectory(), Cfg::defaultSaveDirectory());
    // The limit is always written back; registered values are not.
    EXPECT_EQ(store.user.value("mebo.historyMaxCount").toLongLong(), 0);
    EXPECT_FALSE(store.user.contains("mebo.copyToClipboard"));
    EXPECT_TRUE(logs.contains("[Cfg] copyToClipboard=false, saveDirectory=" + cfg.saveDirectory()));
}

TEST(CfgLoad, StoredValuesAndTheirFallbacks) {
    // Only the rates the recorder offers are kept.
    const std::pair<QVariant, int> rates[] = {{5, 5},   {24, 24}, {60, 60},   {11, 15},
                                              {25, 15}, {0, 15},  {30.5, 15}, {QStringLiteral("30"), 15}};
    for (const auto& [fps, expected] : rates) {
        FakeDefaultsStore store;
        store.user["mebo.recordFps"] = fps;
        EXPECT_EQ(Cfg(store).recordFps(), expected) << fps.toString().toStdString();
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
    store.user["mebo.saveDirectory"] = QStringLiteral("/tmp/shots/");
    Cfg cfg(store);
    EXPECT_DOUBLE_EQ(cfg.webcamScale(), 0.35);
    EXPECT_EQ(cfg.appearanceMode(), AppearanceMode::system);
    EXPECT_EQ(cfg.videoCodec(), "h264");
    EXPECT_EQ(cfg.saveDirectory(), "/tmp/shots");
}

TEST(CfgLoad, SaveDirectoryOverrideWinsAndLanguageKeysAreDeletedAtStart) {
    FakeDefaultsStore store;
    store.user["mebo.saveDirectory"] = QStringLiteral("/tmp/stored");
    store.user["mebo.selectedLanguage"] = QStringLiteral("zh-Hant");
    store.user["AppleLanguages"] = QVariantList{QStringLiteral("fr")};
    Cfg cfg(store, QStringLiteral("/tmp/override/"));
    EXPECT_EQ(cfg.saveDirectory(), "/tmp/override");
    EXPECT_FALSE(cfg.selectedLanguage().has_value());
    EXPECT_FALSE(store.user.contains("mebo.selectedLanguage"));
    EXPECT_FALSE(store.user.contains("AppleLanguages"));
}

TEST(CfgLoad, HistoryLimitMigrationAndClamp) {
    const struct {
        std::optional<bool> legacyAutoDelete;
        qlonglong stored, expected;
    } cases[] = {{false, 50, 0}, {true, 50, 50}, {std::nullopt, -7, 0}};
    for (const auto& c : cases) {
        FakeDefaultsStore store;
        if (c.legacyAutoDelete) {
            store.user["mebo.autoDeleteHistory"] = *c.legacyAutoDelete;
        }
        store.user["mebo.historyMaxCount"] = c.stored;
        LogCapture logs;
        Cfg cfg(store);
        EXPECT_EQ(cfg.historyMaxCount(), c.expected) << c.stored;
        EXPECT_FALSE(store.user.contains("mebo.autoDeleteHistory"));
        EXPECT_EQ(store.user.value("mebo.historyMaxCount").toLongLong(), c.expected);
        EXPECT_EQ(
            logs.contains("[Cfg] 遷移: 檢測到 legacy autoDeleteHistory=false, historyMaxCount → 0 (不限)"),
            c.legacyAutoDelete == false);
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

TEST(CfgShortcuts, DefaultsOverridesAndConflicts) {
    FakeDefaultsStore store;
    Cfg cfg(store);
    // The factory keys are the key handler's and the settings view-model's tests.
    EXPECT_FALSE(cfg.shortcutKey(ToolKind::crop).has_value());
    EXPECT_EQ(cfg.tool("T"), ToolKind::text);
    EXPECT_FALSE(cfg.tool("t").has_value()); // exact comparison

    cfg.setShortcutOverrides({{"text", ""}, {"crop", "C"}, {"line", "A"}});
    EXPECT_FALSE(cfg.shortcutKey(ToolKind::text).has_value());
    EXPECT_FALSE(cfg.tool("T").has_value());
    EXPECT_EQ(cfg.shortcutKey(ToolKind::crop).value_or(""), "C");
    EXPECT_EQ(cfg.tool("C"), ToolKind::crop);
    // Both arrow (default) and line (override) use A: the first in tool order wins.
    EXPECT_EQ(cfg.tool("A"), ToolKind::arrow);
    // Kept for the next start (the stored form is the settings view-model's test).
    EXPECT_EQ(Cfg(store).shortcutKey(ToolKind::crop).value_or(""), "C");
    EXPECT_FALSE(Cfg(store).shortcutKey(ToolKind::text).has_value());
}
