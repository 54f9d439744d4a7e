#include "scroll/ScrollAlignment.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace mebo {

BandGeometry BandGeometry::of(int w, int h) {
    BandGeometry b;
    b.left = std::min(2 * w / 5, std::max(int(0.3 * w), 8));
    b.width = std::max(w - 2 * b.left, 0);
    b.top = std::min(h / 3, std::max(int(0.12 * h), 24));
    b.bottom = std::min(h / 4, std::max(int(0.08 * h), 24));
    b.height = std::max(h - b.top - b.bottom, 0);
    return b;
}

namespace scrollalign {

namespace {

// Grey values are compared on a 0..1 scale where the thresholds speak of "almost no variance".
constexpr double kMinSumSquares = 0.0001 * 255.0 * 255.0;

// Row profiles are kept as integers, six times the mean, three per row side by side, so the shift search
// below is one integer loop the compiler vectorises.
constexpr int kProfileScale = 6;
// A row of the profiles is an edge when one of its three means moves by more than 8 grey levels
// from the row above; a shift needs a few such rows in the rows it compares.
constexpr int kEdgeStep = 8 * kProfileScale;
constexpr int kMinEdgeRows = 4;

// Per row, the mean grey value over each of three spans of the band (up to 32 evenly spaced
// columns per span). Three columns per span, as a first version had, miss most strokes of small
// text: a code listing's rows then look blank in the band and its real shift could not be told
// from one a few lines off.
constexpr int kSpanColumns = 32;

void rowProfiles(const GreyImage& g, const BandGeometry& band, std::vector<int32_t>& out) {
    const int b = band.left;
    const int w = band.width;
    const std::array<std::pair<int, int>, 3> spans = {
        {{b + std::min(w, 21) - 1, b + w / 4}, {b + w / 2, b + 5 * w / 8}, {b + 6 * w / 8, b + 7 * w / 8}}};
    std::array<std::vector<int>, 3> columns;
    for (int k = 0; k < 3; ++k) {
        const int lo = std::min(spans[k].first, spans[k].second);
        const int hi = std::max(spans[k].first, spans[k].second);
        const int n = std::clamp(hi - lo + 1, 1, kSpanColumns);
        for (int i = 0; i < n; ++i) {
            const int x = n == 1 ? lo : lo + int(double(hi - lo) * i / (n - 1));
            if (x >= 0 && x < g.width && (columns[k].empty() || columns[k].back() != x)) {
                columns[k].push_back(x);
            }
        }
    }
    out.resize(size_t(g.height) * 3);
    for (int y = 0; y < g.height; ++y) {
        const uint8_t* row = g.row(y);
        for (int k = 0; k < 3; ++k) {
            int sum = 0;
            for (int x : columns[k]) {
                sum += row[x];
            }
            const int n = int(columns[k].size());
            out[size_t(y) * 3 + size_t(k)] = n > 0 ? (sum * kProfileScale + n / 2) / n : 0;
        }
    }
}

int64_t absDiffSum(const int32_t* a, const int32_t* b, int n) {
    int64_t sum = 0;
    for (int i = 0; i < n; ++i) {
        sum += std::abs(a[i] - b[i]);
    }
    return sum;
}

} // namespace

BandGeometry contentColumns(const GreyImage& next, const GreyImage* last, BandGeometry band) {
    const int W = next.width;
    const int w = band.width;
    if (w < 40 || W < 80 || next.height < band.top + band.height ||
        (last && (last->width != W || last->height != next.height))) {
        return band;
    }
    // Per column, how much the picture changes from row to row (text, rules, edges), counted only
    // in columns that differ between the two frames: a side bar fixed to the view looks the same
    // in both and must not carry the alignment.
    thread_local std::vector<int64_t> detail;
    thread_local std::vector<int> fixed; // columns that show something that did not move
    detail.assign(size_t(W) + 1, 0);
    fixed.assign(size_t(W) + 1, 0);
    const int y0 = std::max(band.top, 1);
    const int y1 = band.top + band.height;
    for (int x = 0; x < W; x += 2) {
        int64_t d = 0;
        int64_t moved = 0;
        for (int y = y0; y < y1; y += 2) {
            d += std::abs(int(next.row(y)[x]) - int(next.row(y - 1)[x]));
            if (last) {
                moved += std::abs(int(next.row(y)[x]) - int(last->row(y)[x]));
            }
        }
        detail[size_t(x) + 1] = (!last || moved > 0) ? d : 0;
        fixed[size_t(x) + 1] = last && moved == 0 && d > 0 ? 1 : 0;
    }
    for (int x = 1; x <= W; ++x) {
        detail[size_t(x)] += detail[size_t(x) - 1];
        fixed[size_t(x)] += fixed[size_t(x) - 1];
    }
    auto sum = [&](int left) { return detail[size_t(left + w)] - detail[size_t(left)]; };
    // A band reaching into a fixed side bar would compare its unmoving rows at every shift.
    auto clear = [&](int left) { return fixed[size_t(left + w)] - fixed[size_t(left)] <= w / 100; };
    // Clear of the window's edges and of a scroll bar on the right.
    const int lo = std::min(8, band.left);
    const int hi = std::max(lo, W - w - std::min(24, W - w - band.left));
    int bestLeft = band.left;
    int64_t best = sum(band.left);
    for (int left = lo; left <= hi; left += std::max(1, w / 8)) {
        // The middle columns unless others show clearly more.
        if (sum(left) > 2 * best + 64 && clear(left)) {
            best = sum(left);
            bestLeft = left;
        }
    }
    band.left = bestLeft;
    return band;
}

bool isNearDuplicate(const GreyImage& last, const GreyImage& next) {
    if (last.width != next.width || last.height != next.height || last.isNull()) {
        return false;
    }
    const int step = std::max(1, std::min(last.width, last.height) / 80);
    qint64 samples = 0;
    qint64 total = 0;
    qint64 large = 0;
    for (int y = 0; y < last.height; y += step) {
        const uint8_t* a = last.row(y);
        const uint8_t* b = next.row(y);
        for (int x = 0; x < last.width; x += step) {
            const int d = std::abs(int(a[x]) - int(b[x]));
            total += d;
            large += d > 7 ? 1 : 0;
            ++samples;
        }
    }
    if (samples == 0) {
        return false;
    }
    return double(total) / double(samples) < 1.2 && double(large) / double(samples) < 0.018;
}

bool framesLookSame(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull() || a.depth() != 32 || b.depth() != 32) {
        return false;
    }
    const int step = std::max(1, std::min(a.width(), a.height()) / 80);
    qint64 samples = 0, total = 0, large = 0;
    for (int y = 0; y < a.height(); y += step) {
        const auto* ra = reinterpret_cast<const uint32_t*>(a.constScanLine(y));
        const auto* rb = reinterpret_cast<const uint32_t*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); x += step) {
            const uint32_t p = ra[x], q = rb[x];
            const int ga = int((((p >> 16) & 0xff) * 77 + ((p >> 8) & 0xff) * 151 + (p & 0xff) * 28) >> 8);
            const int gb = int((((q >> 16) & 0xff) * 77 + ((q >> 8) & 0xff) * 151 + (q & 0xff) * 28) >> 8);
            const int d = std::abs(ga - gb);
            total += d;
            large += d > 7 ? 1 : 0;
            ++samples;
        }
    }
    return samples > 0 && double(total) / double(samples) < 1.2 && double(large) / double(samples) < 0.018;
}

std::optional<double> zncc(const GreyImage& a, int ax, int ay, const GreyImage& b, int bx, int by, int w,
                           int h) {
    const double n = double(w) * double(h);
    if (n <= 0) {
        return std::nullopt;
    }
    qint64 sa = 0, saa = 0, sb = 0, sbb = 0, sab = 0;
    for (int y = 0; y < h; ++y) {
        const uint8_t* ra = a.row(ay + y) + ax;
        const uint8_t* rb = b.row(by + y) + bx;
        int rsa = 0, rsb = 0, rsab = 0, rsaa = 0, rsbb = 0;
        for (int x = 0; x < w; ++x) {
            const int va = ra[x];
            const int vb = rb[x];
            rsa += va;
            rsb += vb;
            rsaa += va * va;
            rsbb += vb * vb;
            rsab += va * vb;
        }
        sa += rsa;
        sb += rsb;
        saa += rsaa;
        sbb += rsbb;
        sab += rsab;
    }
    const double varA = double(saa) - double(sa) * double(sa) / n;
    const double varB = double(sbb) - double(sb) * double(sb) / n;
    if (varA <= kMinSumSquares || varB <= kMinSumSquares) {
        return std::nullopt;
    }
    return (double(sab) - double(sa) * double(sb) / n) / std::sqrt(varA * varB);
}

namespace {

// The band two frames of a step are compared over; nothing when they are too small to tell.
std::optional<BandGeometry> bandToCompare(const GreyImage& last, const GreyImage& next) {
    const int W = next.width;
    const int H = next.height;
    if (last.width != W || last.height != H || W < 80 || H < 140) {
        return std::nullopt;
    }
    const BandGeometry band = contentColumns(next, &last, BandGeometry::of(W, H));
    if (band.width < 40 || band.height < 96) {
        return std::nullopt;
    }
    return band;
}

} // namespace

std::optional<Alignment> alignPrimary(const GreyImage& last, const GreyImage& next, int hint) {
    const int W = next.width;
    const int H = next.height;
    const auto compared = bandToCompare(last, next);
    if (!compared) {
        return std::nullopt;
    }
    const BandGeometry band = *compared;
    const int T = band.height < 240 ? 48 : band.height >= 480 ? 96 : band.height / 5;
    const int R = H < 576 ? 72 : std::min(H / 8, H - 8);
    const int M = H - R;
    if (M < 8) {
        return std::nullopt;
    }
    std::vector<int> templateRows;
    for (int p : {band.top, band.top + std::max(0, (band.height - T) / 2),
                  band.top + std::max(0, 3 * (band.height - T) / 4)}) {
        if (std::find(templateRows.begin(), templateRows.end(), p) == templateRows.end()) {
            templateRows.push_back(p);
        }
    }

    // Reused between frames of a session (processing runs on one thread at a time per session;
    // thread_local keeps concurrent sessions apart).
    thread_local std::vector<int32_t> pl, pn;
    rowProfiles(last, band, pl);
    rowProfiles(next, band, pn);
    const int e = std::clamp(hint >= 1 ? hint : M / 2, 8, M);
    // Rows of the new frame's band where the picture changes from the row above (text, rules,
    // edges), counted from the top: a large shift compares only the few rows below the top
    // margin, and when those are blank (the space between paragraphs, a page's empty end) every
    // such shift scores a perfect 0 and beats the real one. A shift is scored only over rows
    // that show something.
    thread_local std::vector<int> edgeRows;
    edgeRows.assign(size_t(H) + 1, 0);
    for (int y = band.top + 1; y < H; ++y) {
        const int32_t* r = pn.data() + size_t(y) * 3;
        bool edge = false;
        for (int k = 0; k < 3; ++k) {
            edge = edge || std::abs(r[k] - r[k - 3]) > kEdgeStep;
        }
        edgeRows[size_t(y) + 1] = edgeRows[size_t(y)] + (edge ? 1 : 0);
    }

    // Candidates e, e+1, e-1, e+2, e-2, ... within 0..M; scored from 8 rows on.
    std::optional<int> best;
    double bestScore = std::numeric_limits<double>::infinity();
    thread_local std::vector<std::pair<int, double>> scored;
    scored.clear();
    scored.reserve(size_t(M) + 1);
    auto consider = [&](int s) {
        if (s < 8 || s > M) {
            return;
        }
        const int end = std::min(band.top + band.height, H - s);
        const int rows = end - band.top;
        if (rows < 13 || edgeRows[size_t(end)] - edgeRows[size_t(band.top) + 1] < kMinEdgeRows) {
            return;
        }
        const int64_t sum =
            absDiffSum(pl.data() + size_t(band.top + s) * 3, pn.data() + size_t(band.top) * 3, 3 * rows);
        const double score = double(sum) / (double(kProfileScale) * 3.0 * rows);
        if (!std::isfinite(score)) {
            return;
        }
        scored.emplace_back(s, score);
        // Candidates come in order of distance from e, so an equal score never displaces an
        // earlier (closer or equally close and earlier) best.
        if (!best || score < bestScore || (score == bestScore && std::abs(s - e) < std::abs(*best - e))) {
            best = s;
            bestScore = score;
        }
    };
    consider(e);
    for (int d = 1; d <= M; ++d) {
        consider(e + d);
        consider(e - d);
    }
    if (!best || bestScore > 18.0) {
        return std::nullopt;
    }
    std::optional<double> rival;
    for (const auto& [s, score] : scored) {
        if (std::abs(s - *best) > T / 3 && (!rival || score < *rival)) {
            rival = score;
        }
    }
    const bool nearHint = hint >= 1 && std::abs(*best - e) <= (H < 192 ? 16 : H / 12);
    if (rival && *rival - bestScore < 0.8 && !nearHint) {
        return std::nullopt;
    }

    // Pixel check over about 240 rows and 180 columns of the band.
    const int shift = *best;
    if (shift < 1 || shift >= H) {
        return std::nullopt;
    }
    const int end = std::min(band.top + band.height, H - shift);
    const int span = end - band.top;
    if (span < 13) {
        return std::nullopt;
    }
    const int rowStep = span < 240 ? 1 : span / 240;
    const int colStep = std::max(1, band.width / 180);
    qint64 diff = 0;
    qint64 samples = 0;
    for (int y = band.top; y < end; y += rowStep) {
        const uint8_t* a = last.row(y + shift);
        const uint8_t* b = next.row(y);
        for (int x = band.left; x < band.left + band.width; x += colStep) {
            diff += std::abs(int(a[x]) - int(b[x]));
            ++samples;
        }
    }
    if (samples == 0 || double(diff) / double(samples) > 20.0) {
        return std::nullopt;
    }

    // Template check: strips of T rows must correlate on average.
    double sum = 0;
    int usable = 0;
    for (int p : templateRows) {
        if (p + shift + T > H) {
            continue;
        }
        if (const auto c = zncc(last, band.left, p + shift, next, band.left, p, band.width, T)) {
            sum += *c;
            ++usable;
        }
    }
    if (usable == 0) {
        // No strip fits a shift this large: the few rows it compares must correlate themselves
        // (sparse text over blank rows passes the pixel check wherever it lands).
        const auto c = zncc(last, band.left, band.top + shift, next, band.left, band.top, band.width, span);
        sum = c.value_or(0.0);
        usable = 1;
    }
    if (sum / usable < 0.68) {
        return std::nullopt;
    }
    return Alignment{W, shift};
}

std::optional<Alignment> alignShort(const GreyImage& last, const GreyImage& next, int below) {
    const auto band = bandToCompare(last, next);
    if (!band) {
        return std::nullopt;
    }
    const int H = next.height;
    const int colStep = std::max(1, band->width / 180);
    const int columns = (band->width + colStep - 1) / colStep;
    std::optional<int> best;
    qint64 bestDiff = 0;
    // From the largest shift down: of equal matches the one nearer the step wins.
    for (int s = std::min(below, band->height / 2) - 1; s >= 1; --s) {
        const int end = std::min(band->top + band->height, H - s);
        // A scroll moves the picture unchanged: a mean difference of 2 grey levels at most.
        const qint64 allowed = 2 * qint64(end - band->top) * columns;
        qint64 diff = 0;
        int inked = 0;
        for (int y = band->top; y < end && diff <= allowed; ++y) {
            const uint8_t* a = last.row(y + s);
            const uint8_t* b = next.row(y);
            int lo = 255;
            int hi = 0;
            for (int x = band->left; x < band->left + band->width; x += colStep) {
                diff += std::abs(int(a[x]) - int(b[x]));
                lo = std::min(lo, int(b[x]));
                hi = std::max(hi, int(b[x]));
            }
            inked += hi - lo > 24 ? 1 : 0;
        }
        // Blank rows match at any shift: the rows compared must show something.
        if (diff <= allowed && inked >= 2 * kMinEdgeRows && (!best || diff < bestDiff)) {
            best = s;
            bestDiff = diff;
        }
    }
    if (!best) {
        return std::nullopt;
    }
    return Alignment{next.width, *best};
}

uint64_t rowHash(const uint8_t* bytes, int length) {
    uint64_t hash = 0x14650FB0739D0383ull;
    for (int i = 0; i < length; i += 8) {
        hash = (hash ^ bytes[i]) * 0x100000001B3ull;
    }
    return hash;
}

namespace {

// The best-correlating start row of `tmpl` (t rows) among rows [from, to) of `n`; ties keep the
// lower row. Score -1 when nothing could be compared.
std::pair<int, double> bestRow(const GreyImage& tmpl, const GreyImage& n, int from, int to,
                               const std::vector<qint64>& rowSum, const std::vector<qint64>& rowSq) {
    const int t = tmpl.height;
    const int w = std::min(tmpl.width, n.width);
    const double count = double(t) * double(w);
    qint64 sa = 0, saa = 0;
    for (int y = 0; y < t; ++y) {
        const uint8_t* r = tmpl.row(y);
        for (int x = 0; x < w; ++x) {
            sa += r[x];
            saa += int(r[x]) * int(r[x]);
        }
    }
    const double varA = double(saa) - double(sa) * double(sa) / count;
    if (varA <= kMinSumSquares || count <= 0) {
        return {0, -1.0};
    }
    std::pair<int, double> best{0, -1.0};
    bool found = false;
    for (int y = from; y < to; ++y) {
        const qint64 sb = rowSum[size_t(y + t)] - rowSum[size_t(y)];
        const qint64 sbb = rowSq[size_t(y + t)] - rowSq[size_t(y)];
        const double varB = double(sbb) - double(sb) * double(sb) / count;
        if (varB <= kMinSumSquares) {
            continue;
        }
        qint64 sab = 0;
        for (int i = 0; i < t; ++i) {
            const uint8_t* a = tmpl.row(i);
            const uint8_t* b = n.row(y + i);
            int acc = 0;
            for (int x = 0; x < w; ++x) {
                acc += int(a[x]) * int(b[x]);
            }
            sab += acc;
        }
        const double score = (double(sab) - double(sa) * double(sb) / count) / std::sqrt(varA * varB);
        if (!found || score > best.second) {
            best = {y, score};
            found = true;
        }
    }
    return best;
}

} // namespace

Alignment alignFallback(const QImage& stitchedTail, int stitchedHeight, const QImage& next,
                        const GreyImage& nextGrey) {
    const int hS = stitchedHeight;
    const int hN = next.height();
    const int wMin = std::min(stitchedTail.width(), next.width());
    BandGeometry band = BandGeometry::of(wMin, std::max(hS, hN));
    if (nextGrey.width == wMin) {
        // The columns that show something, as the primary alignment takes them (of the new
        // frame alone: the stitched image's rows are not at the same height).
        band = contentColumns(nextGrey, nullptr, BandGeometry::of(wMin, hN));
    }
    QImage s = stitchedTail;
    QImage n = next;
    GreyImage ng = nextGrey;
    if (band.width >= 40) {
        const QImage sc = stitchedTail.copy(band.left, 0, band.width, stitchedTail.height());
        const QImage nc = next.copy(band.left, 0, band.width, hN);
        if (!sc.isNull() && !nc.isNull()) {
            s = sc;
            n = nc;
            ng = nextGrey.columns(band.left, band.width);
        }
    }
    const int outWidth = std::max(stitchedTail.width(), next.width());

    int overlap = 0;
    const int t = std::min(40, std::min(hS, hN) / 4);
    if (t > 0 && s.height() >= t) {
        const GreyImage tmpl = GreyImage::of(s.copy(0, s.height() - t, s.width(), t));
        std::vector<qint64> rowSum(size_t(hN) + 1, 0), rowSq(size_t(hN) + 1, 0);
        const int w = std::min(tmpl.width, ng.width);
        for (int y = 0; y < hN; ++y) {
            qint64 sum = 0, sq = 0;
            const uint8_t* r = ng.row(y);
            for (int x = 0; x < w; ++x) {
                sum += r[x];
                sq += int(r[x]) * int(r[x]);
            }
            rowSum[size_t(y) + 1] = rowSum[size_t(y)] + sum;
            rowSq[size_t(y) + 1] = rowSq[size_t(y)] + sq;
        }
        const int z = std::max(t + 8, int(0.6 * hN));
        const int last = hN - t + 1;
        auto found = bestRow(tmpl, ng, 0, std::min(z, last), rowSum, rowSq);
        if (z < hN) {
            const auto later = bestRow(tmpl, ng, z, last, rowSum, rowSq);
            if (later.second > found.second + 0.004) {
                found = later;
            }
        }
        if (found.second > 0.85 && found.first + t != 0) {
            overlap = found.first + t;
        }
    }
    if (overlap == 0) {
        // Exact overlap: the longest run of identical rows at the bottom of the stitched image
        // and the top of the new frame.
        const int L = std::min({hS, hN, 200, s.height()});
        if (L >= 8) {
            const int bytes = s.width() * 4;
            const int nbytes = n.width() * 4;
            std::vector<uint64_t> hs(static_cast<size_t>(L)), hn(static_cast<size_t>(L));
            for (int i = 0; i < L; ++i) {
                hs[size_t(i)] = rowHash(s.constScanLine(s.height() - L + i), bytes);
                hn[size_t(i)] = rowHash(n.constScanLine(i), nbytes);
            }
            for (int k = L; k >= 8; --k) {
                if (std::equal(hs.end() - k, hs.end(), hn.begin())) {
                    overlap = k;
                    break;
                }
            }
        }
    }
    return Alignment{outWidth, hN - overlap};
}

} // namespace scrollalign
} // namespace mebo
