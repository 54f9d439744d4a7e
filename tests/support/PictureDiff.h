#pragma once

#include <QImage>
#include <QString>

namespace mebo::test {

// Empty when `a` and `b` have the same size and pixels (alpha ignored), else the first
// difference in words.
QString firstDifference(const QImage& a, const QImage& b);

} // namespace mebo::test
