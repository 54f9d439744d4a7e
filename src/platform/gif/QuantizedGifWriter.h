#pragma once

#include "platform/VideoFrameGenerator.h"

#include <QImage>
#include <vector>

struct GifFileType;
struct GifColorType;

namespace mebo::platform {

// GifWriter over libimagequant (palettes) and giflib (the file). Each frame is written as the
// rectangle that changed since what the viewer already shows, with pixels that did not change left
// transparent, and with a palette of its own made for that rectangle: a screen recording's GIF
// then holds little more than what moved, and every frame gets the best 255 colours for itself.
// Delays are kept exact over time (whole hundredths that add up to the running total).
class QuantizedGifWriter : public GifWriter {
public:
    // A pixel counts as unchanged when no channel differs by more than kUnchangedTolerance from
    // what is shown, or by no more than kIsolatedTolerance while neither pixel beside it in the row
    // changed: lone small differences are the decoder's noise, and sending them breaks the
    // transparent runs that keep a frame small.
    static constexpr int kUnchangedTolerance = 1;
    static constexpr int kIsolatedTolerance = 2;

    ~QuantizedGifWriter() override;
    bool open(const QString& path, QSize size, int loopCount, QString* error) override;
    bool addFrame(const QImage& frame, double delaySec, QString* error) override;
    bool finish(QString* error) override;
    void abandon() override;

    // Hundredths of a second for a frame shown from `elapsedSec` for `delaySec`.
    static int delayHundredths(double elapsedSec, double delaySec);

private:
    bool writeEmptyFrame(int hundredths, QString* error);
    // Fills changed_ with 1 for each pixel to send, 0 for one left as shown.
    void markChanged(const QImage& frame);
    static int difference(QRgb a, QRgb b); // the largest channel difference
    // The palette and indices of the changed rectangle in rgba_: its own colours when they fit,
    // else libimagequant's. `transparent` receives the index of the transparent colour, if any.
    bool exactPalette(int pixels, std::vector<GifColorType>* colours, int* transparent);
    bool quantize(int width, int height, std::vector<GifColorType>* colours, int* transparent,
                  QString* error);

    GifFileType* gif_ = nullptr;
    QSize size_;
    QImage shown_; // what a viewer shows after the frames written so far (RGB32)
    bool first_ = true;
    double elapsed_ = 0;
    std::vector<unsigned char> rgba_;
    std::vector<unsigned char> indices_;
    std::vector<unsigned char> changed_;       // 1 for each pixel to send
    std::vector<unsigned char> rowDifference_; // a row's largest channel differences
};

} // namespace mebo::platform
