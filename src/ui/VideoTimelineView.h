#pragma once

#include "video/RegionRef.h"
#include "video/SpanDrag.h"
#include "video/VideoRegions.h"

#include <QWidget>

class QPainter;
#include <functional>
#include <optional>

namespace mebo {

class VideoEditorVM;
class VideoTimelineStrips;

// The video editor's timeline: a time ruler (click or drag to seek) over one row per edit list.
// A span is selected by a click, moved by a drag inside it and resized by a drag at an edge (on
// the quarter-second grid, Shift for free); the edit reaches the model once, on release. The rows'
// context menus add regions and carry the track and chapter commands. Ctrl+wheel zooms, the wheel
// scrolls. Main thread.
class VideoTimelineView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kGutter = 96; // the row titles
    static constexpr int kRulerHeight = 24;
    static constexpr int kRowHeight = 24;
    static constexpr double kMaxZoom = 64;

    // `seek` moves the playhead (the player's seek, so playing goes on from there).
    VideoTimelineView(VideoEditorVM& vm, std::function<void(double)> seek, QWidget* parent = nullptr);

    // The source's pictures and sound under the ruler (none: no band); not owned.
    void setStrips(const VideoTimelineStrips* strips);
    static constexpr int kPictureBandHeight = 40;
    static constexpr int kSoundBandHeight = 28;
    int stripsHeight() const { return strips_ ? kPictureBandHeight + kSoundBandHeight : 0; }

    // The rows in display order.
    static const QList<RegionRef::List>& rows();
    static QString rowTitle(RegionRef::List list);
    // A ruler tick's label: m:ss, with hundredths when the ticks fall between seconds (as the
    // transport's clock reads).
    static QString rulerLabel(double t, double step);
    // The ruler's tick step in seconds: the shortest of a fixed ladder (a quarter second to ten
    // minutes) whose labels lie kMinLabelSpacing apart when duration spans width pixels.
    static constexpr double kMinLabelSpacing = 56;
    static double rulerStep(double duration, double width);

    double zoom() const { return zoom_; }
    void setZoom(double zoom);
    // Pixel positions (widget coordinates) and times, for the view and its tests.
    double xOfTime(double t) const;
    double timeAtX(double x) const;
    int rowTop(RegionRef::List list) const;
    // The rename sheet of a chapter, as the chapter menu opens it (answers the typed title).
    std::function<std::optional<QString>(const QString& current)> askChapterTitle;

    QSize sizeHint() const override;

Q_SIGNALS:
    // A span was changed by a drag (for the status line).
    void spanEdited();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct Drag {
        RegionRef ref;
        SpanDrag::Mode mode;
        TimeRange original;
        double grabTime = 0;
        TimeRange current;
    };
    double scaleWidth() const;
    std::optional<RegionRef::List> rowAt(int y) const;
    void showRowMenu(RegionRef::List list, double t, const QPoint& globalPos);

    void paintStrips(QPainter& p);

    VideoEditorVM& vm_;
    const VideoTimelineStrips* strips_ = nullptr;
    std::function<void(double)> seek_;
    double zoom_ = 1;
    double scroll_ = 0; // pixels of the time scale scrolled off to the left
    bool scrubbing_ = false;
    std::optional<Drag> drag_;
};

} // namespace mebo
