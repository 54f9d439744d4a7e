#pragma once

#include "document/DrawingLayer.h"

#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <optional>

namespace mebo {

// A project file's content once decoded: what the editor installs.
struct ProjectContent {
    QImage baseImage;
    QRectF canvasRect;
    std::optional<QString> saveTargetPath;
    LayerList layers;           // bottom-most first, all unlocked
    QStringList skippedTypes;   // records of unknown types, left out
    int droppedRegionFills = 0; // region fills whose mask did not decode
};

} // namespace mebo
