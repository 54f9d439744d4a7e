#pragma once

#include "app/AppearanceMode.h"

#include <QColor>
#include <QPalette>
#include <optional>

namespace mebo {

class Cfg;
namespace platform {
class ColorScheme;
}

// The application's two colour sets for the Fusion style (a light one in the manner of the
// GNOME desktop and a neutral dark one), and the rule that picks one. Every colour the desktop
// shell uses is defined here.
class AppPalette {
public:
    static QPalette light();
    static QPalette dark();

    // `system` follows the desktop's preference when it is known, else light.
    static bool usesDark(AppearanceMode mode, std::optional<bool> systemPrefersDark);
    // Sets the application's palette for `mode`. Main thread, with a QApplication.
    static void apply(AppearanceMode mode, std::optional<bool> systemPrefersDark);
    // Applies the stored mode now and keeps the palette current: the settings store's
    // appearance changes and, while the mode is `system`, the desktop's own changes. Both
    // references must outlive the application's event loop.
    static void install(Cfg& cfg, platform::ColorScheme& scheme);

    // Whether `palette` is a dark one (its window colour is dark).
    static bool isDark(const QPalette& palette);
    // Text colours for log levels and states, readable on `palette`'s base colour.
    static QColor warningText(const QPalette& palette);
    static QColor errorText(const QPalette& palette);
    static QColor successText(const QPalette& palette);
};

} // namespace mebo
