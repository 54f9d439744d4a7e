#include <gtest/gtest.h>

#include "ReferenceImage.h"

#include "TestPaths.h"
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <cstdlib>

namespace mebo::test {

QImage render(const DrawingLayer& layer, QImage img) {
    QPainter p(&img);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    layer.draw(p, img);
    p.end();
    return img;
}

QString referencePath(const QString& name) {
    return QStringLiteral(MEBO_TEST_DATA_DIR "/reference/") + name + QStringLiteral(".png");
}

::testing::AssertionResult matchesReference(const QImage& rendered, const QString& name, int channelTolerance,
                                            double maxBadFraction) {
    const QString path = referencePath(name);
    const QImage actual = rendered.convertToFormat(QImage::Format_ARGB32);
    if (qEnvironmentVariableIntValue("MEBO_UPDATE_REFERENCES") == 1) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!actual.save(path, "PNG")) {
            return ::testing::AssertionFailure() << "cannot write " << path.toStdString();
        }
        return ::testing::AssertionSuccess();
    }
    QImage expected(path);
    if (expected.isNull()) {
        return ::testing::AssertionFailure() << "no reference image " << path.toStdString()
                                             << " (run with MEBO_UPDATE_REFERENCES=1 to create it)";
    }
    expected = expected.convertToFormat(QImage::Format_ARGB32);
    const QString actualPath = QDir::currentPath() + QLatin1Char('/') + name + QStringLiteral(".actual.png");
    if (expected.size() != actual.size()) {
        actual.save(actualPath, "PNG");
        return ::testing::AssertionFailure()
               << name.toStdString() << ": size " << actual.width() << "x" << actual.height()
               << " differs from the reference's " << expected.width() << "x" << expected.height();
    }
    qint64 bad = 0;
    int worst = 0;
    for (int y = 0; y < actual.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(actual.constScanLine(y));
        const auto* e = reinterpret_cast<const QRgb*>(expected.constScanLine(y));
        for (int x = 0; x < actual.width(); ++x) {
            const int d =
                std::max({std::abs(qRed(a[x]) - qRed(e[x])), std::abs(qGreen(a[x]) - qGreen(e[x])),
                          std::abs(qBlue(a[x]) - qBlue(e[x])), std::abs(qAlpha(a[x]) - qAlpha(e[x]))});
            worst = std::max(worst, d);
            if (d > channelTolerance) {
                ++bad;
            }
        }
    }
    const double fraction = double(bad) / double(qint64(actual.width()) * actual.height());
    if (fraction > maxBadFraction) {
        actual.save(actualPath, "PNG");
        return ::testing::AssertionFailure()
               << name.toStdString() << ": " << bad << " pixels (" << fraction * 100
               << " %) differ by more than " << channelTolerance << " (worst " << worst
               << "); rendering saved as " << actualPath.toStdString();
    }
    return ::testing::AssertionSuccess();
}

} // namespace mebo::test
