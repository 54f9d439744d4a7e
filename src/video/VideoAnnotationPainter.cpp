#include "video/VideoAnnotationPainter.h"

#include "app/AppLogger.h"
#include "document/ArrowLayer.h"
#include "document/CalloutLayer.h"
#include "document/HighlighterLayer.h"
#include "document/LayerEnums.h"
#include "document/LineLayer.h"
#include "document/PasteImageLayer.h"
#include "document/RectLayer.h"
#include "document/SpotlightLayer.h"
#include "document/TextLayer.h"
#include "video/VideoAnnotationAssets.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

QColor colourOf(const ColorRGBA& stored) {
    const auto c = rgbaComponents(stored, {1, 0.3, 0.3, 1});
    return QColor::fromRgbF(float(std::clamp(c[0], 0.0, 1.0)), float(std::clamp(c[1], 0.0, 1.0)),
                            float(std::clamp(c[2], 0.0, 1.0)), float(std::clamp(c[3], 0.0, 1.0)));
}

// Black or white, whichever reads on `c`.
QColor contrasting(const QColor& c) {
    const double luma = 0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF();
    return luma > 0.6 ? QColor(0, 0, 0) : QColor(255, 255, 255);
}

// The two ends of a line or arrow across its rectangle, from the stored direction (the end the
// name points to is the tip).
std::pair<QPointF, QPointF> diagonal(const QRectF& r, const std::optional<QString>& direction) {
    const QString d = direction.value_or(QStringLiteral("downRight"));
    if (d == QLatin1String("upRight")) {
        return {r.bottomLeft(), r.topRight()};
    }
    if (d == QLatin1String("upLeft")) {
        return {r.bottomRight(), r.topLeft()};
    }
    if (d == QLatin1String("downLeft")) {
        return {r.topRight(), r.bottomLeft()};
    }
    return {r.topLeft(), r.bottomRight()};
}

double strokeOf(const AnnotationRegion& region, double scale) {
    const double w = region.fontSize > 0 && std::isfinite(region.fontSize) ? region.fontSize : 10;
    return std::clamp(w, 1.0, 200.0) * scale;
}

} // namespace

LayerPtr VideoAnnotationPainter::layerFor(const AnnotationRegion& region, QSize frameSize, double scale,
                                          const QImage& image) {
    const QRectF r(region.rect.x() * frameSize.width(), region.rect.y() * frameSize.height(),
                   region.rect.width() * frameSize.width(), region.rect.height() * frameSize.height());
    const QColor colour = colourOf(region.colorRGBA);
    const double fontSize =
        (region.fontSize > 0 && std::isfinite(region.fontSize) ? region.fontSize : 42) * scale;
    const auto lineStyle =
        region.lineStyleRaw ? fromRawValue<ArrowLineStyle>(*region.lineStyleRaw) : std::nullopt;
    switch (region.kind) {
    case AnnotationKind::text: {
        auto layer = std::make_shared<TextLayer>();
        layer->position = r.topLeft();
        layer->text = region.text.value_or(QString());
        layer->color = colour;
        layer->fontSize = std::max(fontSize, 1.0);
        layer->outlineColor = contrasting(colour);
        // A thin rim: legible over moving pictures without the editor's heavy sticker outline.
        layer->outlineWidthPercent = 8;
        return layer;
    }
    case AnnotationKind::callout: {
        auto layer = std::make_shared<CalloutLayer>();
        layer->rect = r;
        layer->text = region.text.value_or(QString());
        layer->color = colour;
        layer->textColor = contrasting(colour);
        layer->fontSize = std::max(fontSize, 1.0);
        layer->padding = 8 * scale;
        layer->outlineWidth = 2 * scale;
        return layer;
    }
    case AnnotationKind::arrow: {
        auto layer = std::make_shared<ArrowLayer>();
        std::tie(layer->start, layer->end) = diagonal(r, region.lineDirectionRaw);
        layer->color = colour;
        layer->strokeWidth = strokeOf(region, scale);
        layer->lineStyle = lineStyle.value_or(ArrowLineStyle::solid);
        if (region.arrowHeadStyleRaw) {
            layer->headStyle =
                fromRawValue<ArrowHeadStyle>(*region.arrowHeadStyleRaw).value_or(ArrowHeadStyle::end);
        }
        return layer;
    }
    case AnnotationKind::line: {
        auto layer = std::make_shared<LineLayer>();
        std::tie(layer->start, layer->end) = diagonal(r, region.lineDirectionRaw);
        layer->color = colour;
        layer->strokeWidth = strokeOf(region, scale);
        layer->lineStyle = lineStyle.value_or(ArrowLineStyle::solid);
        return layer;
    }
    case AnnotationKind::shape: {
        auto layer = std::make_shared<RectLayer>();
        layer->rect = r;
        layer->color = colour;
        layer->strokeWidth = strokeOf(region, scale);
        layer->lineStyle = lineStyle.value_or(ArrowLineStyle::solid);
        return layer;
    }
    case AnnotationKind::highlight: {
        auto layer = std::make_shared<HighlighterLayer>();
        layer->rect = r;
        layer->color = colour;
        return layer;
    }
    case AnnotationKind::spotlight: {
        auto layer = std::make_shared<SpotlightLayer>();
        layer->rect = r;
        QColor dim = colour;
        layer->dimAlpha = dim.alphaF();
        dim.setAlphaF(1);
        layer->dimColor = dim;
        return layer;
    }
    case AnnotationKind::image: {
        if (image.isNull()) {
            return nullptr;
        }
        auto layer = std::make_shared<PasteImageLayer>();
        layer->image = image;
        layer->rect = r;
        return layer;
    }
    }
    return nullptr;
}

VideoAnnotationPainter::VideoAnnotationPainter(const QList<AnnotationRegion>& regions, QSize frameSize,
                                               double scale, const QString& assetFolder) {
    for (const AnnotationRegion& region : regions) {
        if (!(region.endSec > region.startSec)) {
            continue;
        }
        QImage image;
        if (region.kind == AnnotationKind::image) {
            const QString name = QFileInfo(region.imageFileName.value_or(QString())).fileName();
            const QString path =
                name.isEmpty() || assetFolder.isEmpty() ? QString() : QDir(assetFolder).filePath(name);
            if (auto valid = path.isEmpty() ? std::nullopt : VideoAnnotationAssets::validate(path)) {
                image = *valid;
            }
        }
        if (LayerPtr layer = layerFor(region, frameSize, scale, image)) {
            items_.append({region.startSec, region.endSec, layer});
        }
    }
}

void VideoAnnotationPainter::draw(QPainter& painter, const QImage& frame, double sourceTime) const {
    for (const Item& item : items_) {
        if (item.start <= sourceTime && sourceTime < item.end) {
            painter.save();
            item.layer->draw(painter, frame);
            painter.restore();
        }
    }
}

} // namespace mebo
