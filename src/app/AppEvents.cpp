#include "app/AppEvents.h"

namespace mebo {

AppEvents::AppEvents(QObject* parent) : QObject(parent) {}

void AppEvents::postSaveDirectoryChanged(const QString& path) {
    Q_EMIT meboSaveDirectoryChanged(path);
    Q_EMIT notificationPosted(QString::fromLatin1(saveDirectoryChangedName), QVariant(path));
}

} // namespace mebo
