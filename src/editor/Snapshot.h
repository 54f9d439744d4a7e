#pragma once

#include "document/DrawingLayer.h"

#include <QImage>
#include <QList>
#include <QRectF>

namespace mebo {

// One undo step: three references. Layers are never changed while a snapshot holds them, and
// QImage shares its pixels, so taking a snapshot copies nothing.
struct Snapshot {
    QImage baseImage;
    LayerList layers;
    QRectF canvasRect;

    // Bytes of the base image as the history bound counts them (bytes per row times height).
    qint64 baseImageBytes() const { return qint64(baseImage.bytesPerLine()) * baseImage.height(); }
};

// The bounds of each history stack: at most kMaxSteps snapshots, and while two or more remain,
// at most kMaxBaseImageBytes of base images (a base image shared by several snapshots counts once
// per snapshot). The oldest go first.
struct SnapshotLimits {
    static constexpr int kMaxSteps = 50;
    static constexpr qint64 kMaxBaseImageBytes = qint64(200) << 20;

    static void trim(QList<Snapshot>& stack);
};

} // namespace mebo
