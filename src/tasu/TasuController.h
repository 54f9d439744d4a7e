#pragma once

#include "HotkeyBindings.h"

#include <QMap>
#include <QObject>
#include <functional>

namespace tasu {

class HotkeyBackend;

// Tasu's logic: the bindings file, the backend that binds them, what each mode's field shows and
// what a pressed key opens. Main thread.
class TasuController : public QObject {
    Q_OBJECT
public:
    // `open` opens a URL (the desktop's URL handler in Tasu, a recorder in tests).
    TasuController(HotkeyBackend& backend, QString bindingsPath, std::function<bool(const QString&)> open,
                   QObject* parent = nullptr);

    // Loads the bindings and binds them.
    void start();
    const HotkeyBindings& bindings() const { return bindings_; }
    HotkeyBackend& backend() { return backend_; }
    // Why a mode's key is not bound (empty: bound, or no key).
    QString problem(const QString& modeId) const { return problems_.value(modeId); }

    // A key chosen for a mode; answers why it was refused (another mode has it), or nothing.
    QString setKey(const QString& modeId, const QKeySequence& key);

    // The login entry (~/.config/autostart/tasu.desktop) for `program`.
    static QString autostartPath();
    static bool startsAtLogin();
    static bool setStartsAtLogin(bool on, const QString& program);

Q_SIGNALS:
    void changed();

private:
    void rebind();
    void onActivated(const QString& modeId);

    HotkeyBackend& backend_;
    QString path_;
    std::function<bool(const QString&)> open_;
    HotkeyBindings bindings_;
    QMap<QString, QString> problems_;
};

} // namespace tasu
