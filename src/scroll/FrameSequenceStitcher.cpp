#include "scroll/FrameSequenceStitcher.h"

#include "scroll/ScrollAlignment.h"
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
        CaptureProcessingResult r =
            ScrollStitcher::process(frame, stitched, last, lastAppendRows, expected, false, byteLimit);
        if (r.outcome == CaptureOutcome::noMatch) {
            r = ScrollStitcher::process(frame, stitched, last, lastAppendRows, expected, true, byteLimit);
        }
        if (r.outcome == CaptureOutcome::noMatch && stitched) {
            // A live session knows how far it scrolled; frames given here may step by any amount.
            // When the frame really overlaps the image (a correlated or identical band), that
            // overlap is the step.
            const Alignment found = scrollalign::alignFallback(stitched->bottomRows(200), stitched->height(),
                                                               frame.image, frame.grey);
            if (found.shift >= 1 && found.shift < frame.image.height()) {
                r = ScrollStitcher::process(std::move(frame), stitched, last, found.shift, 0, true,
                                            byteLimit);
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
