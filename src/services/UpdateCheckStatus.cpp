#include "services/UpdateCheckStatus.h"

namespace mebo {

QString UpdateCheckStatus::name() const {
    switch (kind) {
    case Kind::idle:
        return QStringLiteral("idle");
    case Kind::checking:
        return QStringLiteral("checking");
    case Kind::updateAvailable:
        return QStringLiteral("updateAvailable");
    case Kind::downloading:
        return QStringLiteral("downloading");
    case Kind::readyToInstall:
        return QStringLiteral("readyToInstall");
    case Kind::upToDate:
        return QStringLiteral("upToDate");
    case Kind::error:
        return QStringLiteral("error");
    }
    return QStringLiteral("?");
}

} // namespace mebo
