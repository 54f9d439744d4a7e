#pragma once

#include <QByteArray>
#include <QString>

namespace mebo {

// A layer as project files store it: its type string and its payload's JSON bytes (Base64 in
// the file).
struct AnyCodableLayer {
    QString type;
    QByteArray data;

    bool operator==(const AnyCodableLayer&) const = default;
};

} // namespace mebo
