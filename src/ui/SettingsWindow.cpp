#include "ui/SettingsWindow.h"

#include "ui/AboutSettingsTab.h"
#include "ui/FeedbackSettingsTab.h"
#include "ui/GeneralSettingsTab.h"
#include "ui/HotkeysSettingsTab.h"
#include "ui/LogsSettingsTab.h"
#include "ui/ShortcutsSettingsTab.h"
#include "ui/UpdatePanel.h"

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

void SettingsWindow::addServiceSections(UpdateVM& updates, FeedbackVM& feedback, CompanionVM& companion) {
    about_->addUpdatePanel(new UpdatePanel(updates, about_->checkForUpdatesButton()));
    // General keeps its own page; the updates section sits under it.
    const int index = tabs_->indexOf(general_);
    auto* general = new QWidget;
    auto* column = new QVBoxLayout(general);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    tabs_->removeTab(index);
    column->addWidget(general_, 0);
    general_->show(); // taking it out of the tabs hid it
    column->addWidget(new UpdatesSection(updates), 0);
    column->addStretch(1);
    tabs_->insertTab(index, general, QStringLiteral("General"));
    tabs_->addTab(new FeedbackSettingsTab(feedback), QStringLiteral("Feedback"));
    tabs_->addTab(new HotkeysSettingsTab(companion), QStringLiteral("Hotkeys"));
}

SettingsTab SettingsWindow::currentTab() const {
    return SettingsTab(tabs_->currentIndex());
}

} // namespace mebo
