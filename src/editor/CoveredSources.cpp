#include "editor/CoveredSources.h"

#include "document/CoverLayers.h"

namespace mebo {

namespace {
constexpr qsizetype kMaxEntries = 4;
}

const QImage& CoveredSources::sourceFor(const QImage& erased, BaseKey key, const LayerList& layers,
                                        qsizetype index) {
    LayerList covers;
    for (qsizetype i = 0; i < index && i < layers.size(); ++i) {
        if (layers[i] && CoverLayers::isCover(*layers[i])) {
            covers << layers[i];
        }
    }
    if (covers.isEmpty()) {
        return erased;
    }
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        if (entries_[i].key == key && entries_[i].covers == covers) {
            entries_.move(i, 0);
            return entries_.first().image;
        }
    }
    // Built on the longest cached run of the same covers, if any.
    QImage image;
    qsizetype done = 0;
    for (const Entry& e : entries_) {
        if (e.key == key && e.covers.size() > done && e.covers.size() < covers.size() &&
            covers.mid(0, e.covers.size()) == e.covers) {
            image = e.image;
            done = e.covers.size();
        }
    }
    if (done == 0) {
        image = erased.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    image.detach();
    for (qsizetype i = done; i < covers.size(); ++i) {
        CoverLayers::applyCover(image, *covers[i]);
    }
    entries_.prepend(Entry{key, covers, image});
    if (entries_.size() > kMaxEntries) {
        entries_.removeLast();
    }
    return entries_.first().image;
}

QSet<const DrawingLayer*> CoveredSources::dependents(const LayerList& layers) {
    QSet<const DrawingLayer*> out;
    bool coverBelow = false;
    for (const LayerPtr& layer : layers) {
        if (!layer) {
            continue;
        }
        if (coverBelow && CoverLayers::readsPicture(*layer)) {
            out.insert(layer.get());
        }
        coverBelow = coverBelow || CoverLayers::isCover(*layer);
    }
    return out;
}

} // namespace mebo
