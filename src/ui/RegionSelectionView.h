#pragma once

#include "capture/RegionSelectionModel.h"
#include "platform/Display.h"

#include <QImage>
#include <QWidget>
#include <functional>

namespace mebo {

class RecordingAreaPanel;
class WindowSnapper;

// One display's part of the region overlay: paints the picture taken before the overlay
// appeared, dims everything outside the selection, outlines the selection with its handles and
// the snapped window, and shows the hint line and the heads-up size label. Mouse input goes to
// its RegionSelectionModel; keys are routed by the owner (the keyboard is grabbed by one window).
// Model coordinates are window space; the view maps them onto its own pixels. Main thread.
class RegionSelectionView : public QWidget {
    Q_OBJECT
public:
    // `bounds`: the display in window space; `snapper` may be null (no snapping) and must outlive
    // the view.
    RegionSelectionView(const platform::DisplayInfo& display, const QRect& bounds, QImage picture,
                        WindowSnapper* snapper, QWidget* parent = nullptr);

    RegionSelectionModel& model() { return model_; }
    const RegionSelectionModel& model() const { return model_; }
    const platform::DisplayInfo& display() const { return display_; }
    const QImage& picture() const { return picture_; }

    // The part of the picture under `rect` (window space), clipped to the display.
    QImage cut(const QRect& rect) const;
    // Applies a key; answers whether it was used.
    bool applyKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Drops the selection (another display took it).
    void clearSelection();
    // Updates the hover from a pointer position in window space (also before any mouse event).
    void hoverAt(const QPoint& point);
    // The same at the pointer's current place, when it is over this view (the snap candidates
    // arrived after the view was shown).
    void hoverAtPointer();
    // After changing the model's settings from outside.
    void refresh();
    // Cuts the view loose from its owner before it goes away: no more callbacks or hit tests, so
    // a late event cannot reach a later presentation.
    void detach();

    RecordingAreaPanel* recordingPanel() const { return panel_; }

    // Set by the owner.
    std::function<void(const RegionSelectionModel::Finish&)> onFinished;
    std::function<void()> onSelectionTaken;

    static QColor strokeColor();
    static QColor maskColor();
    static QColor headsUpBackground();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QPoint toModel(const QPointF& local) const;
    QRect toWidget(const QRect& modelRect) const;
    void afterInput(bool hadSelection);
    void deliver(const RegionSelectionModel::Finish& f);
    void updateCursor();
    void updatePanel();
    void paintHeadsUp(QPainter& p);
    void paintHint(QPainter& p);
    // The magnifier beside the pointer: the pixels around it enlarged, its position and colour.
    void paintLoupe(QPainter& p);
    // The picture's pixel under a model point.
    QPoint picturePixel(const QPoint& modelPoint) const;

    platform::DisplayInfo display_;
    QImage picture_;
    WindowSnapper* snapper_;
    RegionSelectionModel model_;
    RecordingAreaPanel* panel_ = nullptr;
    bool pointerInside_ = false; // the loupe follows the pointer on this display only
};

} // namespace mebo
