#include "platform/gif/QuantizedGifWriter.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <gif_lib.h>
#include <libimagequant.h>
#include <unistd.h>

namespace mebo::platform {

namespace {

QString gifError(int code) {
    const char* text = GifErrorString(code);
    return text ? QString::fromLatin1(text) : QStringLiteral("GIF error %1").arg(code);
}

// Frames are quantized at this libimagequant speed (1 best ... 10 fastest; 4 is its default): on
// screen recordings 6 gave the same SSIM as 4 in less time.
constexpr int kQuantizeSpeed = 6;

struct Liq {
    liq_attr* attr = nullptr;
    liq_image* image = nullptr;
    liq_result* result = nullptr;
    ~Liq() {
        if (result) {
            liq_result_destroy(result);
        }
        if (image) {
            liq_image_destroy(image);
        }
        if (attr) {
            liq_attr_destroy(attr);
        }
    }
};

} // namespace

QuantizedGifWriter::~QuantizedGifWriter() {
    abandon();
}

int QuantizedGifWriter::delayHundredths(double elapsedSec, double delaySec) {
    return int(std::llround((elapsedSec + delaySec) * 100) - std::llround(elapsedSec * 100));
}

bool QuantizedGifWriter::open(const QString& path, QSize size, int loopCount, QString* error) {
    // Opened here rather than by giflib, which creates files readable by their owner only.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    int code = 0;
    gif_ = EGifOpenFileHandle(fd, &code);
    if (!gif_) {
        ::close(fd);
        *error = gifError(code);
        return false;
    }
    size_ = size;
    EGifSetGifVersion(gif_, true);
    if (EGifPutScreenDesc(gif_, size.width(), size.height(), 8, 0, nullptr) == GIF_ERROR) {
        *error = gifError(gif_->Error);
        return false;
    }
    // The application extension browsers read the loop count from (0: forever).
    unsigned char loop[3] = {1, static_cast<unsigned char>(loopCount & 0xff),
                             static_cast<unsigned char>((loopCount >> 8) & 0xff)};
    if (EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(gif_, 11, "NETSCAPE2.0") == GIF_ERROR ||
        EGifPutExtensionBlock(gif_, 3, loop) == GIF_ERROR || EGifPutExtensionTrailer(gif_) == GIF_ERROR) {
        *error = gifError(gif_->Error);
        return false;
    }
    shown_ = QImage(size, QImage::Format_RGB32);
    first_ = true;
    elapsed_ = 0;
    return true;
}

bool QuantizedGifWriter::writeEmptyFrame(int hundredths, QString* error) {
    // One transparent pixel: the picture stays as it is for the frame's time.
    GraphicsControlBlock gcb{DISPOSE_DO_NOT, false, hundredths, 0};
    GifByteType ext[4];
    const size_t n = EGifGCBToExtension(&gcb, ext);
    GifColorType colours[2] = {{0, 0, 0}, {0, 0, 0}};
    ColorMapObject* map = GifMakeMapObject(2, colours);
    GifPixelType pixel = 0;
    const bool ok = EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, int(n), ext) != GIF_ERROR &&
                    EGifPutImageDesc(gif_, 0, 0, 1, 1, false, map) != GIF_ERROR &&
                    EGifPutLine(gif_, &pixel, 1) != GIF_ERROR;
    GifFreeMapObject(map);
    if (!ok) {
        *error = gifError(gif_->Error);
    }
    return ok;
}

int QuantizedGifWriter::difference(QRgb a, QRgb b) {
    return std::max(
        {std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

void QuantizedGifWriter::markChanged(const QImage& frame) {
    const int w = size_.width();
    const int h = size_.height();
    changed_.assign(size_t(w) * h, first_ ? 1 : 0);
    if (first_) {
        return;
    }
    rowDifference_.resize(size_t(w));
    unsigned char* diff = rowDifference_.data();
    for (int y = 0; y < h; ++y) {
        const auto* now = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
        const auto* was = reinterpret_cast<const QRgb*>(shown_.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            diff[x] = now[x] == was[x] ? 0 : static_cast<unsigned char>(difference(now[x], was[x]));
        }
        unsigned char* changed = changed_.data() + size_t(y) * w;
        for (int x = 0; x < w; ++x) {
            const int d = diff[x];
            if (d > kIsolatedTolerance) {
                changed[x] = 1;
            } else if (d > kUnchangedTolerance) {
                const bool left = x > 0 && diff[x - 1] > kUnchangedTolerance;
                const bool right = x + 1 < w && diff[x + 1] > kUnchangedTolerance;
                changed[x] = left || right ? 1 : 0;
            }
        }
    }
}

bool QuantizedGifWriter::addFrame(const QImage& input, double delaySec, QString* error) {
    if (!gif_) {
        *error = QStringLiteral("GIF not open");
        return false;
    }
    const QImage frame = input.format() == QImage::Format_RGB32 || input.format() == QImage::Format_ARGB32
                             ? input
                             : input.convertToFormat(QImage::Format_RGB32);
    if (frame.size() != size_) {
        *error = QStringLiteral("frame %1x%2 does not match the GIF").arg(frame.width()).arg(frame.height());
        return false;
    }
    const int hundredths = delayHundredths(elapsed_, delaySec);
    elapsed_ += delaySec;
    const int w = size_.width();
    const int h = size_.height();
    markChanged(frame);
    // The rectangle that changed.
    int left = w, top = h, right = -1, bottom = -1;
    for (int y = 0; y < h; ++y) {
        const unsigned char* row = changed_.data() + size_t(y) * w;
        int x0 = 0;
        while (x0 < w && !row[x0]) {
            ++x0;
        }
        if (x0 == w) {
            continue;
        }
        int x1 = w - 1;
        while (!row[x1]) {
            --x1;
        }
        left = std::min(left, x0);
        right = std::max(right, x1);
        top = std::min(top, y);
        bottom = y;
    }
    if (right < 0) {
        return writeEmptyFrame(hundredths, error);
    }
    const int rw = right - left + 1;
    const int rh = bottom - top + 1;
    rgba_.resize(size_t(rw) * rh * 4);
    for (int y = 0; y < rh; ++y) {
        const auto* now = reinterpret_cast<const QRgb*>(frame.constScanLine(top + y)) + left;
        const unsigned char* changed = changed_.data() + size_t(top + y) * w + left;
        auto* out = reinterpret_cast<uint32_t*>(rgba_.data() + size_t(y) * rw * 4);
        for (int x = 0; x < rw; ++x) {
            // RGBA bytes in memory; 0 is the transparent pixel.
            const QRgb a = now[x];
            out[x] = changed[x] ? qToLittleEndian(uint32_t(qRed(a)) | uint32_t(qGreen(a)) << 8 |
                                                  uint32_t(qBlue(a)) << 16 | 0xff000000u)
                                : 0u;
        }
    }
    std::vector<GifColorType> colours;
    int transparent = NO_TRANSPARENT_COLOR;
    if (!exactPalette(rw * rh, &colours, &transparent) && !quantize(rw, rh, &colours, &transparent, error)) {
        return false;
    }
    int mapSize = 2;
    while (mapSize < int(colours.size())) {
        mapSize *= 2;
    }
    colours.resize(size_t(mapSize), GifColorType{0, 0, 0});
    GraphicsControlBlock gcb{DISPOSE_DO_NOT, false, hundredths, transparent};
    GifByteType ext[4];
    const size_t n = EGifGCBToExtension(&gcb, ext);
    ColorMapObject* map = GifMakeMapObject(mapSize, colours.data());
    bool ok = EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, int(n), ext) != GIF_ERROR &&
              EGifPutImageDesc(gif_, left, top, rw, rh, false, map) != GIF_ERROR;
    GifFreeMapObject(map);
    for (int y = 0; ok && y < rh; ++y) {
        ok = EGifPutLine(gif_, indices_.data() + size_t(y) * rw, rw) != GIF_ERROR;
    }
    if (!ok) {
        *error = gifError(gif_->Error);
        return false;
    }
    // What the viewer now shows: the palette's colours where the frame was opaque.
    for (int y = 0; y < rh; ++y) {
        auto* shown = reinterpret_cast<QRgb*>(shown_.scanLine(top + y)) + left;
        const unsigned char* idx = indices_.data() + size_t(y) * rw;
        for (int x = 0; x < rw; ++x) {
            if (int(idx[x]) != transparent) {
                const GifColorType& c = colours[idx[x]];
                shown[x] = qRgb(c.Red, c.Green, c.Blue);
            }
        }
    }
    first_ = false;
    return true;
}

bool QuantizedGifWriter::exactPalette(int pixels, std::vector<GifColorType>* colours, int* transparent) {
    // Up to 256 colours (the transparent one included) need no quantization: the frame is written
    // exactly, which is also much faster. Screen content changes in few colours more often than not.
    constexpr size_t kMax = 256;
    const auto* px = reinterpret_cast<const uint32_t*>(rgba_.data());
    // An open-addressing set of the colours seen, four times the most it may hold.
    constexpr uint32_t kSlots = 1024;
    uint32_t slots[kSlots];
    bool used[kSlots] = {};
    std::vector<uint32_t> seen;
    seen.reserve(kMax);
    for (int i = 0; i < pixels; ++i) {
        const uint32_t c = px[i];
        if (i > 0 && c == px[i - 1]) {
            continue;
        }
        uint32_t h = (c * 2654435761u) >> 22;
        while (used[h] && slots[h] != c) {
            h = (h + 1) & (kSlots - 1);
        }
        if (!used[h]) {
            if (seen.size() == kMax) {
                return false;
            }
            used[h] = true;
            slots[h] = c;
            seen.push_back(c);
        }
    }
    std::sort(seen.begin(), seen.end());
    colours->clear();
    for (size_t i = 0; i < seen.size(); ++i) {
        const auto* c = reinterpret_cast<const unsigned char*>(&seen[i]);
        colours->push_back({c[0], c[1], c[2]});
        if (c[3] == 0) {
            *transparent = int(i);
        }
    }
    indices_.resize(size_t(pixels));
    size_t at = 0;
    for (int i = 0; i < pixels; ++i) {
        if (seen[at] != px[i]) {
            at = size_t(std::lower_bound(seen.begin(), seen.end(), px[i]) - seen.begin());
        }
        indices_[size_t(i)] = static_cast<unsigned char>(at);
    }
    return true;
}

bool QuantizedGifWriter::quantize(int width, int height, std::vector<GifColorType>* colours, int* transparent,
                                  QString* error) {
    Liq liq;
    liq.attr = liq_attr_create();
    liq_set_speed(liq.attr, kQuantizeSpeed);
    liq_set_max_colors(liq.attr, 256);
    liq.image = liq_image_create_rgba(liq.attr, rgba_.data(), width, height, 0);
    if (!liq.image || liq_image_quantize(liq.image, liq.attr, &liq.result) != LIQ_OK) {
        *error = QStringLiteral("palette quantization failed");
        return false;
    }
    // No dithering: screen content is flat colour and text, where dither noise costs size and
    // sharpness.
    liq_set_dithering_level(liq.result, 0.0f);
    indices_.resize(size_t(width) * height);
    if (liq_write_remapped_image(liq.result, liq.image, indices_.data(), indices_.size()) != LIQ_OK) {
        *error = QStringLiteral("palette remapping failed");
        return false;
    }
    const liq_palette* palette = liq_get_palette(liq.result);
    colours->clear();
    for (unsigned i = 0; i < palette->count; ++i) {
        colours->push_back({palette->entries[i].r, palette->entries[i].g, palette->entries[i].b});
        if (palette->entries[i].a < 128 && *transparent == NO_TRANSPARENT_COLOR) {
            *transparent = int(i);
        }
    }
    return true;
}

bool QuantizedGifWriter::finish(QString* error) {
    if (!gif_) {
        *error = QStringLiteral("GIF not open");
        return false;
    }
    int code = 0;
    const int rc = EGifCloseFile(gif_, &code);
    gif_ = nullptr;
    if (rc == GIF_ERROR) {
        *error = gifError(code);
        return false;
    }
    return true;
}

void QuantizedGifWriter::abandon() {
    if (gif_) {
        int code = 0;
        EGifCloseFile(gif_, &code);
        gif_ = nullptr;
    }
}

} // namespace mebo::platform
