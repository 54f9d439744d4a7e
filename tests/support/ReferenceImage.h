#pragma once

#include "document/DrawingLayer.h"

#include <QImage>
#include <QString>
#include <gtest/gtest.h>

namespace mebo::test {

// Compares a rendering with tests/data/reference/<name>.png. With MEBO_UPDATE_REFERENCES=1 the
// rendering is written as the new reference instead (review the PNG before committing it).
// Passes when no channel of any pixel differs by more than `channelTolerance`, except for at most
// `maxBadFraction` of the pixels (antialiasing and font hinting move edges slightly). On failure
// the rendering is saved next to the build as <name>.actual.png and the message says where.
::testing::AssertionResult matchesReference(const QImage& rendered, const QString& name,
                                            int channelTolerance = 24, double maxBadFraction = 0.01);

QString referencePath(const QString& name);

// `layer` drawn over `img` with antialiasing, the layer sampling `img` as its base.
QImage render(const DrawingLayer& layer, QImage img);

} // namespace mebo::test
