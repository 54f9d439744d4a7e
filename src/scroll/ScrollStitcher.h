#pragma once

#include "scroll/GreyImage.h"
#include "scroll/StitchedImage.h"

#include <QImage>
#include <optional>
#include <utility>

namespace mebo {

// What one frame did to a scroll capture.
enum class CaptureOutcome { appended, duplicate, noMatch, failed, limitExceeded };

QString captureOutcomeName(CaptureOutcome outcome);

// A frame of the scrolled region with its grey copy, made once per frame and reused by every test.
struct ScrollFrame {
    QImage image;
    GreyImage grey;

    static ScrollFrame of(const QImage& image);
};

struct CaptureProcessingResult {
    CaptureOutcome outcome = CaptureOutcome::failed;
    std::optional<StitchedImage> stitchedImage;
    std::optional<ScrollFrame> lastFrame;
    std::optional<int> appendRows;
};

// Frame processing of a scroll capture: one pure function of its inputs, so it runs on any
// thread and touches no session state (the session applies the result).
class ScrollStitcher {
public:
    static constexpr qint64 defaultByteLimit = 536870912; // 512 MiB

    // `next`: the new frame; `stitched` and `last`: the image so far and the frame it ended with
    // (none before the first frame); `lastAppendRows`: rows the previous frame added (0 unknown);
    // `expectedRows`: the expected scroll in rows when that is unknown (else 0); `strong`: the
    // scroll before this frame was a strong one; `byteLimit`: the memory bound.
    static CaptureProcessingResult process(ScrollFrame next, std::optional<StitchedImage> stitched,
                                           std::optional<ScrollFrame> last, int lastAppendRows,
                                           int expectedRows, bool strong, qint64 byteLimit);

    // Whether a fallback alignment of `rows` is believable after steps of `lastAppendRows`
    // (`expectedRows` when unknown) in a frame `frameHeight` pixels high.
    static bool isPlausible(int rows, int lastAppendRows, int expectedRows, bool strong, int frameHeight);
    // Rows at the bottom that show the same pixels in both frames although the content moved: a
    // fixed footer, a cookie bar, a horizontal scroll bar. At most `limit`.
    static int staticBottomRows(const QImage& last, const QImage& next, int limit);
    // Rows at the top of a region that belong to the window rather than to what scrolls (a
    // browser's tab strip and toolbar), told by the frames before and after a step of `shift`
    // rows: such rows show the same pixels in both, while the content below moved by the shift.
    // The rows down to the last such row above the first row that moved with the content; -1
    // when no row within `limit` moved with the content.
    static int staticTopRows(const QImage& last, const QImage& next, int shift, int limit);
    // Columns at the left and the right edge that did not move with the content in a step of
    // `shift` rows while the middle did: a scroll bar, whose thumb moves by another amount. At
    // most `maxScrollBarColumns` (and a tenth of the width) on each side; {0, 0} when there is none.
    static std::pair<int, int> scrollBarColumns(const GreyImage& last, const GreyImage& next, int shift);
    static constexpr int maxScrollBarColumns = 32;
    // The bytes that composing `rows` more rows would hold at once (old image, new image, frame).
    static qint64 memoryEstimate(const StitchedImage& stitched, int outputWidth, int rows,
                                 const QImage& frame);
};

} // namespace mebo
