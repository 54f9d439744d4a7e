#include "scroll/ScrollStitcher.h"

#include "scroll/ScrollAlignment.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace mebo {

namespace {

// Rows of the stitched image the fallback alignment reads: its template and its exact-overlap
// search look at most this far up.
constexpr int kTailRows = 200;

bool sameBytes(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != b.format()) {
        return false;
    }
    const size_t bytes = size_t(a.width()) * size_t(a.depth() / 8);
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), bytes) != 0) {
            return false;
        }
    }
    return true;
}

bool nearStep(int rows, int step) {
    return step >= 144 ? std::abs(rows - step) <= step / 3 : std::abs(rows - step) < 49;
}

} // namespace

QString captureOutcomeName(CaptureOutcome outcome) {
    switch (outcome) {
    case CaptureOutcome::appended:
        return QStringLiteral("appended");
    case CaptureOutcome::duplicate:
        return QStringLiteral("duplicate");
    case CaptureOutcome::noMatch:
        return QStringLiteral("noMatch");
    case CaptureOutcome::failed:
        return QStringLiteral("failed");
    case CaptureOutcome::limitExceeded:
        return QStringLiteral("limitExceeded");
    }
    return {};
}

ScrollFrame ScrollFrame::of(const QImage& image) {
    ScrollFrame f;
    f.image = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    f.grey = GreyImage::of(f.image);
    return f;
}

bool ScrollStitcher::isPlausible(int r, int h, int x, bool strong, int H) {
    if (h >= 1 && r >= 1 && nearStep(r, h)) {
        return true;
    }
    if (h == 0 && x >= 1 && r >= 1 && nearStep(r, x)) {
        return true;
    }
    if (strong && r >= 1) {
        if (h < 1) {
            const int m = H > 639 ? H / 8 : 80;
            return r <= H - m;
        }
        return r <= std::min(h + std::max(h, 240) / 2, H - 8);
    }
    return false;
}

int ScrollStitcher::staticBottomRows(const QImage& last, const QImage& next, int limit) {
    const int h = std::min(last.height(), next.height());
    const size_t bytes = size_t(std::min(last.width(), next.width())) * 4;
    int rows = 0;
    while (rows < limit && rows < h &&
           std::memcmp(last.constScanLine(last.height() - 1 - rows),
                       next.constScanLine(next.height() - 1 - rows), bytes) == 0) {
        ++rows;
    }
    return rows;
}

namespace {

// Whether two rows show the same picture: at most 1 % of the pixels differ by more than 12 grey
// levels (a blinking caret in an address bar does not count).
bool rowsMatch(const QImage& a, int ya, const QImage& b, int yb) {
    const int w = std::min(a.width(), b.width());
    const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(ya));
    const auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(yb));
    int differing = 0;
    for (int x = 0; x < w; ++x) {
        differing += std::abs(qGray(ra[x]) - qGray(rb[x])) > 12 ? 1 : 0;
    }
    return differing * 100 <= w;
}

} // namespace

int ScrollStitcher::staticTopRows(const QImage& last, const QImage& next, int shift, int limit) {
    if (last.size() != next.size() || last.depth() != 32 || next.depth() != 32 || shift < 1) {
        return -1;
    }
    const QImage a =
        last.format() == QImage::Format_RGB32 ? last : last.convertToFormat(QImage::Format_RGB32);
    const QImage b =
        next.format() == QImage::Format_RGB32 ? next : next.convertToFormat(QImage::Format_RGB32);
    int lastFixed = -1;
    for (int y = 0; y <= limit && y + shift < b.height(); ++y) {
        const bool stayed = rowsMatch(a, y, b, y);
        const bool moved = rowsMatch(a, y + shift, b, y);
        if (!stayed && moved) {
            return lastFixed + 1; // the content starts here (blank rows above it included)
        }
        if (stayed && !moved) {
            lastFixed = y;
        }
    }
    return -1;
}

std::pair<int, int> ScrollStitcher::scrollBarColumns(const GreyImage& last, const GreyImage& next,
                                                     int shift) {
    const int W = next.width;
    const int H = next.height;
    if (last.width != W || last.height != H || shift < 1 || W < 80) {
        return {0, 0};
    }
    // Rows clear of a fixed header, compared with the rows `shift` further down in the last frame.
    const int y0 = std::min(H / 3, std::max(int(0.12 * H), 24));
    const int y1 = H - shift;
    if (y1 - y0 < 24) {
        return {0, 0};
    }
    const int rows = y1 - y0;
    auto differing = [&](int x) {
        int n = 0;
        for (int y = y0; y < y1; ++y) {
            n += std::abs(int(last.at(x, y + shift)) - int(next.at(x, y))) > 24 ? 1 : 0;
        }
        return double(n) / rows;
    };
    // How well the content itself matched: a shift off by a row leaves differences everywhere.
    double baseline = 0;
    int samples = 0;
    for (int x = int(0.3 * W); x < int(0.7 * W); x += std::max(1, W / 60)) {
        baseline += differing(x);
        ++samples;
    }
    baseline /= std::max(samples, 1);
    auto isBar = [&](int x) {
        const double d = differing(x);
        return d * rows >= 4 && d >= 0.03 && d > 4 * baseline + 0.01;
    };
    // The grey of a column that shows one colour from top to bottom (a scroll bar's track), or -1.
    auto plain = [&](int x) {
        int lo = 255;
        int hi = 0;
        for (int y = 0; y < H && hi - lo <= 6; y += 2) {
            lo = std::min(lo, int(next.at(x, y)));
            hi = std::max(hi, int(next.at(x, y)));
        }
        return hi - lo <= 6 ? (lo + hi) / 2 : -1;
    };
    const int most = std::min(maxScrollBarColumns, W / 10);
    // `at(i)`: the column i columns in from the edge. The bar reaches the innermost column that
    // moved apart, and then the plain track on the thumb's inner side: columns of the grey that
    // the track shows on its outer side too (a page's margin beside the bar is another grey).
    auto width = [&](const auto& at) {
        int n = 0;
        for (int i = 0; i < most; ++i) {
            if (isBar(at(i))) {
                n = i + 1;
            }
        }
        if (n == 0 || n >= most) {
            return n;
        }
        const int track = plain(at(n));
        bool outer = false;
        for (int i = 0; i < n && track >= 0 && !outer; ++i) {
            const int v = plain(at(i));
            outer = v >= 0 && std::abs(v - track) <= 1;
        }
        for (int extra = 0; outer && n < most && extra < 4; ++extra) {
            const int v = plain(at(n));
            if (v < 0 || std::abs(v - track) > 1) {
                break;
            }
            ++n;
        }
        return n;
    };
    return {width([](int i) { return i; }), width([W](int i) { return W - 1 - i; })};
}

qint64 ScrollStitcher::memoryEstimate(const StitchedImage& s, int outputWidth, int r, const QImage& n) {
    const qint64 ps = s.pixelCount();
    const qint64 po = qint64(outputWidth) * (qint64(s.height()) + r);
    const qint64 pn = qint64(n.width()) * n.height();
    return 4 * (ps + po + pn) + pn;
}

CaptureProcessingResult ScrollStitcher::process(ScrollFrame next, std::optional<StitchedImage> stitched,
                                                std::optional<ScrollFrame> last, int h, int x, bool strong,
                                                qint64 byteLimit) {
    // S and L handed back as they came (moved, not copied: L holds a grey copy of a whole frame).
    auto unchanged = [&](CaptureOutcome outcome) {
        CaptureProcessingResult r;
        r.outcome = outcome;
        r.stitchedImage = std::move(stitched);
        r.lastFrame = std::move(last);
        return r;
    };

    if (last && (sameBytes(last->image, next.image) || scrollalign::isNearDuplicate(last->grey, next.grey))) {
        return unchanged(CaptureOutcome::duplicate);
    }
    const int W = next.image.width();
    const int H = next.image.height();
    if (!stitched || stitched->isNull()) {
        CaptureProcessingResult r;
        if (qint64(W) * H * 4 <= byteLimit) {
            r.outcome = CaptureOutcome::appended;
            r.stitchedImage = StitchedImage(next.image);
            r.lastFrame = std::move(next);
        } else {
            r.outcome = CaptureOutcome::limitExceeded;
        }
        return r;
    }

    // Rows the two frames share at their bottom although the content moved: a footer fixed to
    // the view, a cookie bar, a horizontal scroll bar. Alignment looks above them (they would
    // spoil every comparison that reaches them), and the compose takes them again from the new
    // frame, so they end up once, at the end, instead of after every step. Where they are
    // ordinary content that happens to match (blank margins), re-taking them gives the same pixels.
    int fixedRows = 0;
    if (last && last->image.size() == next.image.size()) {
        fixedRows = staticBottomRows(last->image, next.image, H / 3);
        if (H - fixedRows < 140) {
            fixedRows = 0;
        }
    }
    const GreyImage lastGrey = last && fixedRows > 0 ? last->grey.topRows(H - fixedRows) : GreyImage();
    const GreyImage nextGrey = fixedRows > 0 ? next.grey.topRows(H - fixedRows) : GreyImage();

    Alignment found;
    std::optional<Alignment> primary;
    if (last) {
        primary = scrollalign::alignPrimary(fixedRows > 0 ? lastGrey : last->grey,
                                            fixedRows > 0 ? nextGrey : next.grey, h);
    }
    if (primary) {
        found = *primary;
    } else {
        QImage tail = stitched->bottomRows(kTailRows + fixedRows);
        tail = tail.copy(0, 0, tail.width(), tail.height() - fixedRows);
        const QImage nextAbove = fixedRows > 0 ? next.image.copy(0, 0, W, H - fixedRows) : next.image;
        found = scrollalign::alignFallback(tail, stitched->height() - fixedRows, nextAbove,
                                           fixedRows > 0 ? nextGrey : next.grey);
        // No overlap found gives the frame's whole height: a gap of unknown size, whatever the
        // hint (after a late step and a strong one it may exceed the frame).
        const bool overlaps = found.shift < H - fixedRows;
        if (last && (!overlaps || !isPlausible(found.shift, h, x, strong, H))) {
            // Less than a step, unless it went past: the content's end stopped the scroll short.
            const auto stopped = scrollalign::alignShort(
                fixedRows > 0 ? lastGrey : last->grey, fixedRows > 0 ? nextGrey : next.grey, h >= 1 ? h : x);
            if (!stopped) {
                return unchanged(CaptureOutcome::noMatch);
            }
            found = *stopped;
        }
    }
    if (found.shift < 1) {
        return unchanged(CaptureOutcome::noMatch);
    }
    if (memoryEstimate(*stitched, found.width, found.shift, next.image) > byteLimit) {
        return unchanged(CaptureOutcome::limitExceeded);
    }
    if (last && last->grey.width == W && last->grey.height == H) {
        // A scroll bar in the region: its thumb would repeat down the image.
        const auto [left, right] = scrollBarColumns(fixedRows > 0 ? lastGrey : last->grey,
                                                    fixedRows > 0 ? nextGrey : next.grey, found.shift);
        stitched->excludeColumns(left, right);
    }
    fixedRows = std::min(fixedRows, std::max(0, H - found.shift));
    if (fixedRows > 0) {
        stitched->removeBottomRows(fixedRows);
    }
    stitched->append(next.image, found.shift + fixedRows, found.width);
    CaptureProcessingResult r;
    r.outcome = CaptureOutcome::appended;
    r.stitchedImage = std::move(stitched);
    r.lastFrame = std::move(next);
    r.appendRows = found.shift;
    return r;
}

} // namespace mebo
