#include "capture/LastRegionStore.h"

#include "platform/DefaultsStore.h"

#include <QVariantList>
#include <cmath>

namespace mebo {

LastRegionStore::LastRegionStore(platform::DefaultsStore& defaults) : defaults_(defaults) {}

QString LastRegionStore::rawValue(RegionKind kind) {
    switch (kind) {
    case RegionKind::area:
        return QStringLiteral("area");
    case RegionKind::record:
        return QStringLiteral("record");
    case RegionKind::scroll:
        return QStringLiteral("scroll");
    }
    return QStringLiteral("area");
}

QString LastRegionStore::key(RegionKind kind) {
    return QStringLiteral("capture.lastRegion.") + rawValue(kind);
}

bool LastRegionStore::remember(RegionKind kind, const QRect& rect) {
    const QRect r = rect.normalized();
    if (r.width() < minSide || r.height() < minSide) {
        return false;
    }
    defaults_.set(key(kind),
                  QVariantList{double(r.x()), double(r.y()), double(r.width()), double(r.height())});
    return true;
}

std::optional<QRect> LastRegionStore::recall(RegionKind kind) const {
    const QVariant value = defaults_.object(key(kind));
    if (value.typeId() != QMetaType::QVariantList) {
        return std::nullopt;
    }
    const QVariantList list = value.toList();
    if (list.size() != 4) {
        return std::nullopt;
    }
    double n[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        n[i] = list[i].toDouble(&ok);
        if (!ok || !std::isfinite(n[i])) {
            return std::nullopt;
        }
    }
    const QRect r =
        QRect(int(std::lround(n[0])), int(std::lround(n[1])), int(std::lround(n[2])), int(std::lround(n[3])))
            .normalized();
    if (r.width() < minSide || r.height() < minSide) {
        return std::nullopt;
    }
    return r;
}

} // namespace mebo
