#pragma once

#include "app/BuildFeatures.h"
#include "app/SettingsTab.h"

#include <QKeySequence>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QMenuBar;

namespace mebo {

// The main window's menu bar: Mebo, File, Edit, Arrange, View. Items other than the
// application menu's are named by their action selectors ("saveDocument:", "zoomIn:" ...) and
// go to whoever handles them; an item nobody handles is disabled.
class MainMenu {
public:
    struct Handler {
        std::function<void(SettingsTab)> openSettings;
        std::function<void()> checkForUpdates;
        std::function<void()> quit; // Ctrl+Q: hides the windows, the application keeps running
        std::function<void(const QString& selector)> perform;
        std::function<bool(const QString& selector)> isEnabled;
    };

    struct Item {
        QString menu;
        QString title;
        QString selector; // empty for separators and application-menu items
        QList<QKeySequence> keys;
    };

    // The items in order (separators have an empty title).
    static QList<Item> items(const QString& version);
    // The feature an item belongs to, when the build may lack it (the item is then disabled and
    // its tooltip says why).
    static std::optional<Feature> featureOf(const QString& selector);
    // Fills `bar`; the items' enabled state is refreshed each time a menu opens.
    static void build(QMenuBar& bar, const QString& version, Handler handler);
};

} // namespace mebo
