#pragma once

#include <QString>
#include <optional>

namespace mebo {

// The windows a relaunch after an update opens again: the main window, the settings window on
// its tab. Travels to the new instance as text ("main,settings:3").
struct RelaunchWindows {
    bool mainWindow = false;
    std::optional<int> settingsTab;

    QString encode() const;
    static RelaunchWindows decode(const QString& text);
    // The windows this launch was asked to reopen (read once: the variable is cleared).
    static std::optional<RelaunchWindows> takeFromEnvironment();
};

} // namespace mebo
