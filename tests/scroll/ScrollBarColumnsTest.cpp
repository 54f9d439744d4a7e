#include "SyntheticPage.h"
#include "scroll/FrameSequenceStitcher.h"
#include "scroll/ScrollStitcher.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace mebo;
using namespace mebo::test;

namespace {

struct BarCase {
    const char* name;
    bool left;    // xterm puts its scroll bar on the left
    int barWidth; // columns
    int border = 0; // a window's dark frame outside the bar
};

class ScrollBarInRegion : public ::testing::TestWithParam<BarCase> {};

// A page scrolled in a view with a classic scroll bar: the bar's thumb moves by the page's share of
// each step, so it must not be stitched, and the page beside it must come out whole.
TEST_P(ScrollBarInRegion, IsLeftOutOfTheStitchedPage) {
    const BarCase& c = GetParam();
    const int width = 800;
    const int frameHeight = 600;
    const int aside = c.barWidth + c.border;
    const QImage page = syntheticPage(width - aside, 6000);
    const QList<int> tops = frameTops(QList<int>(20, 360), page.height() - frameHeight);
    QList<QImage> frames;
    for (int top : tops) {
        QImage f(width, frameHeight, QImage::Format_RGB32);
        f.fill(QColor(22, 22, 22));
        QPainter p(&f);
        const int x = c.left ? c.border : width - aside;
        p.fillRect(x, 0, c.barWidth, frameHeight, QColor(241, 241, 241));
        p.drawImage(c.left ? aside : 0, 0, frameAt(page, top, frameHeight));
        const int thumb = frameHeight * frameHeight / page.height();
        p.fillRect(x + 2, top * frameHeight / page.height(), c.barWidth - 4, thumb, QColor(120, 120, 120));
        frames << f;
    }
    const auto result = FrameSequenceStitcher::stitch(
        int(frames.size()), [&](int i, QString*) { return frames[i]; }, ScrollStitcher::defaultByteLimit);
    ASSERT_TRUE(result.image) << result.error.toStdString();
    const QImage out = result.image->compose();
    ASSERT_EQ(out.size(), QSize(width - aside, tops.last() + frameHeight));
    EXPECT_EQ(out, page.copy(0, 0, page.width(), out.height()).convertToFormat(QImage::Format_RGB32));
}

INSTANTIATE_TEST_SUITE_P(Sides, ScrollBarInRegion,
                         ::testing::Values(BarCase{"right", false, 15}, BarCase{"left", true, 14},
                                           BarCase{"insideADarkFrame", false, 15, 8}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
