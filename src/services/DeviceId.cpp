#include "services/DeviceId.h"

#include "platform/DefaultsStore.h"

#include <QUuid>

namespace mebo {

QString DeviceId::get(platform::DefaultsStore& defaults) {
    const QString name = QString::fromLatin1(key);
    const QVariant stored = defaults.object(name);
    if (stored.typeId() == QMetaType::QString && !stored.toString().isEmpty()) {
        return stored.toString();
    }
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    defaults.set(name, id);
    return id;
}

} // namespace mebo
