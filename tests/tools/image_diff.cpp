// Compares two images pixel by pixel: prints the number of pixels whose channels differ by more
// than the tolerance, and exits 0 only when there are none (1 when they differ, 2 on bad input).
// Usage: mebo_image_diff A.png B.png [TOLERANCE]
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: mebo_image_diff A.png B.png [TOLERANCE]\n");
        return 2;
    }
    const QImage a = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_ARGB32);
    const QImage b = QImage(QString::fromLocal8Bit(argv[2])).convertToFormat(QImage::Format_ARGB32);
    const int tolerance = argc > 3 ? std::atoi(argv[3]) : 0;
    if (a.isNull() || b.isNull()) {
        std::fprintf(stderr, "mebo_image_diff: cannot read %s\n", a.isNull() ? argv[1] : argv[2]);
        return 2;
    }
    if (a.size() != b.size()) {
        std::printf("size %dx%d vs %dx%d\n", a.width(), a.height(), b.width(), b.height());
        return 1;
    }
    long differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int d =
                std::max({std::abs(qRed(pa[x]) - qRed(pb[x])), std::abs(qGreen(pa[x]) - qGreen(pb[x])),
                          std::abs(qBlue(pa[x]) - qBlue(pb[x])), std::abs(qAlpha(pa[x]) - qAlpha(pb[x]))});
            differing += d > tolerance;
        }
    }
    std::printf("%ld\n", differing);
    return differing == 0 ? 0 : 1;
}
