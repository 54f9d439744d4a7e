#pragma once

#include <QImage>
#include <QRect>
#include <optional>

namespace mebo {

// The uniform frame around a picture: at each edge, the rows or columns that are entirely that
// edge's colour (alpha included, compared exactly, as screenshots are lossless). Each edge has its
// own colour, and the edges are peeled in turns until none changes, so a frame whose sides differ
// in colour, or one band lying across the end of another, is cut whole.
class BorderTrim {
public:
    // The part of `image` inside its uniform borders; nothing when there is no border, or when the
    // whole picture is one colour (there is nothing to keep).
    static std::optional<QRect> keptRect(const QImage& image);
};

} // namespace mebo
