#pragma once

#include "document/DrawingLayer.h"
#include "document/LayerEnums.h"

#include <QColor>
#include <QString>
#include <optional>

namespace mebo {

// A text label; position is the top-left corner of its box.
class TextLayer final : public DrawingLayer {
public:
    TextLayer() : DrawingLayer(ToolKind::text) {}

    QPointF position;
    QString text;
    QColor color = Qt::black;
    double fontSize = 24;
    QColor outlineColor = Qt::white;
    TextFontWeight fontWeight = TextFontWeight::bold;
    QString fontFamily; // empty: the system font
    bool underline = false;
    bool strike = false;
    bool italic = false;
    TextAlign align = TextAlign::left;
    QColor backgroundColor = Qt::transparent;
    std::optional<double> backgroundCornerRadius;
    std::optional<double> outlineWidthPercent;
    std::optional<double> trackingPt;
    std::optional<double> lineHeightMultiple;
    std::optional<double> backgroundPadding;
    std::optional<TextLineStyle> underlineStyle;
    std::optional<TextLineStyle> strikeStyle;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    const char* className() const override { return "TextLayer"; }
};

} // namespace mebo
