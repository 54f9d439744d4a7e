#pragma once

#include <QImage>
#include <QPoint>
#include <memory>
#include <optional>

namespace mebo::platform::x11 {

class X11Connection;

// The current pointer image from XFixes (root grabs never contain the pointer).
class X11CursorImage {
public:
    // Nothing without XFixes or when the server does not answer.
    static std::optional<X11CursorImage> read(const X11Connection& conn);

    const QImage& image() const { return image_; } // premultiplied ARGB
    QPoint topLeft() const { return topLeft_; }    // root pixels (position minus hotspot)

    // Draws the pointer onto `frame`, whose top-left pixel is root pixel `frameOrigin`.
    void drawOnto(QImage& frame, const QPoint& frameOrigin) const;

private:
    QImage image_;
    QPoint topLeft_;
};

} // namespace mebo::platform::x11
