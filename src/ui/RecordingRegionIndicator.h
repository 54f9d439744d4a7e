#pragma once

#include <QRect>
#include <QRegion>
#include <QWidget>

namespace mebo {

// The frame around the rectangle being recorded: a ring drawn just outside it, so that none of
// its pixels is in the recording. A shaped, click-through window above the others; the recorded
// rectangle itself is cut out of the window's shape, so the desktop shows through untouched.
class RecordingRegionIndicator : public QWidget {
    Q_OBJECT
public:
    static constexpr int borderWidth = 3;

    explicit RecordingRegionIndicator(QWidget* parent = nullptr);

    // Frames `recorded` (global coordinates); hidden when no part of the ring fits on `screens`
    // (a whole-display recording).
    void showAround(const QRect& recorded, const QList<QRect>& screens);
    void setPaused(bool paused);
    QRect recorded() const { return recorded_; }

    // The ring's shape in global coordinates: `border` pixels wide around `recorded`, kept on the
    // screens, never covering `recorded`.
    static QRegion ring(const QRect& recorded, const QList<QRect>& screens, int border = borderWidth);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect recorded_;
    bool paused_ = false;
};

} // namespace mebo
