#include "Drawing.h"
#include "PictureDiff.h"

#include "document/DocumentFlattener.h"
#include "document/MeboDocument.h"

#include "TestPaths.h"
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <ostream>

void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace mebo::test {

namespace {
int difference(QRgb p, QRgb q) {
    return std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                     std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
}
} // namespace

QString dataPath(const QString& name) {
    return QStringLiteral(MEBO_TEST_DATA_DIR "/") + name;
}

::testing::AssertionResult matchesReference(const QImage& rendered, const QString& name, int channelTolerance,
                                            double maxBadFraction) {
    const QString path = dataPath(QStringLiteral("reference/") + name + QStringLiteral(".png"));
    const QImage actual = rendered.convertToFormat(QImage::Format_ARGB32);
    if (qEnvironmentVariableIntValue("MEBO_UPDATE_REFERENCES") == 1) {
        return actual.save(path, "PNG")
                   ? ::testing::AssertionSuccess()
                   : ::testing::AssertionFailure() << "cannot write " << path.toStdString();
    }
    const QImage expected = QImage(path).convertToFormat(QImage::Format_ARGB32);
    const QString actualPath = QDir::currentPath() + QLatin1Char('/') + name + QStringLiteral(".actual.png");
    if (expected.size() != actual.size()) {
        actual.save(actualPath, "PNG");
        return ::testing::AssertionFailure() << name.toStdString() << ": no reference of this size at "
                                             << path.toStdString() << " (MEBO_UPDATE_REFERENCES=1 writes it)";
    }
    qint64 bad = 0;
    int worst = 0;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const int d = difference(actual.pixel(x, y), expected.pixel(x, y));
            worst = std::max(worst, d);
            bad += d > channelTolerance;
        }
    }
    const double fraction = double(bad) / double(qint64(actual.width()) * actual.height());
    if (fraction > maxBadFraction) {
        actual.save(actualPath, "PNG");
        return ::testing::AssertionFailure()
               << name.toStdString() << ": " << bad << " pixels differ by more than " << channelTolerance
               << " (worst " << worst << "); rendering saved as " << actualPath.toStdString();
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult rectNear(const QRectF& actual, const QRectF& expected, double eps) {
    if (std::abs(actual.left() - expected.left()) <= eps && std::abs(actual.top() - expected.top()) <= eps &&
        std::abs(actual.right() - expected.right()) <= eps &&
        std::abs(actual.bottom() - expected.bottom()) <= eps) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << actual.x() << "," << actual.y() << " " << actual.width() << "x" << actual.height();
}

QImage drawnInOrder(const QImage& base, const LayerList& layers) {
    const QImage erased = DocumentFlattener::applyErasers(base, layers);
    QImage out = erased.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&out);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                           QPainter::TextAntialiasing);
    DocumentFlattener::drawLayers(painter, erased, layers);
    return out;
}

QImage canvas(int w, int h, QColor fill) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

QImage render(const DrawingLayer& layer, QImage img) {
    QPainter p(&img);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    layer.draw(p, img);
    p.end();
    return img;
}

bool near(QRgb pixel, QColor expected, int tolerance) {
    return std::abs(qRed(pixel) - expected.red()) <= tolerance &&
           std::abs(qGreen(pixel) - expected.green()) <= tolerance &&
           std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

int countPixels(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& test) {
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            count += test(image.pixel(x, y));
        }
    }
    return count;
}

QString firstDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return QStringLiteral("sizes differ: %1x%2 vs %3x%4")
            .arg(a.width())
            .arg(a.height())
            .arg(b.width())
            .arg(b.height());
    }
    const QImage ca = a.convertToFormat(QImage::Format_RGB32);
    const QImage cb = b.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    QString first;
    for (int y = 0; y < ca.height(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(ca.constScanLine(y));
        const auto* rb = reinterpret_cast<const QRgb*>(cb.constScanLine(y));
        for (int x = 0; x < ca.width(); ++x) {
            if ((ra[x] & 0xffffff) != (rb[x] & 0xffffff)) {
                if (count == 0) {
                    first = QStringLiteral("pixel (%1,%2): #%3 vs #%4")
                                .arg(x)
                                .arg(y)
                                .arg(ra[x] & 0xffffff, 6, 16, QLatin1Char('0'))
                                .arg(rb[x] & 0xffffff, 6, 16, QLatin1Char('0'));
                }
                ++count;
            }
        }
    }
    return count == 0 ? QString() : QStringLiteral("%1 pixels differ, first %2").arg(count).arg(first);
}

int maxDifference(const QImage& a, const QImage& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            worst = std::max(worst, difference(a.pixel(x, y), b.pixel(x, y)));
        }
    }
    return worst;
}

QImage sampleImage(int w, int h, QImage::Format format) {
    QImage image(w, h, format);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.fillRect(QRect(0, 0, w / 2, h), QColor(30, 120, 200));
    p.fillRect(QRect(w / 2, h / 3, w / 2, h / 3), QColor(250, 200, 20, 128));
    return image;
}

QImage sampleScreenshot(int w, int h) {
    QImage img = canvas(w, h, QColor(0xe9, 0xed, 0xf3));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QRectF card(8, 8, w - 16, h - 16);
    QPainterPath cardPath;
    cardPath.addRoundedRect(card, 8, 8);
    p.fillPath(cardPath, Qt::white);
    p.save();
    p.setClipPath(cardPath);
    p.fillRect(QRectF(card.left(), card.top(), card.width(), 16), QColor(0x34, 0x3a, 0x46));
    p.restore();
    const QColor dots[] = {QColor(0xff, 0x5f, 0x57), QColor(0xfe, 0xbc, 0x2e), QColor(0x28, 0xc8, 0x40)};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(dots[i]);
        p.drawEllipse(QPointF(card.left() + 10 + 9 * i, card.top() + 8), 3, 3);
    }
    p.setBrush(QColor(0xf0, 0x7a, 0x1a));
    p.drawEllipse(QPointF(card.left() + 18, card.top() + 34), 10, 10);
    p.setBrush(QColor(0x2f, 0x6f, 0xde));
    p.drawEllipse(QPointF(card.left() + 18, card.top() + 34), 5, 5);
    const double widths[] = {0.62, 0.48, 0.7, 0.55, 0.66, 0.4};
    for (int i = 0; i < 6; ++i) {
        const double y = card.top() + 27 + 9.5 * i;
        if (y + 4 > card.bottom() - 22) {
            break;
        }
        const double x = i < 2 ? card.left() + 34 : card.left() + 8;
        p.setBrush(i == 0 ? QColor(0x1f, 0x23, 0x2b) : QColor(0x8a, 0x93, 0xa3));
        p.drawRoundedRect(QRectF(x, y, (card.right() - 8 - x) * widths[i], 4.5), 2, 2);
    }
    p.setBrush(QColor(0x2f, 0x6f, 0xde));
    p.drawRoundedRect(QRectF(card.right() - 52, card.bottom() - 18, 44, 12), 4, 4);
    p.setBrush(QColor(0x2e, 0xa0, 0x4f));
    p.drawRoundedRect(QRectF(card.left() + 8, card.bottom() - 18, 30, 12), 4, 4);
    return img;
}

QImage textPage(const QStringList& lines, int pixelSize, QList<QRect>* drawn, const QString& family,
                const QList<int>& cjkLines) {
    QImage image(640, 60 + int(lines.size()) * pixelSize * 2, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setPen(Qt::black);
    for (int i = 0; i < lines.size(); ++i) {
        QFont font(cjkLines.contains(i) ? QStringLiteral("WenQuanYi Micro Hei") : family);
        font.setPixelSize(pixelSize);
        p.setFont(font);
        const QFontMetrics metrics(font);
        const QPoint origin(30, 30 + i * pixelSize * 2 + metrics.ascent());
        p.drawText(origin, lines[i]);
        if (drawn) {
            drawn->append(metrics.tightBoundingRect(lines[i]).translated(origin));
        }
    }
    return image;
}

QString sampleProjectPath() {
    return dataPath(QStringLiteral("codec/every-layer.mebo"));
}

LayerList sampleLayers() {
    return MeboDocument::readFile(sampleProjectPath()).decodeLayers();
}

} // namespace mebo::test
