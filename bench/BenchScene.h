#pragma once

// A 3840x2160 scene shared by the benchmarks of annotated documents: a synthetic desktop (window
// chrome, text lines, a photo-like gradient) and 200 mixed layers.
#include "document/ArrowLayer.h"
#include "document/CalloutLayer.h"
#include "document/EllipseLayer.h"
#include "document/HighlighterLayer.h"
#include "document/MosaicLayer.h"
#include "document/PenLayer.h"
#include "document/RectLayer.h"
#include "document/StepLayer.h"
#include "document/TextLayer.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

namespace mebo::bench {

inline QImage syntheticCapture(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient wallpaper(0, 0, w, h);
    wallpaper.setColorAt(0, QColor(38, 70, 120));
    wallpaper.setColorAt(1, QColor(170, 90, 60));
    p.fillRect(image.rect(), wallpaper);
    QRandomGenerator rng(7);
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 11));
    for (int i = 0; i < 6; ++i) {
        const QRect win(120 + i * 560, 140 + (i % 3) * 600, 1500, 1100);
        p.fillRect(win, QColor(248, 248, 250));
        p.fillRect(QRect(win.topLeft(), QSize(win.width(), 44)), QColor(225, 228, 234));
        for (int line = 0; line < 48; ++line) {
            QString text;
            for (int word = 0; word < 14; ++word) {
                text += QString::number(rng.bounded(100000), 36) + QLatin1Char(' ');
            }
            p.setPen(QColor(30 + line % 5 * 20, 30, 40));
            p.drawText(win.left() + 24, win.top() + 80 + line * 21, text);
        }
    }
    return image;
}

inline LayerList mixedLayers(const QSize& size) {
    LayerList layers;
    QRandomGenerator rng(11);
    auto pt = [&] {
        return QPointF(rng.bounded(size.width() - 400) + 200, rng.bounded(size.height() - 300) + 150);
    };
    for (int i = 0; i < 10; ++i) {
        auto m = std::make_shared<MosaicLayer>();
        m->rect = QRectF(pt(), QSizeF(400, 300));
        m->style = MosaicStyle::gaussian;
        m->intensity = 12;
        m->shadow = ShadowStyle::soft;
        layers << m;
    }
    for (int i = 0; i < 20; ++i) {
        auto t = std::make_shared<TextLayer>();
        t->position = pt();
        t->text = QStringLiteral("Note %1: check this value").arg(i);
        t->fontSize = 28;
        t->color = QColor(220, 30, 40);
        t->backgroundColor = i % 2 ? QColor(255, 255, 255, 220) : QColor(Qt::transparent);
        t->shadow = ShadowStyle::soft;
        layers << t;
    }
    for (int i = 0; i < 60; ++i) {
        auto a = std::make_shared<ArrowLayer>();
        a->start = pt();
        a->end = a->start + QPointF(rng.bounded(300) - 150, rng.bounded(300) - 150);
        if (i % 4 == 0) {
            a->controlPoint = (a->start + a->end) / 2 + QPointF(60, -40);
        }
        a->strokeWidth = 6;
        a->shadow = ShadowStyle::soft;
        layers << a;
    }
    for (int i = 0; i < 20; ++i) {
        auto c = std::make_shared<CalloutLayer>();
        c->rect = QRectF(pt(), QSizeF(260, 120));
        c->tails = {c->rect.bottomLeft() + QPointF(-60, 80)};
        c->text = QStringLiteral("Callout %1 with some text").arg(i);
        c->outlineColor = QColor(40, 40, 40);
        c->shadow = ShadowStyle::soft;
        layers << c;
    }
    for (int i = 0; i < 40; ++i) {
        auto s = std::make_shared<StepLayer>();
        s->center = pt();
        s->number = i + 1;
        s->radius = 22;
        s->shadow = ShadowStyle::soft;
        layers << s;
    }
    for (int i = 0; i < 20; ++i) {
        auto r = std::make_shared<RectLayer>();
        r->rect = QRectF(pt(), QSizeF(300, 160));
        r->cornerRadius = 10;
        r->shadow = ShadowStyle::soft;
        layers << r;
    }
    for (int i = 0; i < 15; ++i) {
        auto h = std::make_shared<HighlighterLayer>();
        h->rect = QRectF(pt(), QSizeF(420, 26));
        layers << h;
    }
    for (int i = 0; i < 10; ++i) {
        auto e = std::make_shared<EllipseLayer>();
        e->rect = QRectF(pt(), QSizeF(200, 120));
        e->shadow = ShadowStyle::soft;
        layers << e;
    }
    for (int i = 0; i < 5; ++i) {
        auto pen = std::make_shared<PenLayer>();
        QPointF at = pt();
        for (int k = 0; k < 80; ++k) {
            at += QPointF(rng.bounded(21) - 10, rng.bounded(21) - 10);
            pen->points << at;
        }
        pen->shadow = ShadowStyle::soft;
        layers << pen;
    }
    return layers;
}

struct Scene {
    QImage base = syntheticCapture(3840, 2160);
    LayerList layers = mixedLayers(base.size());
};

inline const Scene& scene() {
    static const Scene s;
    return s;
}

} // namespace mebo::bench
