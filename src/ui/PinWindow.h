#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

namespace mebo {

// A capture pinned to the screen: a frameless window above the others showing the picture. It is
// moved by dragging, zoomed with the wheel (about the pointer) or Ctrl+0/+/-, copied with Ctrl+C
// and closed with Escape, a double click or its menu. It deletes itself when closed. Main thread.
class PinWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr double kMinZoom = 0.1;
    static constexpr double kMaxZoom = 8.0;
    static constexpr double kZoomStep = 1.25;

    // `title` names it for the window manager; the picture is shown at one image pixel per device
    // pixel, shrunk to fit the screen's available area when larger.
    PinWindow(QImage picture, const QString& title, QWidget* parent = nullptr);

    double zoom() const { return zoom_; }
    // Changes the zoom, keeping the picture point under `anchor` (widget pixels) in place.
    void setZoom(double zoom, const QPoint& anchor);
    void copyToClipboard() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QSize viewSize(double zoom) const;

    QImage picture_;
    double zoom_ = 1;
    bool dragging_ = false;
    QPoint dragOffset_; // pointer minus window position, global pixels
};

} // namespace mebo
