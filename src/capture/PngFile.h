#pragma once

#include <QByteArray>
#include <QString>

namespace mebo {

// Writing an encoded image file atomically: a hidden temporary sibling, its data synced to the
// disk, then renamed over `path`. False with `error` set when any step fails (nothing is left
// behind then).
namespace PngFile {
bool write(const QByteArray& bytes, const QString& path, QString* error);
}

} // namespace mebo
