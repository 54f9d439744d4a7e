#pragma once

#include "scroll/GreyImage.h"

#include <QImage>
#include <cstdint>
#include <optional>

namespace mebo {

// The middle columns and rows of a W x H frame that alignment looks at: away from side bars and
// scroll bars, clear of fixed headers and footers. All divisions truncate.
struct BandGeometry {
    int left = 0;
    int width = 0;
    int top = 0;
    int bottom = 0; // bottom margin
    int height = 0;

    static BandGeometry of(int w, int h);
};

// How far the content moved between two frames, and the width of the stitched output.
struct Alignment {
    int width = 0;
    int shift = 0;
};

// The finding steps of frame processing. Pure functions of their inputs; any thread.
namespace scrollalign {

// The band moved sideways to the columns that show the content when the middle columns show
// clearly less (a code listing or a chat keeps its text on the left): same width, rows and
// margins from the window's edges. With `last`, only columns that changed between the frames
// count, so that a side bar fixed to the view never carries the alignment.
BandGeometry contentColumns(const GreyImage& next, const GreyImage* last, BandGeometry band);

// The blink test: same size, and over a grid of samples (step min(W, H) / 80) the mean grey
// difference is below 1.2 and fewer than 1.8 % of the samples differ by more than 7.
bool isNearDuplicate(const GreyImage& last, const GreyImage& next);

// Whether two screen frames show the same picture (the blink test on a grid of raw pixels): a
// page that is still painting after a scroll changes between frames, a finished one does not.
bool framesLookSame(const QImage& a, const QImage& b);

// Row profiles, candidate shifts around the hint, a pixel check and a template check. `last` and
// `next` are the grey copies of the previous and the new frame; `hint` the rows appended last
// time (0: unknown). Nothing when the frames are too small or the match is not convincing.
std::optional<Alignment> alignPrimary(const GreyImage& last, const GreyImage& next, int hint);

// The shift below `below` rows at which the new frame continues the last one pixel for pixel
// over the band: a scroll that the content's end cut short moves too little for the search around
// the expected step (and none at all under 8 rows). Nothing when no shift matches over rows that
// show something.
std::optional<Alignment> alignShort(const GreyImage& last, const GreyImage& next, int below);

// The bottom rows of the stitched image found in the new frame by normalised cross-correlation,
// else by exact row hashes. `stitchedTail` holds (at least) the bottom rows of the stitched image
// and `stitchedHeight` its full height; `shift` is the new frame's height minus the overlap.
Alignment alignFallback(const QImage& stitchedTail, int stitchedHeight, const QImage& next,
                        const GreyImage& nextGrey);

// The hash of one row of stored pixel bytes (every eighth byte, FNV-style).
uint64_t rowHash(const uint8_t* bytes, int length);

// Zero-mean normalised cross-correlation of two equally sized grey blocks; nothing when either
// block has (almost) no variance.
std::optional<double> zncc(const GreyImage& a, int ax, int ay, const GreyImage& b, int bx, int by, int w,
                           int h);

} // namespace scrollalign
} // namespace mebo
