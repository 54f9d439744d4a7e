#include "editor/FloodFill.h"

#include "app/AppLogger.h"

#include <QColorSpace>
#include <QLocale>
#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

namespace mebo {

namespace {

// The texts that differ between the two modes.
struct ModeTexts {
    const char* seedOutside;
    const char* largeImage;
    const char* zeroPixels;
    const char* maskFailed;
};

const ModeTexts kRegionTexts{
    "[FloodFill] seed 明顯越界 baseImage: (",
    " px) flood-fill, 預計耗時較長",
    "[FloodFill] 零像素 (tolerance 過低?), 不落層",
    "[FloodFill] grayscale mask CGImage 建立失敗",
};
const ModeTexts kGlobalTexts{
    "[FloodFill] global seed 明顯越界 baseImage: (",
    " px) global fill, 預計耗時較長",
    "[FloodFill] global fill 零像素 (tolerance 過低?), 不落層",
    "[FloodFill] global grayscale mask CGImage 建立失敗",
};

// The image as 32-bit words whose bytes 0..2 in memory are the colour channels and byte 3 alpha.
// RGBA8888 has them in R, G, B order and RGB32/ARGB32 (little-endian) in B, G, R order; the
// distance is the largest per-channel difference, which does not depend on the order, so both
// compare exactly as their RGBA8888 conversion would and are read without a copy.
struct Pixels {
    QImage image; // owns or shares the pixels
    int width = 0;
    int height = 0;

    const quint32* row(int y) const { return reinterpret_cast<const quint32*>(image.constScanLine(y)); }
};

bool readsAsRgba8(QImage::Format format) {
    switch (format) {
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
        return true;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        return std::endian::native == std::endian::little;
    default:
        return false;
    }
}

// The base in 8-bit RGBA, sRGB. Empty when it cannot be had.
std::optional<Pixels> rgba8(const QImage& base) {
    if (base.isNull()) {
        return std::nullopt;
    }
    QImage image = base;
    const QColorSpace space = base.colorSpace();
    if (space.isValid() && space != QColorSpace(QColorSpace::SRgb)) {
        image = base.convertedToColorSpace(QColorSpace::SRgb);
    }
    if (!image.isNull() && !readsAsRgba8(image.format())) {
        image = image.convertToFormat(QImage::Format_RGBA8888);
    }
    if (image.isNull()) {
        return std::nullopt;
    }
    return Pixels{image, image.width(), image.height()};
}

// Four pixels at a time, in GCC/Clang vector extensions (SSE2 on x86-64, NEON on ARM).
using Bytes16 = quint8 __attribute__((vector_size(16)));
using Words4 = quint32 __attribute__((vector_size(16)));
using Longs2 = quint64 __attribute__((vector_size(16)));
using Words16 = quint32 __attribute__((vector_size(64)));

Bytes16 load4(const quint32* p) {
    Bytes16 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

Bytes16 splat4(quint32 word) {
    return Bytes16(Words4{word, word, word, word});
}

// Where memory byte k of a pixel word sits in the word, and the word's three colour bytes.
constexpr int byteShift(int k) {
    return std::endian::native == std::endian::little ? 8 * k : 8 * (3 - k);
}
constexpr quint32 kColourBits = ~(0xFFu << byteShift(3));

int channel(quint32 p, int k) {
    return int((p >> byteShift(k)) & 0xFF);
}

// Match predicates: a pixel matches when every colour byte lies within t of the seed's. `misses`
// answers for four pixels at once: a lane is non-zero when its pixel does not match.
struct ExactMatch {
    quint32 seed;
    bool operator()(quint32 p) const { return ((p ^ seed) & kColourBits) == 0; }
    Words4 misses(const quint32* p) const { return Words4((load4(p) ^ splat4(seed)) & splat4(kColourBits)); }
};
struct AnyMatch {
    bool operator()(quint32) const { return true; }
    Words4 misses(const quint32*) const { return Words4{}; }
};
struct RangeMatch {
    int lo0, lo1, lo2; // seed bytes minus t
    unsigned span;     // 2t
    Bytes16 lo, hi;    // per byte: seed -/+ t within 0..255; the alpha byte takes 0..255
    bool operator()(quint32 p) const {
        return unsigned(channel(p, 0) - lo0) <= span && unsigned(channel(p, 1) - lo1) <= span &&
               unsigned(channel(p, 2) - lo2) <= span;
    }
    Words4 misses(const quint32* p) const {
        const Bytes16 c = load4(p);
        return Words4((c < lo) | (c > hi));
    }
};

RangeMatch rangeMatch(quint32 seed, int t) {
    quint32 lo = 0, hi = ~kColourBits; // the alpha byte takes anything
    for (int k = 0; k < 3; ++k) {
        lo |= quint32(std::max(channel(seed, k) - t, 0)) << byteShift(k);
        hi |= quint32(std::min(channel(seed, k) + t, 255)) << byteShift(k);
    }
    return RangeMatch{channel(seed, 0) - t, channel(seed, 1) - t, channel(seed, 2) - t,
                      unsigned(2 * t),      splat4(lo),           splat4(hi)};
}

// Calls `fn` with the cheapest predicate that decides "within t of seed".
template <class Fn> auto withMatch(quint32 seed, int t, Fn&& fn) {
    if (t <= 0) {
        return fn(ExactMatch{seed});
    }
    if (t >= 255) {
        return fn(AnyMatch{});
    }
    return fn(rangeMatch(seed, t));
}

// Whether all of p[0..7] match.
template <class Match> bool allMatch8(const Match& match, const quint32* p) {
    const Longs2 v = Longs2(match.misses(p) | match.misses(p + 4));
    return (v[0] | v[1]) == 0;
}

// Whether none of p[0..3] matches.
template <class Match> bool noneMatch4(const Match& match, const quint32* p) {
    const Longs2 hits = Longs2(match.misses(p) == 0);
    return (hits[0] | hits[1]) == 0;
}

// Mask bytes for p[0..15]: 0xFF where the pixel matches, else 0.
template <class Match> void maskBytes16(const Match& match, const quint32* p, uchar* out) {
    Words16 hits;
    for (int i = 0; i < 4; ++i) {
        const Words4 h = Words4(match.misses(p + 4 * i) == 0);
        for (int j = 0; j < 4; ++j) {
            hits[4 * i + j] = h[j];
        }
    }
    const Bytes16 bytes = __builtin_convertvector(hits, Bytes16);
    std::memcpy(out, &bytes, sizeof bytes);
}

// Count and bounding box of the filled pixels.
struct Found {
    qint64 count = 0;
    int minX = INT_MAX, minY = INT_MAX, maxX = -1, maxY = -1;

    void add(int y, int a, int b) {
        count += b - a + 1;
        minX = std::min(minX, a);
        maxX = std::max(maxX, b);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    QRect rect() const { return QRect(QPoint(minX, minY), QPoint(maxX, maxY)); }
};

// The filled pixels of the region search, one bit per pixel (bit x & 7 of byte x >> 3 of the
// row). An eighth of a byte mask: at 4K it is 1 MB, and fresh memory is paid for per page.
class FillBits {
public:
    FillBits(int width, int height)
        : stride_(qsizetype(width + 7) / 8 + 1), // the extra byte lets 8 bits be read at any x
          bits_(new uchar[size_t(stride_) * size_t(height)]()) {}

    uchar* row(int y) { return bits_.get() + stride_ * y; }
    const uchar* row(int y) const { return bits_.get() + stride_ * y; }

    static bool test(const uchar* row, int x) { return (row[x >> 3] >> (x & 7)) & 1; }
    // Bits x .. x + 7.
    static unsigned eight(const uchar* row, int x) {
        const int i = x >> 3;
        return ((unsigned(row[i]) | unsigned(row[i + 1]) << 8) >> (x & 7)) & 0xFF;
    }
    static void set(uchar* row, int a, int b) {
        const int i = a >> 3, j = b >> 3;
        const uchar first = uchar(0xFF << (a & 7)), last = uchar(0xFF >> (7 - (b & 7)));
        if (i == j) {
            row[i] |= first & last;
            return;
        }
        row[i] |= first;
        std::memset(row + i + 1, 0xFF, size_t(j - i - 1));
        row[j] |= last;
    }

private:
    qsizetype stride_;
    std::unique_ptr<uchar[]> bits_;
};

// A filled run [l, r] of row y whose neighbour rows still have to be searched: row y + dy over the
// whole run, row y - dy over the run except [pl, pr], the run it was found from (filled already).
struct Span {
    int y, l, r, dy, pl, pr;
};

// The region search, by runs of pixels instead of single pixels. It fills exactly the set the
// pixel-by-pixel breadth-first search fills, the matching pixels 4-connected to the seed through
// matching pixels: every run filled is matching and touches a filled pixel, and when the stack is
// empty every filled run has had its left and right ends stop at a non-matching, filled or missing
// pixel and both neighbour rows searched over its width, so no matching neighbour of a filled pixel
// is left unfilled. The order of filling differs; the mask, box and count do not. `filled` is the
// visited-and-filled map, all clear on entry: a pixel is only ever visited to be filled, so the one
// map serves as both.
template <class Match> Found searchRegion(const Pixels& px, int sx, int sy, Match match, FillBits& filled) {
    const int w = px.width;
    const int h = px.height;
    Found found;
    std::vector<Span> stack;
    stack.reserve(1024);

    // Fills the runs of matching, unfilled pixels that start inside [from, to] of row y (a run may
    // reach left of `from` only through from itself) and stacks them with parent run [l, r] of row
    // y - dy.
    auto scan = [&](int y, int from, int to, int dy, int l, int r) {
        if (y < 0 || y >= h || from > to) {
            return;
        }
        const quint32* p = px.row(y);
        uchar* m = filled.row(y);
        int x = from;
        while (x <= to) {
            if (FillBits::test(m, x) || !match(p[x])) {
                ++x;
                continue;
            }
            int a = x;
            if (x == from) {
                while (a >= 8 && FillBits::eight(m, a - 8) == 0 && allMatch8(match, p + a - 8)) {
                    a -= 8;
                }
                while (a > 0 && !FillBits::test(m, a - 1) && match(p[a - 1])) {
                    --a;
                }
            }
            int b = x;
            while (b + 8 < w && FillBits::eight(m, b + 1) == 0 && allMatch8(match, p + b + 1)) {
                b += 8;
            }
            while (b + 1 < w && !FillBits::test(m, b + 1) && match(p[b + 1])) {
                ++b;
            }
            FillBits::set(m, a, b);
            found.add(y, a, b);
            stack.push_back(Span{y, a, b, dy, l, r});
            x = b + 2; // b + 1 stopped the run
        }
    };

    // The seed pixel always matches itself; its run has no parent.
    scan(sy, sx, sx, 1, 0, -1);
    while (!stack.empty()) {
        const Span s = stack.back();
        stack.pop_back();
        scan(s.y + s.dy, s.l, s.r, s.dy, s.l, s.r);
        scan(s.y - s.dy, s.l, std::min(s.r, s.pl - 1), -s.dy, s.l, s.r);
        scan(s.y - s.dy, std::max(s.l, s.pr + 1), s.r, -s.dy, s.l, s.r);
    }
    return found;
}

// Eight mask bytes for each pattern of eight bits: bit k gives byte k = 255.
constexpr std::array<std::array<uchar, 8>, 256> kBitBytes = [] {
    std::array<std::array<uchar, 8>, 256> table{};
    for (int v = 0; v < 256; ++v) {
        for (int k = 0; k < 8; ++k) {
            table[v][k] = (v >> k) & 1 ? 0xFF : 0;
        }
    }
    return table;
}();

// The box of the filled bits as a byte mask.
std::optional<FloodFillResult> cropRegion(const FillBits& filled, const Found& found,
                                          const ModeTexts& texts) {
    const QRect box = found.rect();
    QImage out(box.size(), QImage::Format_Grayscale8);
    if (out.isNull()) {
        logError(QString::fromUtf8(texts.maskFailed));
        return std::nullopt;
    }
    const int w = box.width();
    for (int row = 0; row < box.height(); ++row) {
        const uchar* bits = filled.row(box.top() + row);
        uchar* o = out.scanLine(row);
        for (int x = 0; x < w; x += 8) {
            const auto& bytes = kBitBytes[FillBits::eight(bits, box.left() + x)];
            std::memcpy(o + x, bytes.data(), size_t(std::min(8, w - x)));
        }
    }
    return FloodFillResult{out, box, found.count};
}

std::optional<FloodFillResult> fillRegion(const Pixels& px, QPoint seed, int t, const ModeTexts& texts) {
    std::optional<FillBits> filled;
    Found found;
    try {
        filled.emplace(px.width, px.height);
        const quint32 seedColour = px.row(seed.y())[seed.x()];
        found = withMatch(seedColour, t,
                          [&](auto match) { return searchRegion(px, seed.x(), seed.y(), match, *filled); });
    } catch (const std::bad_alloc&) {
        logError(QString::fromUtf8(texts.maskFailed));
        return std::nullopt;
    }
    if (found.count == 0) {
        logWarning(QString::fromUtf8(texts.zeroPixels));
        return std::nullopt;
    }
    return cropRegion(*filled, found, texts);
}

// Global fill in two passes over the image, so that no full-size mask is needed: count and box
// first, then the box's mask written straight into the result.
template <class Match> Found countGlobal(const Pixels& px, Match match) {
    Found found;
    const int w = px.width;
    for (int y = 0; y < px.height; ++y) {
        const quint32* p = px.row(y);
        Words4 hits{}; // minus the matches per lane
        int x = 0;
        for (; x + 4 <= w; x += 4) {
            hits += Words4(match.misses(p + x) == 0);
        }
        qint64 n = -qint32(hits[0] + hits[1] + hits[2] + hits[3]);
        for (; x < w; ++x) {
            n += match(p[x]) ? 1 : 0;
        }
        if (n == 0) {
            continue;
        }
        int a = 0;
        while (a + 4 <= w && noneMatch4(match, p + a)) {
            a += 4;
        }
        while (!match(p[a])) {
            ++a;
        }
        int b = w - 1;
        while (b >= 3 && noneMatch4(match, p + b - 3)) {
            b -= 4;
        }
        while (!match(p[b])) {
            --b;
        }
        found.minX = std::min(found.minX, a);
        found.maxX = std::max(found.maxX, b);
        found.minY = std::min(found.minY, y);
        found.maxY = y;
        found.count += n;
    }
    return found;
}

template <class Match> void writeGlobalMask(const Pixels& px, const QRect& box, Match match, QImage& out) {
    const int w = box.width();
    for (int row = 0; row < box.height(); ++row) {
        const quint32* p = px.row(box.top() + row) + box.left();
        uchar* m = out.scanLine(row);
        int x = 0;
        for (; x + 16 <= w; x += 16) {
            maskBytes16(match, p + x, m + x);
        }
        for (; x < w; ++x) {
            m[x] = match(p[x]) ? 0xFF : 0;
        }
    }
}

std::optional<FloodFillResult> fillGlobal(const Pixels& px, QPoint seed, int t, const ModeTexts& texts) {
    const quint32 seedColour = px.row(seed.y())[seed.x()];
    return withMatch(seedColour, t, [&](auto match) -> std::optional<FloodFillResult> {
        const Found found = countGlobal(px, match);
        if (found.count == 0) {
            logWarning(QString::fromUtf8(texts.zeroPixels));
            return std::nullopt;
        }
        const QRect box = found.rect();
        QImage out(box.size(), QImage::Format_Grayscale8);
        if (out.isNull()) {
            logError(QString::fromUtf8(texts.maskFailed));
            return std::nullopt;
        }
        writeGlobalMask(px, box, match, out);
        return FloodFillResult{out, box, found.count};
    });
}

QString coordinate(double v) {
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

using Search = std::optional<FloodFillResult> (*)(const Pixels&, QPoint, int, const ModeTexts&);

std::optional<FloodFillResult> run(const QImage& base, const QPointF& seed, double tolerance,
                                   const ModeTexts& texts, Search search) {
    if (!std::isfinite(seed.x()) || !std::isfinite(seed.y())) {
        return std::nullopt;
    }
    const double x = std::trunc(seed.x());
    const double y = std::trunc(seed.y());
    const int width = base.width();
    const int height = base.height();
    // A click on the far edge (x == width) is still taken, as the last column.
    if (x < 0 || x > width || y < 0 || y > height) {
        logWarning(QString::fromUtf8(texts.seedOutside) + coordinate(x) + QLatin1Char(',') + coordinate(y) +
                   QStringLiteral(") size=") + QString::number(width) + QLatin1Char('x') +
                   QString::number(height));
        return std::nullopt;
    }
    const qint64 pixels = qint64(width) * height;
    if (pixels > FloodFill::largeImagePixels) {
        logInfo(QStringLiteral("[FloodFill] 大圖 (") + QString::number(pixels) +
                QString::fromUtf8(texts.largeImage));
    }
    const int t = FloodFill::threshold(tolerance);
    const std::optional<Pixels> px = rgba8(base);
    if (!px) {
        logError(QStringLiteral("[FloodFill] baseImage 轉 RGBA8 失敗"));
        return std::nullopt;
    }
    const QPoint at(std::min(int(x), px->width - 1), std::min(int(y), px->height - 1));
    return search(*px, at, t, texts);
}

} // namespace

int FloodFill::threshold(double tolerance) {
    const double t = std::round(tolerance * 2.55);
    if (!(t > 0)) {
        return 0; // also NaN
    }
    return t >= 255 ? 255 : int(t);
}

std::optional<FloodFillResult> FloodFill::region(const QImage& base, const QPointF& seed, double tolerance) {
    return run(base, seed, tolerance, kRegionTexts, &fillRegion);
}

std::optional<FloodFillResult> FloodFill::global(const QImage& base, const QPointF& seed, double tolerance) {
    return run(base, seed, tolerance, kGlobalTexts, &fillGlobal);
}

} // namespace mebo
