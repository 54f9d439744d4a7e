#pragma once

#include "video/VideoEnums.h"
#include "video/VideoRegions.h"

#include <QColor>
#include <QList>
#include <QSize>
#include <QString>

class QPainter;

namespace mebo {

// The chapter progress bar burned into an export with chapters, in the user's display style. The
// tiled chapters are laid out on the output timeline (a chapter cut away entirely disappears);
// the bar runs along the bottom of the frame.
class ChapterProgressBar {
public:
    struct Chapter {
        double start = 0; // output seconds
        double end = 0;
        QString title;
        QColor colour;
    };

    ChapterProgressBar(const QList<VideoChapterExportSegment>& tiled,
                       const QList<VideoExportTimeMapSegment>& map, double outputDuration,
                       VideoChapterDisplayStyle style, QSize frame);

    void draw(QPainter& painter, double outputTime) const;
    const QList<Chapter>& chapters() const { return chapters_; }

    // Source chapters on the output timeline: each boundary at the output time of the first kept
    // source time at or after it; chapters left shorter than a millisecond are dropped.
    static QList<Chapter> onOutput(const QList<VideoChapterExportSegment>& tiled,
                                   const QList<VideoExportTimeMapSegment>& map, double outputDuration);
    // The space kept around the bar and between its parts: 0.003 × the height, within 2...6 px.
    static double spacing(int frameHeight);
    // The bar's rectangle in the frame for `style`.
    QRectF barRect() const;

private:
    void drawSegments(QPainter& p, const QRectF& bar, double t, double radius, double gap) const;
    void drawSeparators(QPainter& p, const QRectF& bar) const;
    void drawTitle(QPainter& p, const QString& text, const QRectF& box, bool current,
                   Qt::Alignment align) const;
    int currentIndex(double t) const;
    double xAt(const QRectF& bar, double t) const;

    QList<Chapter> chapters_;
    double duration_ = 0;
    VideoChapterDisplayStyle style_;
    QSize frame_;
    double space_ = 2;
};

} // namespace mebo
