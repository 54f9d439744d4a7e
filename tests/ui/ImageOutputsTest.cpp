// A picture pinned to the screen, the Save As filters, the tray icon on light and dark panels and
// the settings window's capture choices.
#include "ui/ImageOutputs.h"
#include "app/AppEvents.h"
#include "app/AppLogger.h"
#include "app/CapturePrefs.h"
#include "app/Cfg.h"
#include "app/LaunchAtLogin.h"
#include "app/SettingsVM.h"
#include "capture/SandboxFolderAccess.h"
#include "support/Fakes.h"
#include "support/TestUtil.h"
#include "ui/GeneralSettingsTab.h"
#include "ui/PinWindow.h"
#include "ui/SettingsWindow.h"
#include "ui/StatusIcon.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace mebo {
namespace {

QImage checker(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            img.setPixel(x, y, (x / 10 + y / 10) % 2 ? qRgb(240, 90, 20) : qRgb(20, 60, 200));
        }
    }
    return img;
}

void wheel(QWidget* w, QPoint at, int notches) {
    QWheelEvent e(QPointF(at), QPointF(w->mapToGlobal(at)), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

TEST(PinWindow, ZoomsAboutThePointerCopiesAndClosesWithEscape) {
    QPointer<PinWindow> pin = new PinWindow(checker({200, 100}), QStringLiteral("shot.png"));
    pin->show();
    const double dpr = pin->devicePixelRatioF();
    EXPECT_EQ(pin->size(), QSize(int(200 / dpr), int(100 / dpr)));
    EXPECT_TRUE(pin->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(pin->windowFlags() & Qt::FramelessWindowHint);

    const QRect before = pin->geometry();
    wheel(pin, QPoint(0, 0), 1); // about the top-left corner: it stays
    EXPECT_DOUBLE_EQ(pin->zoom(), PinWindow::kZoomStep);
    EXPECT_EQ(pin->geometry().topLeft(), before.topLeft());
    EXPECT_GT(pin->width(), before.width());
    for (int i = 0; i < 40; ++i) {
        wheel(pin, QPoint(5, 5), -1);
    }
    EXPECT_DOUBLE_EQ(pin->zoom(), PinWindow::kMinZoom); // never below the floor

    QTest::keyClick(pin, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(200, 100));
    QTest::keyClick(pin, Qt::Key_Escape);
    test::drainEvents();
    EXPECT_TRUE(pin.isNull()); // closed and gone
}

TEST(ImageOutputs, SaveAsOffersPngJpegAndWebpAndKeepsTheNamesType) {
    const QStringList filters = ImageOutputs::fileFilters();
    ASSERT_EQ(filters.size(), 3);
    const struct {
        const char* name;
        int filter;
    } cases[] = {{"a.png", 0}, {"b.JPG", 1}, {"c.jpeg", 1}, {"d.webp", 2}, {"e", 0}, {"f.bmp", 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(ImageOutputs::filterFor(QString::fromLatin1(c.name)), filters.at(c.filter)) << c.name;
    }
}

// Light strokes alone vanish on a light panel: the icon keeps enough contrast on both.
TEST(StatusIcon, StandsOutOnLightAndDarkPanels) {
    for (const QIcon& icon : {StatusIcon::viewfinder(false), StatusIcon::countdown(3)}) {
        const QImage glyph = icon.pixmap(22, 22).toImage().convertToFormat(QImage::Format_ARGB32);
        for (const QColor& panel : {QColor(0xf6, 0xf5, 0xf4), QColor(0x24, 0x1f, 0x31)}) {
            QImage shown(glyph.size(), QImage::Format_RGB32);
            shown.fill(panel);
            QPainter(&shown).drawImage(0, 0, glyph);
            int contrasting = 0;
            for (int y = 0; y < shown.height(); ++y) {
                for (int x = 0; x < shown.width(); ++x) {
                    contrasting += std::abs(qGray(shown.pixel(x, y)) - qGray(panel.rgb())) > 90 ? 1 : 0;
                }
            }
            EXPECT_GT(contrasting, 25) << panel.name().toStdString();
        }
    }
}

class SettingsCaptureChoices : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    test::FakeDefaultsStore defaults;
    Cfg cfg{defaults, tmp.filePath(QStringLiteral("lib"))};
    AppEvents events;
    test::FakeDialogs dialogs;
    SandboxFolderAccess folders{cfg, events, dialogs, tmp.filePath(QStringLiteral("Pictures/mebo"))};
    LaunchAtLogin launch{tmp.filePath(QStringLiteral("autostart")), QStringLiteral("/usr/bin/mebo")};
    test::FakeClipboard clipboard;
    SettingsVM vm{cfg, folders, launch, dialogs, clipboard, AppLogger::shared()};
    CapturePrefs prefs{defaults};
};

TEST_F(SettingsCaptureChoices, AfterCaptureDelayNameAndQualityAreStored) {
    vm.setCapturePrefs(&prefs);
    GeneralSettingsTab tab(vm);
    tab.openEditorBox()->setChecked(false);
    EXPECT_FALSE(cfg.openEditorAfterCapture());
    EXPECT_EQ(defaults.object(QStringLiteral("mebo.openEditorAfterCapture")),
              QVariant(false)); // for the next start
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
    for (const char* bad : {"a/{yyyy}", "", "  "}) {
        EXPECT_FALSE(vm.setFilenameTemplate(QString::fromLatin1(bad)).isEmpty()) << bad;
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

TEST_F(SettingsCaptureChoices, TheWindowOpensCentredAndEscapeClosesIt) {
    SettingsWindow window(vm);
    window.showTab(SettingsTab::general);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((window.geometry().center() - screen.center()).manhattanLength(), 4);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

} // namespace
} // namespace mebo
