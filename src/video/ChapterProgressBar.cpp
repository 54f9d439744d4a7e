#include "video/ChapterProgressBar.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

// Helvetica's metric twin from the URW base fonts; any sans face where it is missing.
QFont titleFont(double pixelSize, bool bold) {
    QFont font(QStringLiteral("Nimbus Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    font.setWeight(bold ? QFont::Bold : QFont::Medium);
    return font;
}

// The output time of the first kept source time at or after `s`.
double outputTimeFrom(const QList<VideoExportTimeMapSegment>& map, double s, double outputDuration) {
    for (const VideoExportTimeMapSegment& seg : map) {
        if (s <= seg.sourceStart) {
            return seg.compStart;
        }
        if (s < seg.sourceEnd()) {
            return seg.compStart + (s - seg.sourceStart) / seg.speed;
        }
    }
    return outputDuration;
}

} // namespace

ChapterProgressBar::ChapterProgressBar(const QList<VideoChapterExportSegment>& tiled,
                                       const QList<VideoExportTimeMapSegment>& map, double outputDuration,
                                       VideoChapterDisplayStyle style, QSize frame)
    : chapters_(onOutput(tiled, map, outputDuration)), duration_(outputDuration), style_(style),
      frame_(frame), space_(spacing(frame.height())) {}

QList<ChapterProgressBar::Chapter> ChapterProgressBar::onOutput(const QList<VideoChapterExportSegment>& tiled,
                                                                const QList<VideoExportTimeMapSegment>& map,
                                                                double outputDuration) {
    QList<Chapter> out;
    for (const VideoChapterExportSegment& c : tiled) {
        const double a = outputTimeFrom(map, c.startSec, outputDuration);
        const double b = outputTimeFrom(map, c.endSec, outputDuration);
        if (b - a > 0.001) {
            const auto& k = c.colorRGBA;
            out.append(
                {a, b, c.title,
                 QColor::fromRgbF(float(std::clamp(k[0], 0.0, 1.0)), float(std::clamp(k[1], 0.0, 1.0)),
                                  float(std::clamp(k[2], 0.0, 1.0)), float(std::clamp(k[3], 0.0, 1.0)))});
        }
    }
    return out;
}

double ChapterProgressBar::spacing(int frameHeight) {
    return std::clamp(0.003 * frameHeight, 2.0, 6.0);
}

QRectF ChapterProgressBar::barRect() const {
    const double w = frame_.width();
    const double h = frame_.height();
    const double margin = std::max(space_ * 4, 0.025 * h);
    double thickness = std::max(4.0, 0.008 * h);
    switch (style_) {
    case VideoChapterDisplayStyle::markers:
    case VideoChapterDisplayStyle::underline:
        thickness = std::max(2.0, 0.004 * h);
        break;
    case VideoChapterDisplayStyle::pill:
    case VideoChapterDisplayStyle::meter:
        thickness = std::max(8.0, 0.016 * h);
        break;
    default:
        break;
    }
    return QRectF(margin, h - margin - thickness, w - 2 * margin, thickness);
}

int ChapterProgressBar::currentIndex(double t) const {
    for (int i = 0; i < chapters_.size(); ++i) {
        if (t < chapters_[i].end || i == chapters_.size() - 1) {
            return i;
        }
    }
    return -1;
}

double ChapterProgressBar::xAt(const QRectF& bar, double t) const {
    const double f = duration_ > 0 ? std::clamp(t / duration_, 0.0, 1.0) : 0;
    return bar.left() + f * bar.width();
}

void ChapterProgressBar::drawSegments(QPainter& p, const QRectF& bar, double t, double radius,
                                      double gap) const {
    for (const Chapter& c : chapters_) {
        QRectF seg(xAt(bar, c.start), bar.top(), xAt(bar, c.end) - xAt(bar, c.start), bar.height());
        seg.adjust(gap / 2, 0, -gap / 2, 0);
        if (seg.width() <= 0) {
            continue;
        }
        p.setBrush(QColor(255, 255, 255, 90));
        p.drawRoundedRect(seg, radius, radius);
        const double played = std::clamp(xAt(bar, t) - seg.left(), 0.0, seg.width());
        if (played > 0) {
            p.save();
            p.setClipRect(QRectF(seg.left(), seg.top(), played, seg.height()));
            p.setBrush(c.colour);
            p.drawRoundedRect(seg, radius, radius);
            p.restore();
        }
    }
}

void ChapterProgressBar::drawSeparators(QPainter& p, const QRectF& bar) const {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 160));
    for (int i = 1; i < chapters_.size(); ++i) {
        const double x = std::round(xAt(bar, chapters_[i].start));
        if (x > bar.left() + 1 && x < bar.right() - 1) {
            p.drawRect(QRectF(x, bar.top(), 1, bar.height()));
        }
    }
    p.restore();
}

void ChapterProgressBar::drawTitle(QPainter& p, const QString& text, const QRectF& box, bool current,
                                   Qt::Alignment align) const {
    if (box.width() < 8 || text.isEmpty()) {
        return;
    }
    const QFont font = titleFont(std::max(10.0, 0.024 * frame_.height()), current);
    p.setFont(font);
    const QString shown = QFontMetricsF(font).elidedText(text, Qt::ElideRight, box.width());
    // A dark halo keeps the title readable on any picture.
    p.setPen(QColor(0, 0, 0, 170));
    p.drawText(box.translated(1, 1), int(align | Qt::AlignBottom), shown);
    p.setPen(current ? QColor(255, 255, 255) : QColor(255, 255, 255, 170));
    p.drawText(box, int(align | Qt::AlignBottom), shown);
}

void ChapterProgressBar::draw(QPainter& p, double t) const {
    if (chapters_.isEmpty() || frame_.isEmpty()) {
        return;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QRectF bar = barRect();
    const int current = currentIndex(t);
    const double titleHeight = std::max(14.0, 0.04 * frame_.height());
    const QRectF aboveBar(bar.left(), bar.top() - space_ - titleHeight, bar.width(), titleHeight);
    switch (style_) {
    case VideoChapterDisplayStyle::titles:
        drawSegments(p, bar, t, bar.height() / 2, space_);
        for (int i = 0; i < chapters_.size(); ++i) {
            const Chapter& c = chapters_[i];
            const double a = xAt(bar, c.start), b = xAt(bar, c.end);
            drawTitle(p, c.title, QRectF(a + space_, aboveBar.top(), b - a - 2 * space_, titleHeight),
                      i == current, Qt::AlignLeft);
        }
        break;
    case VideoChapterDisplayStyle::compact:
        drawSegments(p, bar, t, 0, 0);
        drawSeparators(p, bar);
        if (current >= 0) {
            drawTitle(p, chapters_[current].title, aboveBar, true, Qt::AlignLeft);
        }
        break;
    case VideoChapterDisplayStyle::markers: {
        p.setBrush(QColor(255, 255, 255, 100));
        p.drawRect(bar);
        const QColor colour = current >= 0 ? chapters_[current].colour : QColor(Qt::white);
        p.setBrush(colour);
        p.drawRect(QRectF(bar.left(), bar.top(), xAt(bar, t) - bar.left(), bar.height()));
        const double r = std::max(3.0, bar.height() * 1.6);
        for (int i = 1; i < chapters_.size(); ++i) {
            const double x = xAt(bar, chapters_[i].start);
            p.setBrush(chapters_[i].start <= t ? colour : QColor(255, 255, 255));
            p.drawEllipse(QPointF(x, bar.center().y()), r, r);
        }
        if (current >= 0) {
            drawTitle(p, chapters_[current].title, aboveBar.translated(0, -r), true, Qt::AlignLeft);
        }
        break;
    }
    case VideoChapterDisplayStyle::underline:
        if (current >= 0) {
            const Chapter& c = chapters_[current];
            const double a = xAt(bar, c.start), b = xAt(bar, c.end);
            const QRectF under(a, bar.top(), b - a, bar.height());
            p.setBrush(QColor(255, 255, 255, 80));
            p.drawRect(under);
            p.setBrush(c.colour);
            p.drawRect(QRectF(a, bar.top(), std::clamp(xAt(bar, t) - a, 0.0, b - a), bar.height()));
            drawTitle(p, c.title, QRectF(a, aboveBar.top(), std::max(b - a, bar.width() / 3), titleHeight),
                      true, Qt::AlignLeft);
        }
        break;
    case VideoChapterDisplayStyle::pill: {
        const QRectF pill = bar.adjusted(-space_, -space_, space_, space_);
        p.setBrush(QColor(0, 0, 0, 120));
        p.drawRoundedRect(pill, pill.height() / 2, pill.height() / 2);
        drawSegments(p, bar, t, bar.height() / 2, space_);
        if (current >= 0) {
            drawTitle(p, chapters_[current].title, aboveBar.translated(0, -space_), true, Qt::AlignHCenter);
        }
        break;
    }
    case VideoChapterDisplayStyle::meter:
        for (int i = 0; i < chapters_.size(); ++i) {
            const Chapter& c = chapters_[i];
            QRectF block(xAt(bar, c.start), bar.top(), xAt(bar, c.end) - xAt(bar, c.start), bar.height());
            block.adjust(space_ / 2, 0, -space_ / 2, 0);
            if (block.width() <= 0) {
                continue;
            }
            p.setBrush(i < current ? c.colour : QColor(255, 255, 255, 70));
            p.drawRect(block);
            if (i == current) {
                const double f =
                    c.end > c.start ? std::clamp((t - c.start) / (c.end - c.start), 0.0, 1.0) : 1;
                p.setBrush(c.colour);
                p.drawRect(QRectF(block.left(), block.top(), block.width() * f, block.height()));
            }
        }
        if (current >= 0) {
            drawTitle(p,
                      QStringLiteral("%1/%2  %3")
                          .arg(current + 1)
                          .arg(chapters_.size())
                          .arg(chapters_[current].title),
                      aboveBar, true, Qt::AlignRight);
        }
        break;
    }
    p.restore();
}

} // namespace mebo
