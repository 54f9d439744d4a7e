#pragma once

#include <QString>
#include <QStringList>

namespace mebo {

class EditorVM;

// The Edit and Arrange menus' editor commands, named by their action selectors
// ("bringLayerForward:", "selectAllLayersMenu:" ...). Main thread only.
class EditorMenuCommand {
public:
    // Every selector this class performs, in menu order.
    static QStringList selectors();
    // Runs the command on the editor; false when the selector is not an editor command.
    static bool perform(EditorVM& editor, const QString& selector);
    // Whether the command would do something now (menu items are disabled otherwise).
    static bool isEnabled(const EditorVM& editor, const QString& selector);
};

} // namespace mebo
