#pragma once

#include <QImage>
#include <QString>
#include <optional>

namespace mebo::cli {

// An image to recognise text in, or nothing after printing why (unreadable, empty, or over 50
// megapixels, which would take minutes and gigabytes; screenshots are far below that).
std::optional<QImage> readImageForRecognition(const QString& path);

} // namespace mebo::cli
