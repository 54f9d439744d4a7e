#include "SyntheticPage.h"

#include <QFont>
#include <QPainter>
#include <QRandomGenerator>
#include <algorithm>

namespace mebo::test {

QImage syntheticPage(int width, int height, bool dark, quint32 seed) {
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(dark ? QColor(24, 26, 32) : QColor(Qt::white));
    QPainter p(&page);
    QRandomGenerator rng(seed);
    static const QStringList words = {"capture", "scroll",  "frame",   "window", "stitch", "pixel",
                                      "region",  "browser", "display", "header", "table",  "column",
                                      "content", "offset",  "border",  "margin", "layout", "shadow",
                                      "library", "history", "editor",  "arrow",  "mosaic", "record",
                                      "target",  "thread",  "queue",   "signal"};
    const QColor ink = dark ? QColor(210, 214, 220) : QColor(30, 30, 30);
    const QColor accent = dark ? QColor(120, 170, 255) : QColor(20, 70, 140);
    QFont body(QStringLiteral("DejaVu Sans"));
    body.setPixelSize(15);
    QFont heading = body;
    heading.setPixelSize(22);
    heading.setBold(true);
    int y = 20;
    int section = 1;
    while (y < height) {
        const int kind = int(rng.bounded(10));
        if (kind == 0) {
            p.setFont(heading);
            p.setPen(accent);
            p.drawText(24, y + 22,
                       QStringLiteral("%1. Section on %2").arg(section++).arg(words[rng.bounded(28)]));
            p.fillRect(24, y + 30, width - 48, 2, accent);
            y += 44;
        } else if (kind == 1) {
            // A table row with cell borders.
            p.setFont(body);
            const int cells = 4;
            const int cw = (width - 48) / cells;
            for (int c = 0; c < cells; ++c) {
                p.setPen(dark ? QColor(90, 90, 100) : QColor(170, 170, 170));
                p.drawRect(24 + c * cw, y, cw, 28);
                p.setPen(ink);
                p.drawText(30 + c * cw, y + 19,
                           QStringLiteral("%1 %2").arg(words[rng.bounded(28)]).arg(rng.bounded(1000)));
            }
            y += 28;
        } else {
            p.setFont(body);
            p.setPen(ink);
            const int lines = 1 + int(rng.bounded(4));
            for (int l = 0; l < lines; ++l) {
                QString text;
                while (text.size() < (width - 60) / 9) {
                    text += words[rng.bounded(28)] + QLatin1Char(' ');
                }
                p.drawText(24, y + 16, text);
                y += 21;
            }
            y += 10;
        }
    }
    return page;
}

QImage syntheticCodePage(int width, int height, quint32 seed) {
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    QRandomGenerator rng(seed);
    static const QStringList words = {"frame",  "stitch", "pixel",  "region", "offset", "margin",
                                      "layout", "queue",  "signal", "thread", "target", "column"};
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setPixelSize(13);
    p.setFont(mono);
    auto word = [&] { return words[int(rng.bounded(12))]; };
    int depth = 0;
    for (int y = 12, line = 1; y + 19 < height; y += 19, ++line) {
        p.setPen(QColor(150, 150, 150));
        p.drawText(16, y + 14, QString::number(line));
        const int r = int(rng.bounded(100));
        QString text;
        if (r < 12) {
            text = QStringLiteral("fn %1_%2(%3: u32) {").arg(word(), word(), word());
        } else if (r < 24 && depth > 0) {
            --depth;
            text = QStringLiteral("}");
        } else if (r < 34) {
            text = QStringLiteral("// %1 %2 %3").arg(word(), word(), word());
        } else if (r >= 42) {
            text =
                QStringLiteral("let %1 = %2(\"%3\", %4);").arg(word(), word(), word()).arg(rng.bounded(1000));
        }
        p.setPen(r >= 24 && r < 34 ? QColor(160, 160, 170) : QColor(40, 40, 40));
        p.drawText(68 + 32 * depth, y + 14, text);
        if (r < 12) {
            depth = std::min(depth + 1, 5);
        }
    }
    return page;
}

QImage frameAt(const QImage& page, int top, int height, const QImage& header) {
    QImage frame = page.copy(0, top, page.width(), height);
    if (!header.isNull()) {
        QPainter p(&frame);
        p.drawImage(0, 0, header);
    }
    return frame;
}

QList<int> frameTops(const QList<int>& steps, int last) {
    QList<int> tops{0};
    int top = 0;
    for (int step : steps) {
        top = std::min(top + step, last);
        tops << top;
        if (top == last) {
            break;
        }
    }
    return tops;
}

} // namespace mebo::test
