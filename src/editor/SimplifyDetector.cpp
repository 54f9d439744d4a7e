#include "editor/SimplifyDetector.h"

#include "app/BackgroundTask.h"
#include "app/MainThread.h"
#include "editor/OcrOverlay.h"
#include "editor/OcrSvc.h"
#include "platform/TextRecognizer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <vector>

namespace mebo {

namespace {

constexpr int kCell = 8;                 // edge density is counted in cells of this many pixels
constexpr int kEdgeStep = 20;            // a grey step this large between neighbours is an edge
constexpr int kBusyCellEdges = 6;        // edge pixels that make a cell busy
constexpr double kMinFill = 0.35;        // busy cells per cell of a region's box (less: a frame)
constexpr double kMaxArea = 0.40;        // of the picture, for any proposal
constexpr double kMinTextHeight = 0.006; // of the picture's height
constexpr double kMinObjectSize = 0.008; // of the picture's larger side
constexpr int kMaxObjects = 160;         // icons and images kept, the largest first
constexpr int kUniformTolerance = 10;    // per channel, for a control's fill

int distance(QRgb a, QRgb b) {
    return std::max(
        {std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

QRgb mix(QRgb a, QRgb b, double t) {
    auto m = [t](int x, int y) { return int(std::lround(x * t + y * (1 - t))); };
    return qRgb(m(qRed(a), qRed(b)), m(qGreen(a), qGreen(b)), m(qBlue(a), qBlue(b)));
}

// Read access to an RGB32 picture.
class Pixels {
public:
    explicit Pixels(const QImage& image)
        : image_(image.format() == QImage::Format_RGB32 ? image
                                                        : image.convertToFormat(QImage::Format_RGB32)) {}
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    QRect rect() const { return image_.rect(); }
    QRgb at(int x, int y) const { return reinterpret_cast<const QRgb*>(image_.constScanLine(y))[x]; }

    // The commonest colour (4 bits a channel, then averaged) of `area`, every `step`th pixel.
    QRgb commonest(const QRect& area, int step = 1) const {
        std::vector<int> count(4096, 0);
        std::vector<std::array<qint64, 3>> sum(4096, {0, 0, 0});
        const QRect a = area.intersected(rect());
        for (int y = a.top(); y <= a.bottom(); y += step) {
            for (int x = a.left(); x <= a.right(); x += step) {
                const QRgb c = at(x, y);
                const int bin = ((qRed(c) >> 4) << 8) | ((qGreen(c) >> 4) << 4) | (qBlue(c) >> 4);
                ++count[size_t(bin)];
                sum[size_t(bin)][0] += qRed(c);
                sum[size_t(bin)][1] += qGreen(c);
                sum[size_t(bin)][2] += qBlue(c);
            }
        }
        const auto best = size_t(std::max_element(count.begin(), count.end()) - count.begin());
        if (count[best] == 0) {
            return qRgb(255, 255, 255);
        }
        const qint64 n = count[best];
        return qRgb(int(sum[best][0] / n), int(sum[best][1] / n), int(sum[best][2] / n));
    }

    // The average of the pixels of `area` far from `background`; `background` when none is.
    QRgb ink(const QRect& area, QRgb background, int far) const {
        qint64 r = 0, g = 0, b = 0, n = 0;
        const QRect a = area.intersected(rect());
        for (int y = a.top(); y <= a.bottom(); ++y) {
            for (int x = a.left(); x <= a.right(); ++x) {
                const QRgb c = at(x, y);
                if (distance(c, background) > far) {
                    r += qRed(c);
                    g += qGreen(c);
                    b += qBlue(c);
                    ++n;
                }
            }
        }
        return n ? qRgb(int(r / n), int(g / n), int(b / n)) : background;
    }

    QRgb mean(const QRect& area) const { return ink(area, qRgba(0, 0, 0, 0), -1); }

    bool rowIs(int y, int x0, int x1, QRgb c) const {
        for (int x = x0; x <= x1; ++x) {
            if (distance(at(x, y), c) > kUniformTolerance) {
                return false;
            }
        }
        return true;
    }
    bool columnIs(int x, int y0, int y1, QRgb c) const {
        for (int y = y0; y <= y1; ++y) {
            if (distance(at(x, y), c) > kUniformTolerance) {
                return false;
            }
        }
        return true;
    }

private:
    QImage image_;
};

// The box of one colour around a text, grown a line at a time while the next line outside keeps
// the colour; nothing when it runs into the picture's edge or past the limits before closing.
std::optional<QRect> enclosingBox(const Pixels& px, const QRect& text, QRgb fill) {
    const int h = text.height();
    const int maxV = std::max(4, int(h * 1.2));
    const int maxH = std::max(60, h * 30); // text fields are wide, their text short
    int top = text.top(), bottom = text.bottom(), left = text.left(), right = text.right();
    bool grew = true;
    while (grew) {
        grew = false;
        if (top - 1 >= 0 && text.top() - top < maxV && px.rowIs(top - 1, left, right, fill)) {
            --top;
            grew = true;
        }
        if (bottom + 1 < px.height() && bottom - text.bottom() < maxV &&
            px.rowIs(bottom + 1, left, right, fill)) {
            ++bottom;
            grew = true;
        }
        if (left - 1 >= 0 && text.left() - left < maxH && px.columnIs(left - 1, top, bottom, fill)) {
            --left;
            grew = true;
        }
        if (right + 1 < px.width() && right - text.right() < maxH &&
            px.columnIs(right + 1, top, bottom, fill)) {
            ++right;
            grew = true;
        }
    }
    // Closed only where something else stopped it on every side.
    const bool closed = top > 0 && left > 0 && bottom < px.height() - 1 && right < px.width() - 1 &&
                        text.top() - top < maxV && bottom - text.bottom() < maxV &&
                        text.left() - left < maxH && right - text.right() < maxH;
    if (!closed) {
        return std::nullopt;
    }
    // Closed by a frame or a plain surround: one colour along the middle of every side (clear of
    // rounded corners), not whatever content or panel edges happened to lie next to a label.
    const int insetX = (right - left + 1) / 8, insetY = (bottom - top + 1) / 8;
    const QRgb outside = px.at(left + insetX, top - 1);
    const bool outlined = px.rowIs(top - 1, left + insetX, right - insetX, outside) &&
                          px.rowIs(bottom + 1, left + insetX, right - insetX, outside) &&
                          px.columnIs(left - 1, top + insetY, bottom - insetY, outside) &&
                          px.columnIs(right + 1, top + insetY, bottom - insetY, outside);
    if (!outlined) {
        return std::nullopt;
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

// Connected busy cells: their box in cells and how many there are.
struct Region {
    QRect cells;
    int count = 0;
};

QList<Region> busyRegions(const std::vector<uint8_t>& busy, int cols, int rows) {
    QList<Region> out;
    std::vector<uint8_t> seen(busy.size(), 0);
    std::vector<int> stack;
    for (int start = 0; start < int(busy.size()); ++start) {
        if (!busy[size_t(start)] || seen[size_t(start)]) {
            continue;
        }
        Region r;
        r.cells = QRect(start % cols, start / cols, 1, 1);
        stack.push_back(start);
        seen[size_t(start)] = 1;
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            const int cx = i % cols, cy = i / cols;
            r.cells = r.cells.united(QRect(cx, cy, 1, 1));
            ++r.count;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = cx + dx, ny = cy + dy;
                    if (nx < 0 || ny < 0 || nx >= cols || ny >= rows) {
                        continue;
                    }
                    const int n = ny * cols + nx;
                    if (busy[size_t(n)] && !seen[size_t(n)]) {
                        seen[size_t(n)] = 1;
                        stack.push_back(n);
                    }
                }
            }
        }
        out.append(r);
    }
    return out;
}

bool isEdge(const Pixels& px, int x, int y) {
    const int g = qGray(px.at(x, y));
    return std::abs(qGray(px.at(x + 1, y)) - g) >= kEdgeStep ||
           std::abs(qGray(px.at(x, y + 1)) - g) >= kEdgeStep;
}

// The box of the unclaimed edge pixels inside `r` (cells reach past what they hold), one pixel
// wider on every side for the far side of each edge.
QRect tightened(const Pixels& px, const std::vector<uint8_t>& claimed, const QRect& r) {
    QRect box;
    for (int y = r.top(); y <= r.bottom() && y + 1 < px.height(); ++y) {
        for (int x = r.left(); x <= r.right() && x + 1 < px.width(); ++x) {
            if (!claimed[size_t(y) * size_t(px.width()) + size_t(x)] && isEdge(px, x, y)) {
                box = box.united(QRect(x, y, 1, 1));
            }
        }
    }
    return box.isEmpty() ? r : box.adjusted(0, 0, 1, 1).intersected(px.rect());
}

double clampedTextConfidence(double c) {
    return std::clamp(c, 0.52, 0.9);
}

} // namespace

QString SimplifyProposal::label(Kind kind) {
    switch (kind) {
    case Kind::button:
        return QStringLiteral("Button");
    case Kind::textField:
        return QStringLiteral("Text Field");
    case Kind::icon:
        return QStringLiteral("Icon");
    case Kind::text:
        return QStringLiteral("Text");
    case Kind::image:
        return QStringLiteral("Image");
    }
    return {};
}

SimplifyDetector::SimplifyDetector(std::shared_ptr<platform::TextRecognizer> recognizer)
    : recognizer_(std::move(recognizer)) {}

void SimplifyDetector::detect(const QImage& image,
                              std::function<void(std::optional<QList<SimplifyProposal>>)> done) const {
    startUserInitiatedTask([detector = *this, image, done = std::move(done)] {
        auto found = detector.detectNow(image);
        runOnMain([found = std::move(found), done] { done(found); });
    });
}

std::optional<QList<SimplifyProposal>> SimplifyDetector::detectNow(const QImage& image) const {
    if (image.isNull()) {
        return std::nullopt;
    }
    const auto lines = OcrSvc::recognizeLines(recognizer_.get(), image);
    if (!lines) {
        return std::nullopt;
    }
    return propose(image, *lines);
}

QList<SimplifyProposal> SimplifyDetector::propose(const QImage& image,
                                                  const QList<platform::RecognizedTextLine>& lines) {
    QList<SimplifyProposal> out;
    if (image.isNull()) {
        return out;
    }
    const Pixels px(image);
    const QRect bounds = px.rect();
    const qint64 maxArea = qint64(kMaxArea * double(bounds.width()) * bounds.height());
    const QRgb page = px.commonest(bounds, std::max(1, std::min(bounds.width(), bounds.height()) / 200));
    // Pixels whose edges belong to text or to the controls around it, not to icons or images.
    std::vector<uint8_t> claimed(size_t(bounds.width()) * size_t(bounds.height()), 0);
    auto claim = [&](const QRect& r) {
        const QRect c = r.intersected(bounds);
        for (int y = c.top(); y <= c.bottom(); ++y) {
            std::fill_n(claimed.begin() + qsizetype(y) * bounds.width() + c.left(), c.width(), uint8_t(1));
        }
    };

    // Text, and the controls that hold a short one.
    for (const platform::RecognizedTextLine& line : lines) {
        const QRect text =
            OcrOverlay::imagePixels(line.box, bounds.size()).toAlignedRect().intersected(bounds);
        if (text.isEmpty() || text.height() < kMinTextHeight * bounds.height() ||
            line.text.trimmed().isEmpty()) {
            continue;
        }
        const QRect around = text.adjusted(-2, -2, 2, 2).intersected(bounds);
        // The colour just around the text: its background, or the fill of the control holding it.
        const QRgb local =
            px.commonest(QRect(around.left(), around.top(), around.width(), 1)
                             .united(QRect(around.left(), around.bottom(), around.width(), 1)));
        SimplifyProposal p;
        p.confidence = clampedTextConfidence(line.confidence);
        if (const auto box = enclosingBox(px, around, local);
            box && qint64(box->width()) * box->height() <= maxArea && distance(local, page) > 24) {
            p.kind = SimplifyProposal::Kind::button;
            p.rect = *box;
            p.fill = QColor(local);
            p.shape = MosaicShape::roundedRect;
            p.cornerRadius = std::min(6.0, box->height() / 3.0);
            claim(box->adjusted(-3, -3, 3, 3));
        } else if (box && qint64(box->width()) * box->height() <= maxArea) {
            p.kind = SimplifyProposal::Kind::textField;
            p.rect = *box;
            p.fill = QColor(local);
            p.shape = MosaicShape::rect;
            claim(box->adjusted(-3, -3, 3, 3));
        } else {
            // A bar in the text's colour washed out over its background.
            p.kind = SimplifyProposal::Kind::text;
            p.rect = text;
            p.fill = QColor(mix(px.ink(text, local, 80), local, 0.4));
            p.shape = MosaicShape::roundedRect;
            p.cornerRadius = text.height() / 2.0;
            claim(text.adjusted(-3, -3, 3, 3));
        }
        out.append(p);
    }

    // Icons and images: regions dense in edges outside what the text claimed.
    const int cols = (bounds.width() + kCell - 1) / kCell, rows = (bounds.height() + kCell - 1) / kCell;
    std::vector<int> edges(size_t(cols) * size_t(rows), 0);
    for (int y = 0; y + 1 < bounds.height(); ++y) {
        for (int x = 0; x + 1 < bounds.width(); ++x) {
            if (claimed[size_t(y) * size_t(bounds.width()) + size_t(x)]) {
                continue;
            }
            if (isEdge(px, x, y)) {
                ++edges[size_t(y / kCell) * size_t(cols) + size_t(x / kCell)];
            }
        }
    }
    std::vector<uint8_t> busy(edges.size());
    std::transform(edges.begin(), edges.end(), busy.begin(),
                   [](int e) { return uint8_t(e >= kBusyCellEdges); });
    const int minSize = std::max(8, int(kMinObjectSize * std::max(bounds.width(), bounds.height())));
    QList<SimplifyProposal> objects;
    for (const Region& r : busyRegions(busy, cols, rows)) {
        const QRect cells = r.cells;
        const double fill = double(r.count) / (qint64(cells.width()) * cells.height());
        const bool thin = (cells.height() <= 2 && cells.width() >= 6 * cells.height()) ||
                          (cells.width() <= 2 && cells.height() >= 6 * cells.width());
        if (thin || (fill < kMinFill && r.count > 8)) {
            continue; // a separator, a frame or a panel's outline: the layout itself
        }
        const QRect rect = tightened(
            px, claimed,
            QRect(cells.x() * kCell, cells.y() * kCell, cells.width() * kCell, cells.height() * kCell)
                .intersected(bounds));
        if (rect.width() < minSize || rect.height() < minSize ||
            qint64(rect.width()) * rect.height() > maxArea) {
            continue;
        }
        SimplifyProposal p;
        p.rect = rect;
        p.confidence = std::clamp(0.38 + 0.5 * fill, 0.38, 0.9);
        const QRgb local = px.commonest(QRect(rect.left(), rect.top(), rect.width(), 1)
                                            .united(QRect(rect.left(), rect.bottom(), rect.width(), 1)));
        const int side = std::max(rect.width(), rect.height());
        const double aspect = double(rect.width()) / rect.height();
        if (side <= std::max(96, bounds.height() / 12) && aspect >= 0.5 && aspect <= 2) {
            p.kind = SimplifyProposal::Kind::icon;
            p.fill = QColor(px.ink(rect, local, 40));
            // Round when its corners show the background.
            const bool round = distance(px.at(rect.left(), rect.top()), local) <= 16 &&
                               distance(px.at(rect.right(), rect.bottom()), local) <= 16 &&
                               distance(px.at(rect.center().x(), rect.center().y()), local) > 16;
            p.shape = round ? MosaicShape::ellipse : MosaicShape::roundedRect;
            if (!round) {
                p.cornerRadius = std::min(rect.width(), rect.height()) / 5.0;
            }
        } else {
            p.kind = SimplifyProposal::Kind::image;
            p.fill = QColor(px.mean(rect));
            p.shape = MosaicShape::rect;
        }
        objects.append(p);
    }
    std::stable_sort(
        objects.begin(), objects.end(), [](const SimplifyProposal& a, const SimplifyProposal& b) {
            return qint64(a.rect.width()) * a.rect.height() > qint64(b.rect.width()) * b.rect.height();
        });
    if (objects.size() > kMaxObjects) {
        objects.resize(kMaxObjects);
    }
    // Text inside an image is part of the image.
    QList<SimplifyProposal> kept;
    for (const SimplifyProposal& p : out) {
        const bool insideImage = std::any_of(objects.begin(), objects.end(), [&](const SimplifyProposal& o) {
            return o.kind == SimplifyProposal::Kind::image && o.rect.contains(p.rect);
        });
        if (!insideImage) {
            kept.append(p);
        }
    }
    kept.append(objects);
    return kept;
}

bool SimplifyDetector::isWeak(const QList<SimplifyProposal>& found) {
    if (found.size() < 3) {
        return true;
    }
    const double mean =
        std::accumulate(found.begin(), found.end(), 0.0,
                        [](double s, const SimplifyProposal& p) { return s + p.confidence; }) /
        double(found.size());
    return mean < 0.6;
}

QString SimplifyDetector::reviewText(const std::optional<QList<SimplifyProposal>>& found) {
    if (!found) {
        return QStringLiteral("Simplify Auto could not scan this image.");
    }
    if (found->isEmpty()) {
        return QStringLiteral("No UI objects were found.");
    }
    QString text = QStringLiteral("Detected %1 objects.").arg(found->size());
    if (isWeak(*found)) {
        text += QStringLiteral(" Detection may be weak. Review before applying.");
    }
    return text;
}

} // namespace mebo
