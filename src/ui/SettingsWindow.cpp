#include "ui/SettingsWindow.h"

#include "ui/AboutSettingsTab.h"
#include "ui/GeneralSettingsTab.h"
#include "ui/LogsSettingsTab.h"
#include "ui/ShortcutsSettingsTab.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

namespace mebo {

SettingsWindow::SettingsWindow(SettingsVM& vm, QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Mebo Settings"));
    setObjectName(QStringLiteral("settingsWindow"));

    general_ = new GeneralSettingsTab(vm);
    shortcuts_ = new ShortcutsSettingsTab(vm);
    logs_ = new LogsSettingsTab(vm);
    about_ = new AboutSettingsTab;

    tabs_ = new QTabWidget(this);
    tabs_->setDocumentMode(true);
    // Indices follow SettingsTab.
    tabs_->addTab(general_, QStringLiteral("General"));
    tabs_->addTab(shortcuts_, QStringLiteral("Shortcuts"));
    tabs_->addTab(logs_, QStringLiteral("Logs"));
    tabs_->addTab(about_, QStringLiteral("About"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 8, 0, 0);
    layout->addWidget(tabs_);

    connect(about_, &AboutSettingsTab::checkForUpdatesRequested, this,
            &SettingsWindow::checkForUpdatesRequested);
    resize(640, 620);
    setMinimumSize(560, 420);
    // Escape closes, as in a dialog.
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    close->setContext(Qt::WindowShortcut);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

void SettingsWindow::showTab(SettingsTab tab) {
    tabs_->setCurrentIndex(int(tab));
    if (!isVisible()) {
        // Centred on the screen under the pointer each time it opens.
        const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
        if (!screen) {
            screen = QGuiApplication::primaryScreen();
        }
        if (screen) {
            QRect frame(QPoint(), size());
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
}

SettingsTab SettingsWindow::currentTab() const {
    return SettingsTab(tabs_->currentIndex());
}

} // namespace mebo
