#pragma once

namespace mebo {

// The settings window's tabs, in their order; menu items open the window on one of them.
enum class SettingsTab { general = 0, shortcuts = 1, logs = 2, about = 3, feedback = 4, hotkeys = 5 };

} // namespace mebo
