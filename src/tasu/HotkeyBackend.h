#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>

namespace tasu {

// Where global keys are bound: the X server (key grabs on the root window) or the desktop
// portal's global shortcuts. Main thread.
class HotkeyBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Replaces every binding; answers, per mode, why it could not be bound (empty when bound).
    virtual QMap<QString, QString> bind(const QMap<QString, QKeySequence>& keys) = 0;
    virtual QString name() const = 0;
    // Whether the keys are chosen in Tasu (false: the desktop asks the user itself).
    virtual bool choosesKeys() const { return true; }

Q_SIGNALS:
    // A bound key was pressed.
    void activated(const QString& modeId);
};

} // namespace tasu
