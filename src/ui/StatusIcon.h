#pragma once

#include <QIcon>

namespace mebo {

// The status item's icon: a camera viewfinder (corner brackets around a lens), drawn for the
// panel's sizes so it stays sharp; the recording variant fills the lens red.
class StatusIcon {
public:
    static QIcon viewfinder(bool recording);
    static QIcon application(); // the window and launcher icon
};

} // namespace mebo
