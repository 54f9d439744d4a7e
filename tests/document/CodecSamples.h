#pragma once

#include "document/ArrowLayer.h"
#include "document/CalloutLayer.h"
#include "document/CutOutLayer.h"
#include "document/EllipseLayer.h"
#include "document/EraserStrokeLayer.h"
#include "document/FillLayer.h"
#include "document/HighlighterLayer.h"
#include "document/LineLayer.h"
#include "document/MagnifyLayer.h"
#include "document/MosaicLayer.h"
#include "document/PasteImageLayer.h"
#include "document/PenLayer.h"
#include "document/PolygonLayer.h"
#include "document/RectLayer.h"
#include "document/RegionFillLayer.h"
#include "document/SimplifyLayer.h"
#include "document/SpotlightLayer.h"
#include "document/StampLayer.h"
#include "document/StepLayer.h"
#include "document/TextLayer.h"

#include <QPainter>
#include <ostream>

// Readable QString values in test failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace mebo::test {

inline QImage sampleImage(int w, int h, QImage::Format format = QImage::Format_ARGB32) {
    QImage image(w, h, format);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.fillRect(QRect(0, 0, w / 2, h), QColor(30, 120, 200));
    p.fillRect(QRect(w / 2, h / 3, w / 2, h / 3), QColor(250, 200, 20, 128));
    return image;
}

inline GradientFill sampleGradient() {
    return GradientFill{QColor(255, 0, 0), QColor(0, 0, 255, 128), 0.75};
}

// One layer of every class, with every optional field set and no field at its default, so a
// round trip exercises each key.
inline LayerList fullyPopulatedLayers() {
    LayerList out;
    {
        auto l = std::make_shared<ArrowLayer>();
        l->start = {10.5, 20};
        l->end = {200, 140.25};
        l->color = QColor(10, 20, 30);
        l->strokeWidth = 6;
        l->headStyle = ArrowHeadStyle::both;
        l->lineStyle = ArrowLineStyle::dashed;
        l->headSize = 1.5;
        l->startSize = 0.5;
        l->endSize = 2;
        l->headOutline = true;
        l->headOutlineWidth = 1.5;
        l->headColor = QColor(200, 0, 0);
        l->headOutlineColor = QColor(255, 255, 255, 200);
        l->headOutlineStyle = ArrowLineStyle::dotted;
        l->lineCap = LineCap::square;
        l->controlPoint = QPointF(50, 60);
        l->controlPoint2 = QPointF(70, 80);
        l->shadow = ShadowStyle::hard;
        l->opacity = 0.75;
        out << l;
    }
    {
        auto l = std::make_shared<PenLayer>();
        l->points = {{1, 2}, {3, 4}, {10, 12.5}};
        l->color = QColor(0, 128, 0);
        l->strokeWidth = 3;
        l->smoothCurves = false;
        l->lineStyle = ArrowLineStyle::dotted;
        l->lineCap = LineCap::butt;
        l->lineJoin = LineJoin::bevel;
        l->shadow = ShadowStyle::soft;
        l->opacity = 0.5;
        out << l;
    }
    {
        auto l = std::make_shared<EraserStrokeLayer>();
        l->points = {{5, 5}, {40, 8}};
        l->width = 12;
        out << l;
    }
    {
        auto l = std::make_shared<LineLayer>();
        l->start = {0, 0};
        l->end = {-30, 45};
        l->color = QColor(1, 2, 3);
        l->strokeWidth = 2.5;
        l->lineStyle = ArrowLineStyle::dashed;
        l->lineCap = LineCap::round;
        l->shadow = ShadowStyle::none;
        l->opacity = 0.9;
        out << l;
    }
    {
        auto l = std::make_shared<RectLayer>();
        l->rect = {10, 20, 100, 50};
        l->color = QColor(255, 0, 255);
        l->strokeWidth = 5;
        l->lineStyle = ArrowLineStyle::dotted;
        l->fillColor = QColor(0, 255, 0, 64);
        l->gradient = sampleGradient();
        l->rotation = 0.3;
        l->cornerRadius = 7;
        l->shadow = ShadowStyle::hard;
        out << l;
    }
    {
        auto l = std::make_shared<EllipseLayer>();
        l->rect = {5, 6, 70, 40};
        l->color = QColor(20, 40, 60);
        l->strokeWidth = 1;
        l->lineStyle = ArrowLineStyle::dashed;
        l->fillColor = QColor(255, 255, 0);
        l->gradient = sampleGradient();
        l->rotation = -1.25;
        l->opacity = 0.25;
        out << l;
    }
    {
        auto l = std::make_shared<PolygonLayer>();
        l->rect = {0, 0, 64, 64};
        l->sides = 7;
        l->color = QColor(100, 100, 100);
        l->strokeWidth = 2;
        l->lineStyle = ArrowLineStyle::dashed;
        l->fillColor = QColor(10, 10, 10, 10);
        l->gradient = sampleGradient();
        l->rotation = 0.5;
        l->innerRatio = 0.4;
        out << l;
    }
    {
        auto l = std::make_shared<TextLayer>();
        l->position = {12, 34};
        l->text = QStringLiteral("Héllo \"world\"\n二行目");
        l->color = QColor(0, 0, 255);
        l->fontSize = 31;
        l->outlineColor = QColor(255, 255, 0);
        l->fontWeight = TextFontWeight::heavy;
        l->fontFamily = QStringLiteral("DejaVu Sans");
        l->underline = true;
        l->strike = true;
        l->italic = true;
        l->align = TextAlign::right;
        l->backgroundColor = QColor(0, 0, 0, 128);
        l->backgroundCornerRadius = 4;
        l->outlineWidthPercent = 12;
        l->trackingPt = 0.5;
        l->lineHeightMultiple = 1.3;
        l->backgroundPadding = 6;
        l->underlineStyle = TextLineStyle::double_;
        l->strikeStyle = TextLineStyle::thick;
        l->shadow = ShadowStyle::soft;
        out << l;
    }
    {
        auto l = std::make_shared<CalloutLayer>();
        l->rect = {40, 40, 120, 60};
        l->tails = {{10, 10}, {200, 150}};
        l->text = QStringLiteral("Look here");
        l->color = QColor(255, 250, 240);
        l->fontSize = 16;
        l->outlineColor = QColor(0, 0, 0);
        l->outlineWidth = 3;
        l->textColor = QColor(20, 20, 20);
        l->fontWeight = TextFontWeight::medium;
        l->fontFamily = QStringLiteral("DejaVu Serif");
        l->underline = true;
        l->strike = true;
        l->italic = true;
        l->trackingPt = 1;
        l->lineHeightMultiple = 1.1;
        l->underlineStyle = TextLineStyle::single;
        l->strikeStyle = TextLineStyle::double_;
        l->align = TextAlign::left;
        l->shape = CalloutShape::cloud;
        l->tailStyle = CalloutTailStyle::arrow;
        l->rotation = 0.1;
        l->padding = 12;
        l->outlineStyle = ArrowLineStyle::dashed;
        l->gradient = sampleGradient();
        l->cornerRadius = 9;
        l->tailColor = QColor(255, 0, 0);
        l->tailSize = 14;
        l->tailLineStyle = ArrowLineStyle::dotted;
        l->tailLineCap = LineCap::square;
        l->tailAnchor = CalloutTailAnchor::auto_;
        l->shadow = ShadowStyle::hard;
        l->opacity = 0.8;
        out << l;
    }
    {
        auto l = std::make_shared<StampLayer>();
        l->center = {50, 60};
        l->symbolName = QStringLiteral("star.fill");
        l->imagePath = QStringLiteral("/home/someone/stamps/logo.png");
        l->color = QColor(255, 128, 0);
        l->size = 48;
        l->rotation = 0.7;
        l->flipH = true;
        l->flipV = true;
        l->shadow = ShadowStyle::none;
        l->opacity = 0.6;
        out << l;
    }
    {
        auto l = std::make_shared<StepLayer>();
        l->center = {30, 30};
        l->number = 12;
        l->color = QColor(0, 100, 200);
        l->radius = 20;
        l->textColor = QColor(255, 255, 0);
        l->sequence = StepSequence::upperRoman;
        l->shape = StepShape::teardrop;
        l->outlineColor = QColor(255, 255, 255);
        l->outlineWidth = 2;
        l->fontWeight = TextFontWeight::regular;
        l->outlineStyle = ArrowLineStyle::dashed;
        l->fontFamily = QStringLiteral("DejaVu Sans Mono");
        l->cornerRadius = 5;
        l->shadow = ShadowStyle::hard;
        l->opacity = 0.95;
        out << l;
    }
    {
        auto l = std::make_shared<HighlighterLayer>();
        l->rect = {0, 100, 300, 20};
        l->color = QColor(120, 255, 120);
        l->shape = HighlighterShape::underline;
        l->cornerRadius = 3;
        l->underlineThickness = 4;
        l->shadow = ShadowStyle::soft;
        l->opacity = 0.4;
        out << l;
    }
    {
        auto l = std::make_shared<MosaicLayer>();
        l->rect = {10, 10, 90, 60};
        l->style = MosaicStyle::gaussian;
        l->intensity = 9;
        l->solidColor = QColor(40, 40, 40, 100);
        l->shape = MosaicShape::polygon;
        l->cornerRadius = 6;
        l->polygonPoints = {{10, 10}, {90, 15}, {50, 70}};
        l->shadow = ShadowStyle::soft;
        out << l;
    }
    out << std::make_shared<CutOutLayer>(QRectF(0, 40, 160, 30), CutOutOrientation::vertical,
                                         CutOutEdgeStyle::wave, 1.5, 8);
    {
        auto l = std::make_shared<MagnifyLayer>();
        l->center = {80, 60};
        l->size = {90, 70};
        l->zoomLevel = 3;
        l->shape = MagnifyShape::roundedRect;
        l->borderColor = QColor(0, 0, 0);
        l->borderWidth = 5;
        l->borderStyle = ArrowLineStyle::dotted;
        l->sourceOffset = {-10, 12};
        l->cornerRadius = 8;
        l->shadow = ShadowStyle::hard;
        l->opacity = 0.7;
        out << l;
    }
    {
        auto l = std::make_shared<FillLayer>();
        l->color = QColor(0, 0, 0);
        l->setAlpha(0.6);
        l->gradient = sampleGradient();
        l->shadow = ShadowStyle::soft;
        out << l;
    }
    {
        auto l = std::make_shared<RegionFillLayer>();
        l->color = QColor(255, 0, 0);
        l->alpha = 0.8;
        l->maskRect = {10, 10, 16, 8};
        l->mask = QImage(16, 8, QImage::Format_Grayscale8);
        l->mask.fill(0);
        for (int y = 2; y < 6; ++y) {
            for (int x = 3; x < 12; ++x) {
                l->mask.setPixel(x, y, qRgb(255, 255, 255));
            }
        }
        l->seedPoint = {14, 13};
        l->tolerance = 32;
        l->transparent = true;
        l->globalMode = true;
        l->shadow = ShadowStyle::hard;
        l->opacity = 0.5;
        out << l;
    }
    {
        auto l = std::make_shared<PasteImageLayer>();
        l->image = sampleImage(12, 9);
        l->rect = {100, 50, 24, 18};
        l->shadow = ShadowStyle::soft;
        out << l;
    }
    {
        auto l = std::make_shared<SimplifyLayer>();
        l->rect = {5, 5, 50, 20};
        l->fillColor = QColor(240, 240, 240);
        l->shape = MosaicShape::roundedRect;
        l->borderColor = QColor(100, 100, 100);
        l->borderWidth = 1.5;
        l->cornerRadius = 4;
        l->borderStyle = ArrowLineStyle::dashed;
        l->shadow = ShadowStyle::none;
        out << l;
    }
    {
        auto l = std::make_shared<SpotlightLayer>();
        l->rect = {20, 20, 60, 40};
        l->dimAlpha = 0.7;
        l->shape = MosaicShape::ellipse;
        l->borderColor = QColor(255, 0, 0);
        l->borderWidth = 2;
        l->cornerRadius = 3;
        l->borderStyle = ArrowLineStyle::dotted;
        l->dimColor = QColor(0, 0, 64);
        l->shadow = ShadowStyle::soft;
        out << l;
    }
    return out;
}

} // namespace mebo::test
