#include "recording/WebcamPip.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace mebo {

namespace {
constexpr double kMargin = 20;
constexpr double kCameraCornerRadius = 12;
} // namespace

WebcamPipGeometry webcamPipGeometry(QSize screen, QSize camera, double scale, WebcamPosition position) {
    const double W = screen.width();
    const double H = screen.height();
    const double pipW = scale * W;
    const double pipH = double(camera.height()) / std::max(camera.width(), 1) * pipW;
    const bool left = position == WebcamPosition::topLeft || position == WebcamPosition::bottomLeft;
    const bool top = position == WebcamPosition::topLeft || position == WebcamPosition::topRight;
    const double x = left ? kMargin : W - pipW - kMargin;
    // The positions are measured from the bottom-left corner; the frame's rows from the top.
    const double bottom = top ? H - pipH - kMargin : kMargin;
    const double y = H - bottom - pipH;
    WebcamPipGeometry g;
    g.rect = QRect(int(std::lround(x)), int(std::lround(y)), int(std::lround(pipW)), int(std::lround(pipH)));
    g.cornerRadius = kCameraCornerRadius * (pipW / std::max(camera.width(), 1));
    return g;
}

QRect WebcamPip::composite(QImage& frame, const QImage& camera, double scale, WebcamPosition position) {
    if (camera.isNull() || frame.isNull()) {
        return {};
    }
    if (camera.cacheKey() != cameraKey_ || frame.size() != frameSize_ || scale != scale_ ||
        position != position_) {
        cameraKey_ = camera.cacheKey();
        frameSize_ = frame.size();
        scale_ = scale;
        position_ = position;
        geometry_ = webcamPipGeometry(frame.size(), camera.size(), scale, position);
        const QSize size = geometry_.rect.size();
        if (size.isEmpty()) {
            picture_ = QImage();
            return {};
        }
        const QImage scaled = camera.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        picture_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
        picture_.fill(Qt::transparent);
        QPainter p(&picture_);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QBrush(scaled));
        p.drawRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), geometry_.cornerRadius,
                          geometry_.cornerRadius);
    }
    if (picture_.isNull()) {
        return {};
    }
    QPainter p(&frame);
    p.drawImage(geometry_.rect.topLeft(), picture_);
    return geometry_.rect.intersected(frame.rect());
}

} // namespace mebo
