#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>

class QImage;

namespace mebo {

// How PngEncoder filters rows. PNG filters predict each byte from its neighbours; deflate then
// compresses the residuals.
enum class PngRowFilter {
    Screen, // per row: None for flat or text-like rows, else the better of Up and Sub (default)
    MinSum, // per row: of None, Sub, Up and Paeth the one with the least residual magnitude
    None,
    Sub,
    Up,
    Paeth,
};

// Tuning of PngEncoder. The defaults are what captures use; the benchmarks vary the rest.
struct PngEncodeOptions {
    int level = 5; // libdeflate compression level, 1 (fastest) to 12
    PngRowFilter filter = PngRowFilter::Screen;
    // Filtered bytes per independently compressed piece: bounds memory, feeds the threads.
    size_t pieceBytes = size_t(1) << 20;
    unsigned threads = 0; // 0 = one per core (at most 8)
    // A pHYs chunk with the image's dots per metre (what a viewer sizes the picture by).
    bool density = false;
};

// Rows the encoder asks for piece by piece instead of reading one picture in memory: a grab into
// a small buffer per thread never maps a whole frame at once, and overlaps the compression.
class PngRowSource {
public:
    virtual ~PngRowSource() = default;
    // Makes rows [first, end) readable for `worker` (below the encoder's thread count, one call
    // at a time per worker) and answers row `first`'s address, rows PngPixels::bytesPerLine apart;
    // null when they cannot be had. They stay valid until that worker's next call.
    virtual const uint8_t* rows(unsigned worker, int first, int end) = 0;
    // Says that `worker` is done with its rows and will ask for [first, end) next: a source may
    // start fetching them while the worker compresses.
    virtual void prefetch(unsigned worker, int first, int end) { (void)worker, (void)first, (void)end; }
};

// Pixels as the encoder reads them: rows `bytesPerLine` apart, in one of three layouts.
struct PngPixels {
    enum class Layout {
        Xrgb32, // 32-bit 0xAARRGGBB words (RGB32, ARGB32)
        Rgba8,  // bytes R, G, B, A (RGBX8888, RGBA8888)
        Rgb8,   // bytes R, G, B (RGB888)
    };
    const uint8_t* data = nullptr;
    PngRowSource* source = nullptr; // when set, rows come from it and `data` is unused
    int width = 0;
    int height = 0;
    size_t bytesPerLine = 0;
    Layout layout = Layout::Xrgb32;
    int channels = 3;      // written: 3 = RGB (any alpha byte ignored), 4 = RGBA (straight alpha)
    int dotsPerMeterX = 0; // the pHYs chunk's density, when asked for and set
    int dotsPerMeterY = 0;
};

// Lossless PNG encoding of a QImage: 8-bit RGB when every pixel is opaque, else 8-bit RGBA
// (straight alpha). Large images are cut into row pieces that are filtered and compressed on
// several threads and joined into one zlib stream. Thread-safe; blocks the caller until done.
class PngEncoder {
public:
    static constexpr unsigned maxThreads = 8; // PngRowSource workers are numbered below it

    // Answers the PNG file's bytes, or nothing for a null image or when memory runs out.
    static QByteArray encode(const QImage& image, const PngEncodeOptions& options);
    // The same for pixels already in a layout it reads; needs no Qt Gui.
    static QByteArray encode(const PngPixels& pixels, const PngEncodeOptions& options);
};

} // namespace mebo
