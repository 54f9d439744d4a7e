#pragma once

#include "video/VideoEnums.h"

#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>

namespace mebo {

// The webcam's shape: a circle (the ellipse inscribed in the render size), a plain rectangle or a
// rounded rectangle, transparent outside. The mask is built once per export; each webcam frame,
// already fitted to the render size, is cut with it.
class WebcamMask {
public:
    // Each side rounded, at least 2, odd raised by one (199.6 x 300.2 → 200 x 300).
    static QSize renderSize(QSizeF size);
    // The corner radius of the rounded shape: within [0, half the shorter side].
    static double roundedRadius(double radius, QSize size);
    // 8-bit grey, 255 visible, 0 masked, antialiased edges.
    static QImage maskImage(QSize size, WebcamMaskShape shape, double roundedRadius);
    // `frame` scaled uniformly to cover `size`, centred and cropped to it.
    static QImage coverFit(const QImage& frame, QSize size);
    // `frame` (of the mask's size) with the mask as its alpha: premultiplied ARGB.
    static QImage apply(const QImage& frame, const QImage& mask);

    // The texts of the webcam stage's failures.
    static QString readerCreationFailed(const QString& message); // "建立 webcam reader 失敗: " + message
    static QString readerFailed(const QString& message);         // "webcam reader 失敗: " + message
    static QString noVideoTrack();                               // "webcam 缺少 video track"
    static QString cancelled();                                  // "webcam mask render 已取消"
};

} // namespace mebo
