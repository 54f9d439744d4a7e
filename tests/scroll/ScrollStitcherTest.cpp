#include "scroll/ScrollStitcher.h"
#include "SyntheticPage.h"
#include "TestPaths.h"
#include "scroll/FrameSequenceStitcher.h"
#include "scroll/ScrollAlignment.h"
#include "support/PictureDiff.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace mebo;
using namespace mebo::test;

namespace {

QImage stack(const QImage& top, const QImage& rest) {
    QImage out(top.width(), top.height() + rest.height(), QImage::Format_RGB32);
    QPainter p(&out);
    p.drawImage(0, 0, top);
    p.drawImage(0, top.height(), rest);
    return out;
}

QImage header(int width, int height) {
    QImage h(width, height, QImage::Format_RGB32);
    h.fill(QColor(40, 60, 120));
    QPainter p(&h);
    p.setPen(Qt::white);
    p.drawText(20, height / 2 + 5, QStringLiteral("Fixed site header · Home · Docs · Blog"));
    return h;
}

struct SequenceCase {
    const char* name;
    int width;
    int frameHeight;
    QList<int> steps;
    bool dark = false;
    int headerHeight = 0;
    int duplicatesAtEnd = 0;
    int caretAfterFrame = -1; // a caret blink: frame i shown again with a caret drawn in
    int footerHeight = 0;     // a bar fixed to the bottom of the view
    bool code = false;        // a code listing: text on the left, little in the middle columns
    // A classic scroll bar beside the page (xterm's on the left), maybe inside a window's dark
    // frame: its thumb moves by the page's share of each step, so it is left out of the result.
    int barWidth = 0;
    bool barLeft = false;
    int border = 0;
};

// `frame` (showing rows from `top` of a page `pageHeight` high) beside the case's scroll bar.
QImage besideScrollBar(const QImage& frame, const SequenceCase& c, int top, int pageHeight) {
    QImage f(c.width, c.frameHeight, QImage::Format_RGB32);
    f.fill(QColor(22, 22, 22));
    QPainter p(&f);
    const int x = c.barLeft ? c.border : frame.width();
    p.fillRect(x, 0, c.barWidth, c.frameHeight, QColor(241, 241, 241));
    p.drawImage(c.barLeft ? c.barWidth + c.border : 0, 0, frame);
    const int thumb = c.frameHeight * c.frameHeight / pageHeight;
    p.fillRect(x + 2, top * c.frameHeight / pageHeight, c.barWidth - 4, thumb, QColor(120, 120, 120));
    return f;
}

// A page cut into frames by the case's steps is stitched back exactly.
void expectStitchedExactly(const SequenceCase& c) {
    SCOPED_TRACE(c.name);
    const int pageWidth = c.width - c.barWidth - c.border;
    const QImage page = c.code ? syntheticCodePage(c.width, 9000) : syntheticPage(pageWidth, 9000, c.dark);
    const QImage head = c.headerHeight > 0 ? header(c.width, c.headerHeight) : QImage();
    const QImage foot = c.footerHeight > 0 ? header(c.width, c.footerHeight) : QImage();
    const QList<int> tops = frameTops(c.steps, page.height() - c.frameHeight);
    QList<QImage> frames;
    for (int i = 0; i < tops.size(); ++i) {
        frames << frameAt(page, tops[i], c.frameHeight, head);
        if (c.barWidth > 0) {
            frames.last() = besideScrollBar(frames.last(), c, tops[i], page.height());
        }
        if (!foot.isNull()) {
            QPainter(&frames.last()).drawImage(0, c.frameHeight - c.footerHeight, foot);
        }
        if (i == c.caretAfterFrame) {
            QImage blink = frames.last().copy();
            QPainter(&blink).fillRect(c.width / 2, c.frameHeight / 2, 2, 18, Qt::black);
            frames << blink;
        }
    }
    for (int i = 0; i < c.duplicatesAtEnd; ++i) {
        frames << frames.last();
    }
    const auto result = FrameSequenceStitcher::stitch(
        int(frames.size()), [&](int i, QString*) { return frames[i]; }, ScrollStitcher::defaultByteLimit);
    ASSERT_TRUE(result.image) << result.error.toStdString();
    const int bottom = tops.last() + c.frameHeight;
    QImage expected =
        c.barWidth > 0 ? page.copy(0, 0, pageWidth, bottom).convertToFormat(QImage::Format_RGB32)
                       : stack(frames.first(), page.copy(0, c.frameHeight, c.width, bottom - c.frameHeight));
    if (!foot.isNull()) {
        // The footer once, at the very end, over the last rows of the page.
        QPainter(&expected).drawImage(0, expected.height() - c.footerHeight, foot);
        QPainter(&expected).drawImage(0, c.frameHeight - c.footerHeight,
                                      page.copy(0, c.frameHeight - c.footerHeight, c.width, c.footerHeight));
    }
    EXPECT_EQ(firstDifference(result.image->compose(), expected), QString());
    EXPECT_EQ(result.framesAppended, int(tops.size()));
    EXPECT_EQ(result.duplicates, c.duplicatesAtEnd + (c.caretAfterFrame >= 0 ? 1 : 0));
}

QList<int> repeat(int step, int n) {
    return QList<int>(n, step);
}

TEST(ScrollStitcher, FrameSequencesStitchExactlyThePage) {
    for (const SequenceCase& c :
         {SequenceCase{"steps30", 800, 600, repeat(30, 60)},
          SequenceCase{"steps90percent", 800, 600, repeat(540, 20)},
          SequenceCase{"varying", 800, 600, {200, 350, 120, 410, 260, 90, 330, 480, 150, 300}},
          SequenceCase{"duplicatesAtEnd", 800, 600, repeat(360, 40), false, 0, 3},
          SequenceCase{"caretBlink", 800, 600, repeat(300, 10), false, 0, 0, 4},
          SequenceCase{"fixedHeader", 800, 600, repeat(320, 12), false, 56},
          SequenceCase{"dark", 800, 600, repeat(250, 16), true},
          SequenceCase{"fixedFooter", 800, 600, repeat(330, 12), false, 0, 0, -1, 40},
          SequenceCase{"headerAndFooter", 800, 600, repeat(280, 12), false, 56, 0, -1, 15},
          SequenceCase{"fullHd", 1920, 1080, repeat(648, 12)},
          SequenceCase{"codeListing", 1257, 794, repeat(480, 18), false, 0, 0, -1, 0, true},
          SequenceCase{"tinyRegion", 70, 130, repeat(78, 30)},
          SequenceCase{"barRight", 800, 600, repeat(360, 20), false, 0, 0, -1, 0, false, 15},
          SequenceCase{"barLeft", 800, 600, repeat(360, 20), false, 0, 0, -1, 0, false, 14, true},
          SequenceCase{"framed", 800, 600, repeat(360, 20), false, 0, 0, -1, 0, false, 15, false, 8}}) {
        expectStitchedExactly(c);
    }
}

TEST(ScrollStitcher, BandGeometryKeepsTheMiddleColumnsAndRowsClearOfHeaders) {
    struct Case {
        int w, h, left, width, top, bottom, height;
    };
    for (const Case& c : {Case{1920, 1080, 576, 768, 129, 86, 865}, Case{800, 600, 240, 320, 72, 48, 480},
                          Case{70, 130, 21, 28, 24, 24, 82}, Case{10, 30, 4, 2, 10, 7, 13}}) {
        const BandGeometry b = BandGeometry::of(c.w, c.h);
        EXPECT_EQ(std::tuple(b.left, b.width, b.top, b.bottom, b.height),
                  std::tuple(c.left, c.width, c.top, c.bottom, c.height))
            << c.w << "x" << c.h;
    }
}

TEST(ScrollStitcher, PlausibilityAfterSteadySteps) {
    struct Case {
        int r, h, x;
        bool strong;
        int frameHeight;
        bool accepted;
    };
    for (const Case& c : {
             Case{399, 300, 0, false, 1000, true}, // within 300 / 3
             Case{401, 300, 0, false, 1000, false},
             Case{450, 300, 0, true, 1000, true}, // strong: up to min(300 + 150, H - 8)
             Case{451, 300, 0, true, 1000, false},
             Case{448, 300, 0, true, 456, true}, // ... and never past H - 8
             Case{449, 300, 0, true, 456, false},
             Case{148, 100, 0, false, 1000, true}, // under 144: within 48
             Case{149, 100, 0, false, 1000, false},
             Case{700, 0, 600, false, 1000, true}, // unknown step: the expected rows stand in
             Case{801, 0, 600, false, 1000, false},
             Case{875, 0, 0, true, 1000, true}, // strong without a step: up to H - H / 8
             Case{876, 0, 0, true, 1000, false},
             Case{520, 0, 0, true, 600, true}, // ... or H - 80 on short frames
             Case{521, 0, 0, true, 600, false},
             Case{0, 300, 0, true, 1000, false},
         }) {
        EXPECT_EQ(ScrollStitcher::isPlausible(c.r, c.h, c.x, c.strong, c.frameHeight), c.accepted)
            << "r=" << c.r << " h=" << c.h << " x=" << c.x << " strong=" << c.strong;
    }
}

TEST(ScrollStitcher, NearDuplicateThresholds) {
    const QImage page = syntheticPage(800, 1200);
    const QImage frame = page.copy(0, 0, 800, 600);
    const GreyImage base = GreyImage::of(frame);
    struct Case {
        const char* what;
        std::function<void(QImage&)> change;
        bool duplicate;
    };
    const QList<Case> cases = {
        {"a caret", [](QImage& f) { QPainter(&f).fillRect(400, 300, 2, 18, Qt::black); }, true},
        {"every pixel one step off",
         [](QImage& f) {
             QPainter p(&f);
             p.setCompositionMode(QPainter::CompositionMode_Difference);
             p.fillRect(f.rect(), QColor(1, 1, 1));
         },
         true},
        {"scrolled by one line", [&page](QImage& f) { f = page.copy(0, 21, 800, 600); }, false},
        {"a banner over a third",
         [](QImage& f) { QPainter(&f).fillRect(0, 0, 800, 200, QColor(200, 40, 40)); }, false},
    };
    for (const Case& c : cases) {
        QImage changed = frame.copy();
        c.change(changed);
        EXPECT_EQ(scrollalign::isNearDuplicate(base, GreyImage::of(changed)), c.duplicate) << c.what;
    }
    EXPECT_FALSE(scrollalign::isNearDuplicate(base, GreyImage::of(frame.copy(0, 0, 800, 599))));
}

TEST(ScrollStitcher, MemoryLimit) {
    const QImage page = syntheticPage(400, 2000);
    const ScrollFrame first = ScrollFrame::of(page.copy(0, 0, 400, 300));
    // The first frame alone over the limit: nothing is stitched.
    auto r = ScrollStitcher::process(first, std::nullopt, std::nullopt, 0, 180, false, 400 * 300 * 4 - 1);
    EXPECT_EQ(r.outcome, CaptureOutcome::limitExceeded);
    EXPECT_FALSE(r.stitchedImage);
    r = ScrollStitcher::process(first, std::nullopt, std::nullopt, 0, 180, false, 400 * 300 * 4);
    ASSERT_EQ(r.outcome, CaptureOutcome::appended);
    ASSERT_TRUE(r.stitchedImage);
    EXPECT_FALSE(r.appendRows);

    // The second frame would hold 4 x (old + new + frame) + frame bytes at once.
    const ScrollFrame second = ScrollFrame::of(page.copy(0, 150, 400, 300));
    const qint64 needed = 4 * (400 * 300 + 400 * 450 + 400 * 300) + 400 * 300;
    auto over = ScrollStitcher::process(second, r.stitchedImage, r.lastFrame, 0, 180, false, needed - 1);
    EXPECT_EQ(over.outcome, CaptureOutcome::limitExceeded);
    EXPECT_EQ(over.stitchedImage->height(), 300);
    auto fits = ScrollStitcher::process(second, r.stitchedImage, r.lastFrame, 0, 180, false, needed);
    EXPECT_EQ(fits.outcome, CaptureOutcome::appended);
    EXPECT_EQ(fits.appendRows, 150);
    EXPECT_EQ(fits.stitchedImage->height(), 450);
}

// A step that the page's end cut to a few rows (too few for the search around the step) over
// blank last rows is a short step. A frame past the reference is no match whether the steps were
// steady or the hint passes the frame (a step that showed late and a strong one after it): no
// overlap is no shift, not a shift of the frame's height. So is a frame above the reference (a
// scroll back too far): a large shift would lay its first rows of text on the blank rows at the
// page's end, where no strip of the template check fits.
TEST(ScrollStitcher, AStepCutShortIsAppendedAndFramesThatDoNotOverlapAreNoMatch) {
    QImage page = syntheticPage(800, 4000);
    QPainter(&page).fillRect(0, 1960, 800, 45, Qt::white);
    const auto at = [&](int top) { return page.copy(0, top, 800, 600); };
    const QString data = QStringLiteral(MEBO_TEST_DATA_DIR "/scroll/");
    struct Case {
        QImage last, next;
        int hint, rows; // rows appended, 0: no match (after a strong step: it would take any)
    };
    for (const Case& c :
         {Case{at(1400), at(1405), 360, 5}, Case{at(0), at(2000), 300, 0}, Case{at(0), at(2000), 700, 0},
          Case{QImage(data + "firefox-end.png"), QImage(data + "firefox-end-scrolled-back.png"), 100, 0}}) {
        const ScrollFrame last = ScrollFrame::of(c.last);
        auto next = ScrollStitcher::process(ScrollFrame::of(c.next), StitchedImage(last.image), last, c.hint,
                                            0, c.rows == 0, ScrollStitcher::defaultByteLimit);
        EXPECT_EQ(next.outcome, c.rows ? CaptureOutcome::appended : CaptureOutcome::noMatch) << c.hint;
        EXPECT_EQ(next.stitchedImage->height(), c.last.height() + c.rows);
        if (!c.rows) {
            // The reference frame stays the old one, so the next frame is aligned against it.
            EXPECT_EQ(firstDifference(next.lastFrame->image, last.image), QString());
        }
    }
}

TEST(ScrollStitcher, AShortStepOverBlankRowsIsNotTakenForALongOne) {
    // A page's last step is short, and blank rows lie where a shift close to the largest one
    // would compare the new frame's top with the reference's bottom: those few blank rows match
    // perfectly and sit closer to the expected step than the real shift does.
    struct Case {
        int hint, shift;
    };
    for (const Case& c : {Case{480, 48}, Case{600, 100}, Case{520, 24}}) {
        QImage page = syntheticPage(800, 2000);
        QPainter p(&page);
        p.fillRect(0, c.shift + 80, 800, 90, Qt::white);
        p.fillRect(0, 740, 800, 80, Qt::white);
        p.end();
        const ScrollFrame last = ScrollFrame::of(page.copy(0, 0, 800, 800));
        const ScrollFrame next = ScrollFrame::of(page.copy(0, c.shift, 800, 800));
        const auto found = scrollalign::alignPrimary(last.grey, next.grey, c.hint);
        ASSERT_TRUE(found) << "hint " << c.hint << " shift " << c.shift;
        EXPECT_EQ(found->shift, c.shift) << "hint " << c.hint;
    }
    // Frames that show nothing to compare give no shift at all.
    QImage blank(800, 800, QImage::Format_RGB32);
    blank.fill(Qt::white);
    EXPECT_FALSE(scrollalign::alignPrimary(GreyImage::of(blank), GreyImage::of(blank), 300));
}

TEST(ScrollStitcher, AFixedSideBarBesideAListingDoesNotCarryTheAlignment) {
    // The listing's text lies left of the middle columns, where a side bar fixed to the view
    // shows the same links in every frame.
    const int W = 1200, H = 700;
    const QImage code = syntheticCodePage(W, 2 * H);
    auto frame = [&](int top) {
        QImage f = code.copy(0, top, W, H);
        QPainter p(&f);
        p.fillRect(0, 0, 300, H, QColor(235, 238, 245));
        for (int y = 20; y < H; y += 22) {
            p.drawText(20, y, QStringLiteral("Chapter %1 · section").arg(y));
        }
        return f;
    };
    const GreyImage last = GreyImage::of(frame(0));
    const GreyImage next = GreyImage::of(frame(300));
    EXPECT_GE(scrollalign::contentColumns(next, &last, BandGeometry::of(W, H)).left, 170);
    const auto found = scrollalign::alignPrimary(last, next, 300);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->shift, 300);
}

TEST(ScrollStitcher, StaticTopRowsAreTheWindowsBarsAboveTheMovingContent) {
    const int W = 600, H = 500, shift = 200;
    const QImage page = syntheticPage(W, 2000);
    QImage padded(W, 2000, QImage::Format_RGB32);
    padded.fill(Qt::white);
    QPainter(&padded).drawImage(0, 30, page); // the page starts with 30 blank rows
    auto bars = [&](int height, bool titleChanges, int frame) {
        QImage b(W, height, QImage::Format_RGB32);
        b.fill(QColor(222, 225, 230));
        QPainter p(&b);
        p.setPen(Qt::black);
        for (int y = 14; y < height; y += 24) {
            p.drawText(10, y, QStringLiteral("toolbar row %1").arg(y));
        }
        if (titleChanges) {
            p.drawText(300, 14, QStringLiteral("scrolled %1").arg(frame)); // a title in a tab
        }
        return b;
    };
    auto frame = [&](const QImage& content, const QImage& top, int offset) {
        QImage f(W, H, QImage::Format_RGB32);
        QPainter p(&f);
        p.drawImage(0, 0, top);
        p.drawImage(0, top.height(), content, 0, offset, W, H - top.height());
        return f;
    };
    struct Case {
        const char* what;
        QImage last, next;
        int limit, rows;
    };
    const QList<Case> cases = {
        {"no bars", page.copy(0, 0, W, H), page.copy(0, shift, W, H), 120, 0},
        {"bars", frame(page, bars(87, false, 0), 0), frame(page, bars(87, false, 1), shift), 120, 87},
        {"a tab title that changes", frame(page, bars(87, true, 0), 0), frame(page, bars(87, true, 1), shift),
         120, 87},
        {"blank rows at the page's top stay with the page", frame(padded, bars(60, false, 0), 0),
         frame(padded, bars(60, false, 1), shift), 120, 60},
        {"bars deeper than the limit", frame(page, bars(150, false, 0), 0),
         frame(page, bars(150, false, 1), shift), 120, -1},
        {"nothing moved", page.copy(0, 0, W, H), page.copy(0, 0, W, H), 120, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScrollStitcher::staticTopRows(c.last, c.next, shift, c.limit), c.rows) << c.what;
    }
}

// Only every eighth byte counts: bytes between them change nothing, the next one does.
TEST(ScrollStitcher, RowHashReadsEveryEighthByte) {
    const uint8_t bytes[17] = {1, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 2, 0xee, 0, 0, 0, 0, 0, 0, 3};
    EXPECT_EQ(scrollalign::rowHash(bytes, 16), scrollalign::rowHash(bytes, 9));
    EXPECT_NE(scrollalign::rowHash(bytes, 17), scrollalign::rowHash(bytes, 16));
}

} // namespace
