#pragma once

#include "platform/FrameStream.h"
#include "platform/InputSynthesizer.h"
#include "platform/ScreenCapture.h"

#include <QImage>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace mebo::test {

// A display showing a tall page that the wheel scrolls: the screen-capture service, the input
// synthesiser and a region stream of one fake desktop. The display is `size` at the origin and
// the page fills it; a notch scrolls `pixelsPerNotch` rows, stopping at the page's end.
class ScrollingDesktop : public platform::ScreenCapture, public platform::InputSynthesizer {
public:
    ScrollingDesktop(QImage page, QSize size, int pixelsPerNotch);

    // ScreenCapture
    QList<platform::DisplayInfo> displays() override;
    void shareableContent(const platform::ContentQuery& query,
                          Completion<platform::ShareableContent> done) override;
    void captureDisplay(uint32_t displayId, QSize pixelSize, bool showCursor,
                        Completion<QImage> done) override;

    // InputSynthesizer
    bool canPostEvents() override { return canPost; }
    bool postWheel(const QPoint& point, int notches) override;
    bool isApplicationActive(qint64 pid) override { return pid == activePid; }
    bool activateApplication(qint64 pid, const QPoint& point) override;

    // A stream of the display, produced on a thread of its own.
    std::unique_ptr<platform::FrameStream> makeStream();

    QImage screen(); // what the display shows now (any thread)
    int offset();

    static constexpr uint32_t displayId = 7;
    bool canPost = true;
    int failCaptures = 0; // the next N grabs fail
    int wheelEvents = 0;
    QList<QPoint> wheelPoints;
    qint64 activePid = 0;
    QList<qint64> activations;
    std::function<void()> onWheel; // after each wheel event
    // The grab after the N-th scroll (wheel events between two grabs) shows a quarter of it, as
    // a smooth-scrolling application caught in its animation does; later grabs show all of it.
    int lagScroll = 0;
    // The N-th scroll shows only with the next one, as an application too busy to paint in time.
    int stallScroll = 0;
    // A busy application: the picture follows the wheel only this long after each event.
    int reactionMs = 0;

private:
    QImage page_;
    QSize size_;
    int pixelsPerNotch_;
    mutable std::mutex mutex_; // guards offset_
    int offset_ = 0;
    int scrolls_ = 0;
    bool grabbed_ = true; // no wheel event since the last grab
    int lagFrom_ = -1;    // the offset before the lagging scroll, until the grab after it
    int held_ = 0;        // rows of the stalled scroll, not shown yet
    // Wheel notches not shown yet (reactionMs), with when they show.
    std::vector<std::pair<std::chrono::steady_clock::time_point, int>> pending_;
    int shownLocked();               // the offset the picture shows, pending notches that are due applied
    QImage viewAt(int offset) const; // the display with the page scrolled by `offset`
    int lastOffset() const;
};

} // namespace mebo::test
