#pragma once

#include "document/StampPreset.h"

#include <QList>
#include <QString>

namespace mebo {

// A named group of the stamp palette.
struct StampCategory {
    QString name;
    QList<StampPreset> items;
};

} // namespace mebo
