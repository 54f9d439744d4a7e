#include "editor/CompositeCache.h"

#include "editor/PaintExtent.h"

#include <QPainter>

namespace mebo {

namespace {

constexpr auto kPainterHints =
    QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing;

bool sameIdentities(const LayerList& a, const LayerList& b, qsizetype count) {
    if (a.size() < count || b.size() < count) {
        return false;
    }
    for (qsizetype i = 0; i < count; ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

bool sameIdentities(const LayerList& a, const LayerList& b) {
    return a.size() == b.size() && sameIdentities(a, b, a.size());
}

} // namespace

void CompositeCache::clear() {
    key_ = {-1, -1};
    picture_ = prefix_ = overlay_ = QImage();
    pictureLayers_.clear();
    prefixLayers_.clear();
    overlayLayers_.clear();
}

void CompositeCache::drawRange(QImage& target, const LayerList& layers, int from, int to,
                               const LayerPainter& paint) {
    if (from >= to) {
        return;
    }
    QPainter painter(&target);
    painter.setRenderHints(kPainterHints);
    for (int i = from; i < to; ++i) {
        painter.save();
        paint(painter, layers[i]);
        painter.restore();
    }
}

void CompositeCache::redrawRegion(QImage& target, const QImage& erased, const LayerList& drawable,
                                  const QRect& region, const LayerPainter& paint) const {
    QPainter painter(&target);
    painter.setClipRect(region);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(region.topLeft(), erased, region);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHints(kPainterHints);
    for (const LayerPtr& layer : drawable) {
        if (layerPaintExtent(*layer, imageRect_).intersects(region)) {
            painter.save();
            paint(painter, layer);
            painter.restore();
        }
    }
}

const QImage& CompositeCache::picture(const QImage& erased, BaseKey key, const LayerList& drawable,
                                      const LayerPainter& paint) {
    if (key != key_) {
        clear();
        key_ = key;
    }
    imageRect_ = erased.rect();
    if (!picture_.isNull() && sameIdentities(drawable, pictureLayers_)) {
        return picture_;
    }

    // One layer replaced (a drag): only the pixels the old and the new layer can touch change.
    if (!picture_.isNull() && drawable.size() == pictureLayers_.size()) {
        int changed = -1;
        for (int i = 0; i < drawable.size(); ++i) {
            if (drawable[i] != pictureLayers_[i]) {
                changed = changed < 0 ? i : -2;
            }
        }
        if (changed >= 0) {
            const QRect region = (layerPaintExtent(*pictureLayers_[changed], imageRect_) |
                                  layerPaintExtent(*drawable[changed], imageRect_)) &
                                 picture_.rect();
            if (qint64(region.width()) * region.height() * 2 < qint64(picture_.width()) * picture_.height()) {
                QImage work = std::move(picture_); // not shared: painted in place
                redrawRegion(work, erased, drawable, region, paint);
                picture_ = std::move(work);
                pictureLayers_ = drawable;
                return picture_;
            }
        }
    }

    // Where this list first differs from the one drawn last time: the layers below are unchanged,
    // and after the first change there, a drag of the same layer starts from the cached prefix.
    const int n = int(drawable.size());
    int changeAt = 0;
    while (changeAt < n && changeAt < pictureLayers_.size() &&
           drawable[changeAt] == pictureLayers_[changeAt]) {
        ++changeAt;
    }
    const int reuse = !prefix_.isNull() && prefixLayers_.size() <= changeAt &&
                              sameIdentities(prefixLayers_, drawable, prefixLayers_.size())
                          ? int(prefixLayers_.size())
                          : 0;

    QImage work;
    if (reuse > 0) {
        work = prefix_.copy();
    } else {
        work = erased.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        work.detach();
    }
    drawRange(work, drawable, reuse, changeAt, paint);
    if (changeAt > reuse && changeAt < n) {
        prefix_ = work.copy();
        prefixLayers_ = drawable.mid(0, changeAt);
    }
    // One layer replaced with the same layers above it, all of which only paint over what is
    // below: those come from the transparent overlay, so only the changed layer is drawn.
    bool overlay = changeAt + 1 < n && n == pictureLayers_.size();
    for (int i = changeAt + 1; overlay && i < n; ++i) {
        overlay = drawable[i] == pictureLayers_[i] && drawable[i]->composesOver();
    }
    if (overlay) {
        const LayerList above = drawable.mid(changeAt + 1);
        if (!sameIdentities(above, overlayLayers_)) {
            overlay_ = QImage(work.size(), QImage::Format_ARGB32_Premultiplied);
            overlay_.fill(Qt::transparent);
            drawRange(overlay_, above, 0, int(above.size()), paint);
            overlayLayers_ = above;
        }
        drawRange(work, drawable, changeAt, changeAt + 1, paint);
        QPainter painter(&work);
        painter.drawImage(0, 0, overlay_);
    } else {
        drawRange(work, drawable, changeAt, n, paint);
    }
    picture_ = work;
    pictureLayers_ = drawable;
    return picture_;
}

} // namespace mebo
