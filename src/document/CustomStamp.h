#pragma once

#include <QString>

namespace mebo {

// One user-imported stamp image, as listed in the stamps folder's "index.json".
struct CustomStamp {
    QString id;       // UUID text
    QString filename; // the image's name inside the stamps folder
    QString label;

    bool operator==(const CustomStamp&) const = default;
};

} // namespace mebo
