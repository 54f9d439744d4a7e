#include "ui/SettingsWindow.h"
#include "TestPaths.h"
#include "app/CapturePrefs.h"
#include "support/Fakes.h"
#include "support/Files.h"
#include "support/SettingsParts.h"
#include "support/TestUtil.h"
#include "ui/AppPalette.h"
#include "ui/GeneralSettingsTab.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyleFactory>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace mebo {
namespace {

class SettingsWindowTest : public ::testing::Test, public test::SettingsParts {
protected:
    SettingsWindowTest() {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(AppPalette::light());
        test::drainEvents();
        AppLogger::shared().clear(); // the settings store's start-up line
    }
    ~SettingsWindowTest() override { QApplication::setPalette(AppPalette::light()); }

    SettingsWindow window{vm};
    CapturePrefs prefs{defaults};
};

TEST_F(SettingsWindowTest, GeneralTabAppliesTypedLimitsOnlyWhenComplete) {
    window.showTab(SettingsTab::general);
    GeneralSettingsTab* general = window.generalTab();
    QSpinBox* limit = general->historyLimitBox();
    EXPECT_EQ(limit->text(), QStringLiteral("Unlimited"));

    // Typing "15" must not prune the library to 1 on the way.
    limit->setFocus();
    limit->selectAll();
    QTest::keyClicks(limit, QStringLiteral("15"));
    EXPECT_TRUE(history.calls.isEmpty());
    QTest::keyClick(limit, Qt::Key_Return);
    EXPECT_EQ(cfg.historyMaxCount(), 15);
    EXPECT_EQ(history.calls, QStringList{QStringLiteral("apply 15")});

    // A wheel turn over the box while the user is elsewhere changes nothing.
    general->copyToClipboardBox()->setFocus();
    QWheelEvent wheel(QPointF(5, 5), limit->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(limit, &wheel);
    EXPECT_EQ(cfg.historyMaxCount(), 15);

    // Check boxes and the appearance menu write through (what the mode does is the view-model's);
    // outside changes come back.
    general->copyToClipboardBox()->click();
    EXPECT_TRUE(cfg.copyToClipboard());
    cfg.setCopyToClipboard(false);
    EXPECT_FALSE(general->copyToClipboardBox()->isChecked());
    general->appearanceBox()->setCurrentIndex(2);
    EXPECT_EQ(cfg.appearanceMode(), AppearanceMode::dark);

    // A switch that fails leaves the box as the disk says; once the folder can be written it works.
    test::writeBytes(path(QStringLiteral("autostart")), {}); // a file where the folder should be
    general->launchAtLoginBox()->click();
    EXPECT_FALSE(general->launchAtLoginBox()->isChecked());
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("autostart"))));
    general->launchAtLoginBox()->click();
    EXPECT_TRUE(general->launchAtLoginBox()->isChecked());
    EXPECT_TRUE(login.isEnabled());

    dialogs.folderAnswer = tmp.path();
    general->changeFolderButton()->click();
    ASSERT_TRUE(test::waitUntil([&] { return general->saveFolderField()->text() == tmp.path(); }));
}

TEST_F(SettingsWindowTest, AfterCaptureDelayNameAndQualityAreStored) {
    vm.setCapturePrefs(&prefs);
    GeneralSettingsTab tab(vm);
    tab.openEditorBox()->setChecked(false);
    EXPECT_FALSE(cfg.openEditorAfterCapture());
    tab.notifyBox()->setChecked(true);
    EXPECT_TRUE(prefs.notifyAfterCapture());
    tab.delayBox()->setCurrentIndex(tab.delayBox()->findData(5));
    EXPECT_EQ(prefs.delaySeconds(), 5);
    tab.qualityBox()->setValue(70);
    EXPECT_EQ(prefs.exportQuality(), 70);

    // The name: previewed while typing, stored when left, refused when it would leave the folder.
    tab.templateField()->setText(QStringLiteral("shot-{yyyy}"));
    Q_EMIT tab.templateField()->textEdited(tab.templateField()->text());
    EXPECT_EQ(tab.templatePreview()->text(),
              QStringLiteral("Next capture: shot-%1.png").arg(QDate::currentDate().year()));
    Q_EMIT tab.templateField()->editingFinished();
    EXPECT_EQ(cfg.filenameTemplate(), QStringLiteral("shot-{yyyy}"));
    for (const char* bad : {"a/{yyyy}", "", "  ", "{ }"}) {
        tab.templateField()->setText(QString::fromLatin1(bad));
        Q_EMIT tab.templateField()->editingFinished();
        EXPECT_EQ(tab.templateField()->text(), QStringLiteral("shot-{yyyy}")) << bad;
    }
    EXPECT_EQ(cfg.filenameTemplate(), QStringLiteral("shot-{yyyy}"));

    // Another window's change shows here.
    prefs.setDelaySeconds(10);
    vm.setDelaySeconds(10);
    EXPECT_EQ(tab.delayBox()->currentData().toInt(), 10);
}

} // namespace
} // namespace mebo
