#pragma once

#include "HotkeyBackend.h"
#include "KeySymbols.h"

#include <QAbstractNativeEventFilter>
#include <QDeadlineTimer>
#include <QList>
#include <xcb/xcb.h>

namespace tasu {

// Global keys through X11 key grabs on the root window: each combination is grabbed with and
// without Caps Lock and Num Lock, and a key press that reaches the grab reports its mode. A
// combination another program already grabbed cannot be bound ("taken").
class X11HotkeyGrabber : public HotkeyBackend, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // `connection` and `root` belong to the application's X11 connection.
    X11HotkeyGrabber(xcb_connection_t* connection, xcb_window_t root, QObject* parent = nullptr);
    ~X11HotkeyGrabber() override;

    QMap<QString, QString> bind(const QMap<QString, QKeySequence>& keys) override;
    QString name() const override { return QStringLiteral("X11"); }
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Grab {
        QString mode;
        xcb_keycode_t keycode = 0;
        uint16_t modifiers = 0;
    };
    xcb_keycode_t keycodeOf(uint32_t keysym) const;
    void releaseAll();

    xcb_connection_t* connection_;
    xcb_window_t root_;
    QList<Grab> grabs_;
    QString lastMode_;
    QDeadlineTimer repeatGuard_;
};

} // namespace tasu
