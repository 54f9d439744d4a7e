#pragma once

#include "app/SettingsTab.h"

#include <QWidget>

class QTabWidget;

namespace mebo {

class AboutSettingsTab;
class CompanionVM;
class FeedbackVM;
class UpdateVM;
class GeneralSettingsTab;
class LogsSettingsTab;
class SettingsVM;
class ShortcutsSettingsTab;

// The settings window: General, Shortcuts, Logs and About, in that order. Closing it only hides
// it; the owner keeps it for the application's lifetime. Main thread.
class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    explicit SettingsWindow(SettingsVM& vm, QWidget* parent = nullptr);

    // Shows the window on `tab`, raised and activated (also when it was hidden or minimised).
    void showTab(SettingsTab tab);
    SettingsTab currentTab() const;
    // The online services' parts: update status on About, automatic checks on General, and the
    // Feedback and Hotkeys tabs (after About). Once, right after construction.
    void addServiceSections(UpdateVM& updates, FeedbackVM& feedback, CompanionVM& companion);

    QTabWidget* tabs() const { return tabs_; }
    GeneralSettingsTab* generalTab() const { return general_; }
    ShortcutsSettingsTab* shortcutsTab() const { return shortcuts_; }
    LogsSettingsTab* logsTab() const { return logs_; }
    AboutSettingsTab* aboutTab() const { return about_; }

Q_SIGNALS:
    // "Check for Updates..." on the About tab.
    void checkForUpdatesRequested();

private:
    QTabWidget* tabs_ = nullptr;
    GeneralSettingsTab* general_ = nullptr;
    ShortcutsSettingsTab* shortcuts_ = nullptr;
    LogsSettingsTab* logs_ = nullptr;
    AboutSettingsTab* about_ = nullptr;
};

} // namespace mebo
