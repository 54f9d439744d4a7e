#include "ui/ToolIcons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>
#include <numbers>

namespace mebo {

namespace {

// Icons are drawn on a 24-unit grid and rendered at two sizes for sharp toolbars at 1x and 2x.
using Draw = std::function<void(QPainter&)>;

QIcon render(const QColor& ink, const Draw& draw) {
    QIcon icon;
    for (int px : {24, 48}) {
        QPixmap pm(px, px);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(px / 24.0, px / 24.0);
        p.setPen(QPen(ink, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        draw(p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

void arrowHead(QPainter& p, const QPointF& tip, double angle, double size) {
    const double a1 = angle + std::numbers::pi * 0.82;
    const double a2 = angle - std::numbers::pi * 0.82;
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(tip + QPointF(std::cos(a1), std::sin(a1)) * size);
    head.moveTo(tip);
    head.lineTo(tip + QPointF(std::cos(a2), std::sin(a2)) * size);
    p.drawPath(head);
}

void letter(QPainter& p, const QRectF& box, const QString& text, double size, bool bold = true) {
    QFont f;
    f.setPixelSize(int(size));
    f.setBold(bold);
    p.setFont(f);
    p.drawText(box, Qt::AlignCenter, text);
}

void curvedArrow(QPainter& p, bool clockwise) {
    QPainterPath arc;
    const QRectF r(5, 6, 14, 13);
    arc.arcMoveTo(r, clockwise ? 160 : 20);
    arc.arcTo(r, clockwise ? 160 : 20, clockwise ? -250 : 250);
    p.drawPath(arc);
    const QPointF tip = clockwise ? QPointF(5.2, 9.5) : QPointF(18.8, 9.5);
    p.drawLine(tip, tip + QPointF(clockwise ? 0.5 : -0.5, -4));
    p.drawLine(tip, tip + QPointF(clockwise ? 4 : -4, 0.6));
}

void magnifier(QPainter& p, const QString& sign) {
    p.drawEllipse(QPointF(10, 10), 6, 6);
    p.drawLine(QPointF(14.5, 14.5), QPointF(20, 20));
    if (sign.contains(QLatin1Char('-')) || sign.contains(QLatin1Char('+'))) {
        p.drawLine(QPointF(7, 10), QPointF(13, 10));
    }
    if (sign.contains(QLatin1Char('+'))) {
        p.drawLine(QPointF(10, 7), QPointF(10, 13));
    }
}

// A path through the points, closed into a shape.
QPainterPath shapeThrough(std::initializer_list<QPointF> points) {
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

// Four corner brackets around the 24-unit square, `arm` long.
void cornerBrackets(QPainter& p, double arm) {
    p.drawPolyline(QPolygonF({{3.5, 3.5 + arm}, {3.5, 3.5}, {3.5 + arm, 3.5}}));
    p.drawPolyline(QPolygonF({{20.5 - arm, 3.5}, {20.5, 3.5}, {20.5, 3.5 + arm}}));
    p.drawPolyline(QPolygonF({{3.5, 20.5 - arm}, {3.5, 20.5}, {3.5 + arm, 20.5}}));
    p.drawPolyline(QPolygonF({{20.5 - arm, 20.5}, {20.5, 20.5}, {20.5, 20.5 - arm}}));
}

Draw toolDrawing(ToolKind tool, const QColor& ink) {
    switch (tool) {
    case ToolKind::selection:
        return [](QPainter& p) {
            p.drawPath(shapeThrough(
                {{6, 3.5}, {6, 18.5}, {9.8, 14.8}, {12.6, 20.5}, {15, 19.4}, {12.3, 13.8}, {17.5, 13.8}}));
        };
    case ToolKind::crop:
        return [](QPainter& p) {
            p.drawPolyline(QPolygonF({{7, 2.5}, {7, 17}, {21.5, 17}}));
            p.drawPolyline(QPolygonF({{2.5, 7}, {17, 7}, {17, 21.5}}));
        };
    case ToolKind::arrow:
        return [](QPainter& p) {
            p.drawLine(QPointF(4.5, 19.5), QPointF(19, 5));
            arrowHead(p, QPointF(19, 5), -std::numbers::pi / 4, 7);
        };
    case ToolKind::line:
        return [](QPainter& p) { p.drawLine(QPointF(4.5, 19.5), QPointF(19.5, 4.5)); };
    case ToolKind::rect:
        return [](QPainter& p) { p.drawRoundedRect(QRectF(3.5, 5.5, 17, 13), 1.5, 1.5); };
    case ToolKind::ellipse:
        return [](QPainter& p) { p.drawEllipse(QRectF(3, 5, 18, 14)); };
    case ToolKind::polygon:
        return [](QPainter& p) {
            QPolygonF star;
            for (int i = 0; i < 10; ++i) {
                const double a = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
                const double r = i % 2 ? 4.2 : 9;
                star << QPointF(12 + r * std::cos(a), 12.8 + r * std::sin(a));
            }
            p.drawPolygon(star);
        };
    case ToolKind::pen:
        return [](QPainter& p) {
            QPainterPath path;
            path.moveTo(3.5, 17);
            path.cubicTo(7, 6, 10, 22, 13.5, 12);
            path.cubicTo(16, 5, 19, 9, 20.5, 6);
            p.drawPath(path);
        };
    case ToolKind::highlighter:
        return [ink](QPainter& p) {
            QColor band = ink;
            band.setAlphaF(0.35);
            p.fillRect(QRectF(3, 13, 18, 6), band);
            p.drawLine(QPointF(9, 14), QPointF(17, 4.5));
            p.drawLine(QPointF(12.5, 16.5), QPointF(20.5, 7));
            p.drawLine(QPointF(9, 14), QPointF(12.5, 16.5));
        };
    case ToolKind::text:
        return [](QPainter& p) { letter(p, QRectF(2, 2, 20, 20), QStringLiteral("T"), 18); };
    case ToolKind::callout:
        return [](QPainter& p) {
            QPainterPath bubble;
            bubble.addRoundedRect(QRectF(3, 4, 18, 12), 3, 3);
            QPainterPath tail;
            tail.moveTo(7, 15);
            tail.lineTo(6, 21);
            tail.lineTo(12, 15.5);
            p.drawPath(bubble.united(tail));
        };
    case ToolKind::step:
        return [](QPainter& p) {
            p.drawEllipse(QPointF(12, 12), 8.5, 8.5);
            letter(p, QRectF(3, 3, 18, 18), QStringLiteral("1"), 11);
        };
    case ToolKind::stamp:
        return [](QPainter& p) {
            p.drawEllipse(QPointF(12, 12), 8.5, 8.5);
            p.drawPolyline(QPolygonF({{8, 12.3}, {11, 15.2}, {16.3, 9}}));
        };
    case ToolKind::mosaic:
        return [ink](QPainter& p) {
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < 3; ++x) {
                    QColor c = ink;
                    c.setAlphaF((x + y) % 2 ? 0.35 : 0.9);
                    p.fillRect(QRectF(4 + x * 5.5, 4 + y * 5.5, 5, 5), c);
                }
            }
        };
    case ToolKind::blur:
        return [ink](QPainter& p) {
            QRadialGradient g(QPointF(12, 12), 9);
            QColor c = ink;
            c.setAlphaF(0.8);
            g.setColorAt(0, c);
            c.setAlphaF(0);
            g.setColorAt(1, c);
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            p.drawEllipse(QPointF(12, 12), 9, 9);
        };
    case ToolKind::spotlight:
        return [ink](QPainter& p) {
            QColor dim = ink;
            dim.setAlphaF(0.3);
            QPainterPath outside;
            outside.addRect(QRectF(2.5, 3.5, 19, 17));
            QPainterPath hole;
            hole.addEllipse(QPointF(12, 12), 5, 5);
            p.fillPath(outside.subtracted(hole), dim);
            p.drawEllipse(QPointF(12, 12), 5, 5);
        };
    case ToolKind::magnify:
        return [](QPainter& p) { magnifier(p, QStringLiteral("+")); };
    case ToolKind::simplify:
        return [](QPainter& p) {
            p.drawRoundedRect(QRectF(3.5, 4.5, 17, 15), 3, 3);
            p.drawLine(QPointF(7, 9), QPointF(17, 9));
            p.drawLine(QPointF(7, 13), QPointF(14, 13));
        };
    case ToolKind::fill:
        return [ink](QPainter& p) {
            p.drawPath(shapeThrough({{11, 3.5}, {19, 11.5}, {12, 18.5}, {4, 10.5}}));
            p.setBrush(ink);
            p.drawEllipse(QPointF(19.5, 17.5), 1.8, 2.4);
        };
    case ToolKind::eraser:
        return [](QPainter& p) {
            QPolygonF body({{13.5, 4}, {21, 11.5}, {12.5, 20}, {8, 20}, {3.5, 15.5}});
            p.drawPolygon(body);
            p.drawLine(QPointF(9, 9), QPointF(16.5, 16.5));
        };
    case ToolKind::cutout:
        return [](QPainter& p) {
            p.drawEllipse(QPointF(6.5, 17.5), 3, 3);
            p.drawEllipse(QPointF(17.5, 17.5), 3, 3);
            p.drawLine(QPointF(8.6, 15.4), QPointF(17, 3.5));
            p.drawLine(QPointF(15.4, 15.4), QPointF(7, 3.5));
        };
    case ToolKind::chapter:
        return [](QPainter& p) {
            p.drawLine(QPointF(6, 3.5), QPointF(6, 21));
            p.drawPolygon(QPolygonF({{6, 4}, {18, 8}, {6, 12}}));
        };
    }
    return [](QPainter&) {};
}

} // namespace

QIcon ToolIcons::tool(ToolKind tool, const QColor& ink) {
    return render(ink, toolDrawing(tool, ink));
}

QIcon ToolIcons::action(Action action, const QColor& ink) {
    switch (action) {
    case Action::captureArea:
        return render(ink, [](QPainter& p) {
            QPen dash = p.pen();
            dash.setDashPattern({2, 2});
            p.setPen(dash);
            p.drawRect(QRectF(3.5, 5.5, 17, 13));
        });
    case Action::captureFullScreen:
        return render(ink, [](QPainter& p) {
            p.drawRoundedRect(QRectF(3, 4.5, 18, 12.5), 1.5, 1.5);
            p.drawLine(QPointF(9, 20.5), QPointF(15, 20.5));
            p.drawLine(QPointF(12, 17), QPointF(12, 20.5));
        });
    case Action::undo:
        return render(ink, [](QPainter& p) { curvedArrow(p, true); }); // turning back, to the left
    case Action::redo:
        return render(ink, [](QPainter& p) { curvedArrow(p, false); });
    case Action::ocr:
        return render(ink, [](QPainter& p) {
            cornerBrackets(p, 4.5);
            letter(p, QRectF(4, 4, 16, 16), QStringLiteral("T"), 12);
        });
    case Action::ocrRegion:
        return render(ink, [](QPainter& p) {
            QPen dash = p.pen();
            dash.setDashPattern({2, 1.6});
            p.setPen(dash);
            p.drawRect(QRectF(3.5, 3.5, 17, 17));
            p.setPen(QPen(p.pen().color(), 1.7));
            letter(p, QRectF(4, 4, 16, 16), QStringLiteral("T"), 12);
        });
    case Action::zoomIn:
        return render(ink, [](QPainter& p) { magnifier(p, QStringLiteral("+")); });
    case Action::zoomOut:
        return render(ink, [](QPainter& p) { magnifier(p, QStringLiteral("-")); });
    case Action::zoomFit:
        return render(ink, [](QPainter& p) { cornerBrackets(p, 5.5); });
    case Action::library:
        return render(ink, [](QPainter& p) {
            for (int y = 0; y < 2; ++y) {
                for (int x = 0; x < 2; ++x) {
                    p.drawRoundedRect(QRectF(3.5 + x * 9.5, 3.5 + y * 9.5, 7.5, 7.5), 1.5, 1.5);
                }
            }
        });
    case Action::editor:
        return render(ink, [](QPainter& p) {
            p.drawRoundedRect(QRectF(3, 4.5, 18, 15), 2, 2);
            p.drawLine(QPointF(7, 15.5), QPointF(15.5, 8));
            arrowHead(p, QPointF(15.5, 8), -std::numbers::pi / 4 + 0.1, 4);
        });
    case Action::openFile:
        return render(ink, [](QPainter& p) {
            p.drawPath(shapeThrough({{3, 19}, {3, 5}, {9, 5}, {11, 7.5}, {21, 7.5}, {21, 19}}));
        });
    }
    return {};
}

} // namespace mebo
