#pragma once

#include "app/ShortcutRouter.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace mebo {

// The application-wide Ctrl+S, Ctrl+C and Ctrl+V monitors: an event filter on the application
// that sees the keys before menu shortcuts and focused widgets do, describes the moment to the
// router and consumes what it used. Main thread only.
class KeyMonitors : public QObject {
    Q_OBJECT
public:
    // `mainWindow` answers the main window (may be null).
    KeyMonitors(ShortcutRouter& router, std::function<QWidget*()> mainWindow, QObject* parent = nullptr);
    ~KeyMonitors() override;

    // Installs the three monitors, each once (logged); remove() takes them away again.
    void install();
    void remove();
    bool installed() const { return installed_; }

    // The scene for a key event delivered to `receiver` (or, for menu commands, none).
    ShortcutScene sceneFor(QObject* receiver) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ShortcutRouter& router_;
    std::function<QWidget*()> mainWindow_;
    bool installed_ = false;
    bool loggedInstall_ = false;
    int swallowKey_ = 0; // the key press that follows a consumed shortcut
};

} // namespace mebo
