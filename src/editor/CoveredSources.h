#pragma once

#include "document/DrawingLayer.h"

#include <QImage>
#include <QList>
#include <QSet>
#include <utility>

namespace mebo {

// What the editor's layers that read the picture (mosaics, blurs, magnifiers) read: the erased
// base with the covers below them applied (CoverLayers), so none of them can show what a cover
// hides. Pictures are kept per set of covers, so dragging a layer above them draws no cover twice.
// Main thread.
class CoveredSources {
public:
    using BaseKey = std::pair<int, int>; // base and eraser revisions

    // The picture `layers[index]` reads: `erased` itself when no cover lies below it.
    const QImage& sourceFor(const QImage& erased, BaseKey key, const LayerList& layers, qsizetype index);
    // The layers that read the picture and have a cover below them: what they show depends on
    // other layers, so their drawings cannot be cached on their own.
    static QSet<const DrawingLayer*> dependents(const LayerList& layers);
    void clear() { entries_.clear(); }

private:
    struct Entry {
        BaseKey key;
        LayerList covers; // in order; held so an address is never taken for another layer's
        QImage image;
    };
    QList<Entry> entries_; // most recently used first, a few at most
};

} // namespace mebo
