#pragma once

#include "scroll/ScrollControlPanel.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <functional>

class QPushButton;

namespace mebo {

// The "Scrolling Capture" panel: a title, a spinner and Cancel, floating above other windows
// beside the scrolled region. It never takes the focus (the scrolled application keeps it, and
// Escape is grabbed for the whole desktop instead) and never covers the region or the pointer,
// so it is never in a frame. Main thread.
class ScrollCapturePanel : public QWidget, public ScrollControlPanel {
    Q_OBJECT
public:
    // `toGlobal` turns a desktop rectangle into Qt's global coordinates; `screens` answers the
    // available geometry of every screen (global coordinates).
    ScrollCapturePanel(std::function<QRect(const QRect&)> toGlobal, std::function<QList<QRect>()> screens,
                       QWidget* parent = nullptr);

    void show(const QRect& region, std::function<void()> onCancel) override;
    void bringToFront() override;
    void close() override;
    std::optional<uint32_t> windowId() const override;

    QPushButton* cancelButton() const { return cancel_; }

    static constexpr int gap = 16;    // between the region and the panel
    static constexpr int margin = 12; // kept free at the screen's edges
    // Where a `size` panel goes beside `region` (global coordinates): right, left, below, above,
    // then the corners of the screen; never over the region grown by 8 nor over `pointer`, inside
    // the available `screen` shrunk by `margin`. Nothing when no place fits.
    static std::optional<QPoint> placement(const QSize& size, const QRect& region, const QRect& screen,
                                           const QPoint& pointer);

private:
    std::function<QRect(const QRect&)> toGlobal_;
    std::function<QList<QRect>()> screens_;
    std::function<void()> onCancel_;
    QPushButton* cancel_;
};

} // namespace mebo
