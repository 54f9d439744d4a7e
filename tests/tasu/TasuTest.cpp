// The hotkey companion's logic: the bindings file, the key translation for X11 grabs and what a
// pressed key opens, against a recording backend.
#include "HotkeyBackend.h"
#include "HotkeyBindings.h"
#include "KeySymbols.h"
#include "TasuController.h"
#include "support/Files.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tasu;

namespace {

class RecordingBackend : public HotkeyBackend {
public:
    QMap<QString, QString> bind(const QMap<QString, QKeySequence>& keys) override {
        bound = keys;
        ++binds;
        return refuse;
    }
    QString name() const override { return QStringLiteral("test"); }
    void press(const QString& mode) { Q_EMIT activated(mode); }

    QMap<QString, QKeySequence> bound;
    QMap<QString, QString> refuse;
    int binds = 0;
};

struct KeyCase {
    const char* key;
    uint32_t keysym;
    uint16_t modifiers;
};

class X11Keys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(X11Keys, TranslateToKeysymAndModifierMask) {
    const auto key = KeySymbols::fromQt(QKeySequence(QString::fromLatin1(GetParam().key))[0]);
    ASSERT_TRUE(key) << GetParam().key;
    EXPECT_EQ(key->keysym, GetParam().keysym) << GetParam().key;
    EXPECT_EQ(key->modifiers, GetParam().modifiers) << GetParam().key;
}

INSTANTIATE_TEST_SUITE_P(
    Tasu, X11Keys,
    ::testing::Values(KeyCase{"Ctrl+Alt+A", 'a', KeySymbols::controlMask | KeySymbols::mod1Mask},
                      KeyCase{"Shift+Meta+5", '5', KeySymbols::shiftMask | KeySymbols::mod4Mask},
                      KeyCase{"Ctrl+F12", 0xffc9, KeySymbols::controlMask}, KeyCase{"Print", 0xff61, 0},
                      KeyCase{"Alt+PgDown", 0xff56, KeySymbols::mod1Mask},
                      KeyCase{"Ctrl+-", '-', KeySymbols::controlMask}));

TEST(KeySymbols, KeysWithoutAKeysymAreRefused) {
    EXPECT_FALSE(KeySymbols::fromQt(QKeyCombination(Qt::ControlModifier, Qt::Key_VolumeUp)));
}

TEST(HotkeyBindings, FactoryKeysSaveAndLoad) {
    QTemporaryDir dir;
    const QString path = dir.filePath("tasu/bindings.json");
    HotkeyBindings b = HotkeyBindings::load(path);
    EXPECT_EQ(b.key("area"), QKeySequence("Ctrl+Alt+A"));
    EXPECT_TRUE(b.key("recordArea").isEmpty());
    b.setKey("recordArea", QKeySequence("Ctrl+Shift+R, X")); // only the first combination counts
    b.setKey("area", {});
    ASSERT_TRUE(b.save(path));
    const HotkeyBindings back = HotkeyBindings::load(path);
    EXPECT_EQ(back.key("recordArea"), QKeySequence("Ctrl+Shift+R"));
    EXPECT_TRUE(back.key("area").isEmpty());
    EXPECT_EQ(back.modeUsing(QKeySequence("Ctrl+Alt+F")), "fullscreen");
    EXPECT_EQ(back.modeUsing(QKeySequence("Ctrl+Alt+F"), "fullscreen"), "");

    mebo::test::writeBytes(path, "[1, 2");
    QString error;
    EXPECT_TRUE(HotkeyBindings::load(path, &error).key("fullscreen").isEmpty());
    EXPECT_TRUE(error.contains("not a bindings file"));
}

TEST(TasuController, BindsEveryModeOpensTheCaptureUrlAndRefusesADuplicateKey) {
    QTemporaryDir dir;
    RecordingBackend backend;
    backend.refuse.insert("scroll", "taken by another program");
    QStringList opened;
    TasuController controller(backend, dir.filePath("b.json"), [&](const QString& url) {
        opened << url;
        return true;
    });
    controller.start();
    EXPECT_EQ(backend.bound.size(), HotkeyBindings::modes().size());
    EXPECT_EQ(backend.bound.value("window"), QKeySequence("Ctrl+Alt+W"));
    EXPECT_EQ(controller.problem("scroll"), "taken by another program");
    backend.press("fullscreen");
    EXPECT_EQ(opened, QStringList{"mebo://capture?mode=fullscreen"});

    EXPECT_EQ(controller.setKey("record", QKeySequence("Ctrl+Alt+A")),
              "already used by Capture Area / Window");
    EXPECT_EQ(controller.bindings().key("record"), QKeySequence("Ctrl+Alt+R"));
    const int binds = backend.binds;
    EXPECT_EQ(controller.setKey("record", QKeySequence("Ctrl+Alt+9")), "");
    EXPECT_EQ(backend.binds, binds + 1);
    EXPECT_EQ(HotkeyBindings::load(dir.filePath("b.json")).key("record"), QKeySequence("Ctrl+Alt+9"));
}

} // namespace
