#include "scroll/FrameSequenceStitcher.h"

#include "scroll/ScrollSession.h"
#include "scroll/ScrollStitcher.h"

namespace mebo {

FrameSequenceStitcher::Result
FrameSequenceStitcher::stitch(int count, const std::function<QImage(int, QString*)>& load, qint64 byteLimit) {
    Result out;
    std::optional<StitchedImage> stitched;
    std::optional<ScrollFrame> last;
    int lastAppendRows = 0;
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        QString why;
        const QImage image = load(i, &why);
        if (image.isNull()) {
            out.error = why;
            return out;
        }
        ScrollFrame frame = ScrollFrame::of(image);
        const int expected = lastAppendRows == 0 ? int(0.6 * frame.image.height()) : 0;
        // Steps near or past the largest shift the primary alignment looks for (H - H / 8) are
        // found by the fallback alone: around its limit the primary one could settle on a
        // neighbouring row that happens to match.
        const int H = frame.image.height();
        const int reach = H - (H < 576 ? 72 : std::min(H / 8, H - 8)) - (H < 192 ? 16 : H / 12);
        const bool beyondReach = lastAppendRows > reach;
        CaptureProcessingResult r;
        r.outcome = CaptureOutcome::noMatch;
        if (!beyondReach) {
            r = ScrollStitcher::process(frame, stitched, last, lastAppendRows, expected, false, byteLimit);
        } else if (last && (last->image == frame.image)) {
            r.outcome = CaptureOutcome::duplicate;
        }
        if (r.outcome == CaptureOutcome::noMatch && !beyondReach) {
            r = ScrollStitcher::process(frame, stitched, last, lastAppendRows, expected, true, byteLimit);
        }
        if (r.outcome == CaptureOutcome::noMatch && stitched) {
            // A live session knows how far it scrolled; frames given here may step by any amount.
            // Without a reference frame the stitcher takes the fallback alignment as it is: the
            // band of the image found in the frame (by correlation or identical rows) gives the step.
            auto relaxed = ScrollStitcher::process(frame, stitched, std::nullopt, 0, 0, true, byteLimit);
            // A frame none of whose rows matched would leave a gap: that is no overlap.
            if (relaxed.outcome == CaptureOutcome::appended && relaxed.appendRows &&
                *relaxed.appendRows < frame.image.height()) {
                r = std::move(relaxed);
            }
        }
        switch (r.outcome) {
        case CaptureOutcome::appended:
            stitched = std::move(r.stitchedImage);
            last = std::move(r.lastFrame);
            if (r.appendRows) {
                lastAppendRows = *r.appendRows;
            }
            ++out.framesAppended;
            failures = 0;
            break;
        case CaptureOutcome::duplicate:
            ++out.duplicates;
            break;
        case CaptureOutcome::noMatch:
            if (++failures >= ScrollSession::maxNoMatchTolerance) {
                out.error = QStringLiteral("frames %1 to %2 do not overlap the image before them")
                                .arg(i + 2 - failures)
                                .arg(i + 1);
                return out;
            }
            break;
        case CaptureOutcome::failed:
            break;
        case CaptureOutcome::limitExceeded:
            if (!stitched) {
                out.error = QStringLiteral("frame %1 alone is over the memory limit").arg(i + 1);
                return out;
            }
            out.image = std::move(stitched);
            out.error = QStringLiteral("the image reached the memory limit at frame %1").arg(i + 1);
            return out;
        }
    }
    if (!stitched) {
        out.error = QStringLiteral("no frames");
        return out;
    }
    out.image = std::move(stitched);
    return out;
}

} // namespace mebo
