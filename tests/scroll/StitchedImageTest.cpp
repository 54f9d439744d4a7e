#include "scroll/StitchedImage.h"
#include "SyntheticPage.h"

#include <gtest/gtest.h>

using namespace mebo;
using namespace mebo::test;

namespace {

// A page cut into a first frame and bands of `step` rows, composed again: small images and ones
// large enough to take their memory in 2 MiB pages must come out the same.
TEST(StitchedImage, ComposeGivesThePageBackWhateverItsSize) {
    struct Case {
        const char* what;
        int width;
        int height;
        int frame;
        int step;
    };
    for (const Case& c : {
             Case{"a few screens", 640, 2000, 480, 288},
             Case{"above the large-image size", 1920, 6000, 1080, 648},
             Case{"rows not a multiple of anything", 1333, 7777, 901, 517},
         }) {
        const QImage page = syntheticPage(c.width, c.height).convertToFormat(QImage::Format_RGB32);
        std::optional<QImage> composed;
        {
            StitchedImage stitched(page.copy(0, 0, c.width, c.frame));
            for (int bottom = c.frame; bottom < c.height; bottom += c.step) {
                const int end = std::min(bottom + c.step, c.height);
                // The frame whose bottom rows are the band.
                stitched.append(page.copy(0, end - c.frame, c.width, c.frame), end - bottom, c.width);
            }
            composed = stitched.compose();
        } // the image outlives the bands it was composed from
        ASSERT_EQ(composed->size(), page.size()) << c.what;
        EXPECT_EQ(*composed, page) << c.what;
    }
}

TEST(StitchedImage, ALargeImageWidenedLaterIsBlackBesideItsNarrowBands) {
    const QImage first = syntheticPage(1000, 1200).convertToFormat(QImage::Format_RGB32);
    const QImage wide = syntheticPage(1600, 1200).convertToFormat(QImage::Format_RGB32);
    StitchedImage stitched(first);
    stitched.append(wide, 1200, 1600);
    stitched.append(wide, 1200, 1600);
    const QImage out = stitched.compose();
    ASSERT_EQ(out.size(), QSize(1600, 3600));
    EXPECT_EQ(out.pixel(1599, 0), qRgb(0, 0, 0));
    EXPECT_EQ(out.copy(0, 0, 1000, 1200), first);
    EXPECT_EQ(out.copy(0, 1200, 1600, 1200), wide);
}

} // namespace
