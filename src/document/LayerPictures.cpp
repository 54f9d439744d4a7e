#include "document/LayerPictures.h"

#include "app/ParallelFor.h"
#include "document/EraserStrokeLayer.h"
#include "document/FillLayer.h"
#include "document/MagnifyLayer.h"
#include "document/MosaicLayer.h"
#include "document/SpotlightLayer.h"

#include <QHash>
#include <QPainter>
#include <cmath>
#include <list>
#include <mutex>
#include <vector>

namespace mebo {

namespace {

constexpr int kEffectMargin = 32; // what a drop shadow adds around a layer's bounds

// The pixels a layer can change; empty for the kinds that paint everywhere.
QRect extentOf(const DrawingLayer& layer, const QRect& imageRect) {
    if (dynamic_cast<const FillLayer*>(&layer) || dynamic_cast<const SpotlightLayer*>(&layer)) {
        return {};
    }
    const QRectF b = layer.bounds().normalized();
    if (!std::isfinite(b.x()) || !std::isfinite(b.y()) || !std::isfinite(b.width()) ||
        !std::isfinite(b.height())) {
        return {};
    }
    return b.toAlignedRect()
        .adjusted(-kEffectMargin, -kEffectMargin, kEffectMargin, kEffectMargin)
        .intersected(imageRect);
}

// Its picture depends on the base's pixels, not only on the layer.
bool readsBase(const DrawingLayer& layer) {
    return dynamic_cast<const MosaicLayer*>(&layer) || dynamic_cast<const MagnifyLayer*>(&layer);
}

// Kept pictures, by layer identity. The mutex is a leaf: held for a lookup or an insert only.
class Cache {
public:
    LayerPictures::PicturePtr find(const LayerPtr& layer, const QRect& imageRect) {
        std::lock_guard lock(mutex_);
        const auto it = entries_.find(layer.get());
        if (it == entries_.end()) {
            return nullptr;
        }
        // The address may belong to a new layer once the old one is gone.
        if (it->layer.lock() != layer || it->imageRect != imageRect) {
            drop(it);
            return nullptr;
        }
        order_.splice(order_.end(), order_, it->age); // most recently used last
        return it->picture;
    }

    void insert(const LayerPtr& layer, const QRect& imageRect, const LayerPictures::PicturePtr& picture) {
        const qint64 bytes = picture->image.sizeInBytes();
        if (bytes > LayerPictures::kBudgetBytes / 4) {
            return;
        }
        std::lock_guard lock(mutex_);
        if (const auto it = entries_.find(layer.get()); it != entries_.end()) {
            drop(it);
        }
        while (bytes_ + bytes > LayerPictures::kBudgetBytes && !order_.empty()) {
            drop(entries_.find(order_.front()));
        }
        order_.push_back(layer.get());
        entries_.insert(layer.get(), Entry{layer, imageRect, picture, std::prev(order_.end())});
        bytes_ += bytes;
    }

    qint64 bytes() {
        std::lock_guard lock(mutex_);
        return bytes_;
    }

    void clear() {
        std::lock_guard lock(mutex_);
        entries_.clear();
        order_.clear();
        bytes_ = 0;
    }

private:
    struct Entry {
        std::weak_ptr<DrawingLayer> layer;
        QRect imageRect;
        LayerPictures::PicturePtr picture;
        std::list<const DrawingLayer*>::iterator age;
    };
    void drop(QHash<const DrawingLayer*, Entry>::iterator it) {
        bytes_ -= it->picture->image.sizeInBytes();
        order_.erase(it->age);
        entries_.erase(it);
    }

    std::mutex mutex_;
    QHash<const DrawingLayer*, Entry> entries_;
    std::list<const DrawingLayer*> order_;
    qint64 bytes_ = 0;
};

Cache& cache() {
    static Cache c;
    return c;
}

} // namespace

QList<LayerPictures::PicturePtr> LayerPictures::make(const LayerList& layers, const QImage& source,
                                                     const QRect& imageRect) {
    // Plain vectors: the threads below write distinct elements, which a QList's detach check on
    // every non-const access would not make obviously safe.
    std::vector<PicturePtr> out(size_t(layers.size()));
    std::vector<int> todo;
    std::vector<QRect> extents(size_t(layers.size()));
    const qint64 largeArea = qint64(imageRect.width()) * imageRect.height() / 4;
    for (int i = 0; i < layers.size(); ++i) {
        const LayerPtr& layer = layers[i];
        if (!layer || !layer->composesOver() || dynamic_cast<const EraserStrokeLayer*>(layer.get())) {
            continue;
        }
        const QRect extent = extentOf(*layer, imageRect);
        // Large layers are cheaper drawn straight into each band than copied from a picture.
        if (extent.isEmpty() || qint64(extent.width()) * extent.height() > largeArea) {
            continue;
        }
        extents[size_t(i)] = extent;
        if (!readsBase(*layer)) {
            out[size_t(i)] = cache().find(layer, imageRect);
        }
        if (!out[size_t(i)]) {
            todo.push_back(i);
        }
    }
    parallelFor(
        int(todo.size()),
        [&](int k) {
            const int i = todo[size_t(k)];
            const LayerPtr& layer = layers.at(i);
            auto picture = std::make_shared<Picture>();
            picture->origin = extents[size_t(i)].topLeft();
            picture->image = QImage(extents[size_t(i)].size(), QImage::Format_ARGB32_Premultiplied);
            picture->image.fill(Qt::transparent);
            {
                QPainter painter(&picture->image);
                painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                                       QPainter::TextAntialiasing);
                painter.translate(-picture->origin);
                layer->draw(painter, source);
            }
            out[size_t(i)] = picture;
            if (!readsBase(*layer)) {
                cache().insert(layer, imageRect, picture);
            }
        },
        "mebo.flatten");
    return QList<PicturePtr>(out.begin(), out.end());
}

qint64 LayerPictures::cachedBytes() {
    return cache().bytes();
}

void LayerPictures::clearCache() {
    cache().clear();
}

} // namespace mebo
