#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

namespace mebo {

// The application's notification hub. Posters and observers share one instance that the
// composition root creates and passes by reference; nothing looks it up globally. Main thread.
class AppEvents : public QObject {
    Q_OBJECT
public:
    // Name of the notification announcing a new save folder (object: the folder path).
    static constexpr const char* saveDirectoryChangedName = "meboSaveDirectoryChanged";

    explicit AppEvents(QObject* parent = nullptr);

    // Announces that the save folder is now `path` (after the settings store has stored it).
    void postSaveDirectoryChanged(const QString& path);

Q_SIGNALS:
    void meboSaveDirectoryChanged(const QString& path);
    // Every posted notification by name with its object, for observers that want them all
    // (logging, the command line).
    void notificationPosted(const QString& name, const QVariant& object);
};

} // namespace mebo
