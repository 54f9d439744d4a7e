#include "editor/CompositeCache.h"

#include "document/CoverLayers.h"
#include "editor/PaintExtent.h"

#include <QPainter>
#include <algorithm>

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
    sprites_.clear();
    spriteBytes_ = 0;
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
                                  const QRect& region, int changed, const LayerPainter& paint,
                                  const QSet<const DrawingLayer*>& dependents) {
    QPainter painter(&target);
    painter.setClipRect(region);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(region.topLeft(), erased, region);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHints(kPainterHints);
    for (int i = 0; i < drawable.size(); ++i) {
        const LayerPtr& layer = drawable[i];
        const QRect extent = layerPaintExtent(*layer, imageRect_);
        if (!extent.intersects(region)) {
            continue;
        }
        // The unchanged layers that only paint over come from their own pictures; the changed
        // one and those that multiply or erase are drawn.
        const bool cacheable = i != changed && !dependents.contains(layer.get());
        if (const Sprite* sprite = cacheable ? spriteOf(layer, extent, paint) : nullptr) {
            painter.drawImage(sprite->origin, sprite->image);
            continue;
        }
        painter.save();
        paint(painter, layer);
        painter.restore();
    }
}

const CompositeCache::Sprite* CompositeCache::spriteOf(const LayerPtr& layer, const QRect& extent,
                                                       const LayerPainter& paint) {
    constexpr qint64 kMaxSpritePixels = 4'000'000;
    constexpr qint64 kMaxTotalBytes = 512ll << 20;
    if (!layer->composesOver() || qint64(extent.width()) * extent.height() > kMaxSpritePixels) {
        return nullptr;
    }
    auto it = sprites_.find(layer.get());
    if (it != sprites_.end()) {
        if (it->layer.lock() == layer) {
            return &*it;
        }
        spriteBytes_ -= it->image.sizeInBytes(); // another layer at the same address
        sprites_.erase(it);
    }
    // Pictures of layers that left the list (a drag replaces its layer at every step) go first.
    if (spriteBytes_ > kMaxTotalBytes / 2) {
        for (auto s = sprites_.begin(); s != sprites_.end();) {
            if (s->layer.expired()) {
                spriteBytes_ -= s->image.sizeInBytes();
                s = sprites_.erase(s);
            } else {
                ++s;
            }
        }
    }
    if (spriteBytes_ > kMaxTotalBytes) {
        sprites_.clear();
        spriteBytes_ = 0;
    }
    Sprite sprite{layer, QImage(extent.size(), QImage::Format_ARGB32_Premultiplied), extent.topLeft()};
    sprite.image.fill(Qt::transparent);
    QPainter painter(&sprite.image);
    painter.setRenderHints(kPainterHints);
    painter.translate(-extent.topLeft());
    paint(painter, layer);
    painter.end();
    spriteBytes_ += sprite.image.sizeInBytes();
    return &*sprites_.insert(layer.get(), std::move(sprite));
}

const QImage& CompositeCache::picture(const QImage& erased, BaseKey key, const LayerList& drawable,
                                      const LayerPainter& paint,
                                      const QSet<const DrawingLayer*>& dependents) {
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
        // A changed cover changes what the layers reading the picture above it show, wherever
        // they are: those are drawn again below.
        if (changed >= 0 && !dependents.isEmpty() &&
            (CoverLayers::isCover(*drawable[changed]) || CoverLayers::isCover(*pictureLayers_[changed]))) {
            changed = -1;
        }
        if (changed >= 0) {
            const QRect region = (layerPaintExtent(*pictureLayers_[changed], imageRect_) |
                                  layerPaintExtent(*drawable[changed], imageRect_)) &
                                 picture_.rect();
            if (qint64(region.width()) * region.height() * 2 < qint64(picture_.width()) * picture_.height()) {
                QImage work = std::move(picture_); // not shared: painted in place
                redrawRegion(work, erased, drawable, region, changed, paint, dependents);
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
        overlay = drawable[i] == pictureLayers_[i] && drawable[i]->composesOver() &&
                  !dependents.contains(drawable[i].get());
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
