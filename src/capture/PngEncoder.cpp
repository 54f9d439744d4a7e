#include "capture/PngEncoder.h"

#include "capture/DeflateJoin.h"

#include <libdeflate.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

namespace mebo {

namespace {

// Below this (a millisecond or two of work) starting helper threads is not worth it.
constexpr size_t kMinParallelBytes = size_t(512) << 10;
// Rows at least this share of bytes equal to the pixel on their left are flat or text-like:
// unfiltered they keep the exact repeats deflate finds best.
constexpr int kRunShareNum = 3, kRunShareDen = 4;

// One source row (at `line`) as the PNG's unfiltered bytes.
void readRow(const PngPixels& src, const uint8_t* line, uint8_t* out) {
    const int w = src.width;
    switch (src.layout) {
    case PngPixels::Layout::Xrgb32: {
        const auto* px = reinterpret_cast<const uint32_t*>(line);
        if (src.channels == 3) {
            int x = 0;
            if constexpr (std::endian::native == std::endian::little) {
                // Four pixels to three words: R0 G0 B0 R1 | G1 B1 R2 G2 | B2 R3 G3 B3.
                for (; x + 4 <= w; x += 4, out += 12) {
                    const uint32_t a = px[x], b = px[x + 1], c = px[x + 2], d = px[x + 3];
                    const uint32_t words[3] = {
                        (a >> 16 & 0xFF) | (a & 0xFF00) | (a & 0xFF) << 16 | (b >> 16 & 0xFF) << 24,
                        (b >> 8 & 0xFF) | (b & 0xFF) << 8 | (c & 0xFF0000) | (c & 0xFF00) << 16,
                        (c & 0xFF) | (d >> 8 & 0xFF00) | (d & 0xFF00) << 8 | (d & 0xFF) << 24};
                    std::memcpy(out, words, 12);
                }
            }
            for (; x < w; ++x, out += 3) {
                const uint32_t v = px[x];
                out[0] = uint8_t(v >> 16);
                out[1] = uint8_t(v >> 8);
                out[2] = uint8_t(v);
            }
        } else {
            for (int x = 0; x < w; ++x, out += 4) {
                const uint32_t v = px[x];
                out[0] = uint8_t(v >> 16);
                out[1] = uint8_t(v >> 8);
                out[2] = uint8_t(v);
                out[3] = uint8_t(v >> 24);
            }
        }
        break;
    }
    case PngPixels::Layout::Rgba8:
        if (src.channels == 4) {
            std::memcpy(out, line, size_t(w) * 4);
        } else {
            for (int x = 0; x < w; ++x, out += 3, line += 4)
                std::memcpy(out, line, 3);
        }
        break;
    case PngPixels::Layout::Rgb8:
        std::memcpy(out, line, size_t(w) * 3);
        break;
    }
}

// Portable 16-byte vectors (SSE2 on x86-64, NEON on ARM).
using Bytes16 = uint8_t __attribute__((vector_size(16)));
using Words8 = uint16_t __attribute__((vector_size(16)));

inline Bytes16 load16(const uint8_t* p) {
    Bytes16 v;
    std::memcpy(&v, p, 16);
    return v;
}
inline void store16(uint8_t* p, Bytes16 v) {
    std::memcpy(p, &v, 16);
}
inline uint64_t sumLanes(Words8 v) {
    uint64_t s = 0;
    for (int i = 0; i < 8; ++i)
        s += v[i];
    return s;
}
inline unsigned magnitude(uint8_t v) {
    return v < 128 ? v : 256u - v;
}

// How many bytes equal the byte one pixel to the left.
size_t countRuns(const uint8_t* row, int n, int bpp) {
    size_t runs = 0;
    int i = bpp;
    Bytes16 acc{};
    int steps = 0;
    for (; i + 16 <= n; i += 16) {
        acc -= reinterpret_cast<Bytes16>(load16(row + i) == load16(row + i - bpp)); // true = -1
        if (++steps == 255) {
            for (int k = 0; k < 16; ++k)
                runs += acc[k];
            acc = Bytes16{};
            steps = 0;
        }
    }
    for (int k = 0; k < 16; ++k)
        runs += acc[k];
    for (; i < n; ++i)
        runs += row[i] == row[i - bpp];
    return runs;
}

// Writes row - reference (the Up filter with `prev`, Sub with the row shifted by one pixel) and
// answers the sum of the residuals' magnitudes, the usual estimate of how well a row compresses.
uint64_t subtractRow(const uint8_t* row, const uint8_t* ref, uint8_t* out, int begin, int n) {
    uint64_t sum = 0;
    Words8 acc{};
    int steps = 0;
    int i = begin;
    for (; i + 16 <= n; i += 16) {
        const Bytes16 r = load16(row + i) - load16(ref + i);
        store16(out + i, r);
        const Bytes16 neg = -r;
        const auto m = reinterpret_cast<Words8>(r < neg ? r : neg);
        acc += (m & 0xFF) + (m >> 8);
        if (++steps == 255) {
            sum += sumLanes(acc);
            acc = Words8{};
            steps = 0;
        }
    }
    sum += sumLanes(acc);
    for (; i < n; ++i) {
        out[i] = uint8_t(row[i] - ref[i]);
        sum += magnitude(out[i]);
    }
    return sum;
}

inline uint8_t paethPredictor(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc)
        return uint8_t(a);
    return uint8_t(pb <= pc ? b : c);
}

// Paeth residuals and their magnitude sum. Scalar: only the benchmarks' comparisons use it.
uint64_t paethRow(const uint8_t* row, const uint8_t* prev, uint8_t* out, int n, int bpp) {
    uint64_t sum = 0;
    for (int i = 0; i < n; ++i) {
        const int a = i >= bpp ? row[i - bpp] : 0, c = i >= bpp ? prev[i - bpp] : 0;
        out[i] = uint8_t(row[i] - paethPredictor(a, prev[i], c));
        sum += magnitude(out[i]);
    }
    return sum;
}

uint64_t subRow(const uint8_t* row, uint8_t* out, int n, int bpp) {
    uint64_t sum = 0;
    for (int i = 0; i < bpp; ++i) {
        out[i] = row[i];
        sum += magnitude(row[i]);
    }
    return sum + subtractRow(row, row - bpp, out, bpp, n);
}

enum : uint8_t { kNone = 0, kSub = 1, kUp = 2, kPaeth = 4 };

// On entry out[1..n] holds the raw row; filters it in place (out[0] = filter type) and answers
// where the raw row is now, for the next row to predict from: still in `out` when unfiltered
// (the common case on screens, so no copy), else copied to `keep` (n bytes) first.
const uint8_t* filterRow(PngRowFilter filter, uint8_t* out, const uint8_t* prev, uint8_t* keep,
                         uint8_t* scratch, int n, int bpp) {
    uint8_t* residuals = out + 1;
    if (filter == PngRowFilter::None ||
        (filter == PngRowFilter::Screen &&
         countRuns(residuals, n, bpp) * kRunShareDen >= size_t(n - bpp) * kRunShareNum)) {
        out[0] = kNone;
        return residuals;
    }
    std::memcpy(keep, residuals, size_t(n));
    const uint8_t* row = keep;
    switch (filter) {
    case PngRowFilter::None:
        break;
    case PngRowFilter::Sub:
        out[0] = kSub;
        subRow(row, residuals, n, bpp);
        break;
    case PngRowFilter::Up:
        out[0] = kUp;
        subtractRow(row, prev, residuals, 0, n);
        break;
    case PngRowFilter::Paeth:
        out[0] = kPaeth;
        paethRow(row, prev, residuals, n, bpp);
        break;
    case PngRowFilter::MinSum: {
        out[0] = kNone;
        uint64_t best = 0;
        for (int i = 0; i < n; ++i)
            best += magnitude(row[i]);
        auto consider = [&](uint8_t type, uint64_t sum) {
            if (sum >= best)
                return;
            best = sum;
            out[0] = type;
            std::memcpy(residuals, scratch, size_t(n));
        };
        consider(kSub, subRow(row, scratch, n, bpp));
        consider(kUp, subtractRow(row, prev, scratch, 0, n));
        consider(kPaeth, paethRow(row, prev, scratch, n, bpp));
        break;
    }
    case PngRowFilter::Screen:
        // Not flat: the better of Up and Sub by residual magnitude.
        out[0] = kUp;
        if (subRow(row, scratch, n, bpp) < subtractRow(row, prev, residuals, 0, n)) {
            out[0] = kSub;
            std::memcpy(residuals, scratch, size_t(n));
        }
        break;
    }
    return row;
}

struct Piece {
    int firstRow = 0;
    int endRow = 0;
    std::vector<uint8_t> deflated;
    uint32_t adler = 1;
    uint64_t rawBytes = 0;
    bool ok = false;
    bool noRows = false; // the row source failed: no point in trying again
};

// One worker's buffers, reused across its pieces.
class PieceEncoder {
public:
    PieceEncoder(const PngPixels& src, const PngEncodeOptions& options, unsigned worker)
        : src_(src), worker_(worker), filter_(options.filter), rowBytes_(src.width * src.channels),
          seamRow_(size_t(rowBytes_)), keepA_(size_t(rowBytes_)), keepB_(size_t(rowBytes_)),
          scratch_(size_t(rowBytes_)),
          compressor_(libdeflate_alloc_compressor(std::clamp(options.level, 1, 12))) {}
    ~PieceEncoder() { libdeflate_free_compressor(compressor_); }
    PieceEncoder(const PieceEncoder&) = delete;
    PieceEncoder& operator=(const PieceEncoder&) = delete;

    // `following` is the piece this worker takes next, if any: a row source may start fetching it
    // once this piece's rows are read.
    void encode(Piece& piece, bool last, const Piece* following) {
        if (!compressor_)
            return;
        const int bpp = src_.channels;
        const size_t stride = size_t(rowBytes_) + 1;
        const size_t rawBytes = stride * size_t(piece.endRow - piece.firstRow);
        // Uninitialised and reused: zero-filling megabytes costs more than the filters.
        if (rawBytes > filteredCapacity_) {
            filtered_.reset(new uint8_t[rawBytes]);
            filteredCapacity_ = rawBytes;
        }
        const size_t bound = libdeflate_deflate_compress_bound(compressor_, rawBytes);
        if (bound > outCapacity_) {
            out_.reset(new uint8_t[bound]);
            outCapacity_ = bound;
        }
        // Filters look at the image's previous row, also across piece seams.
        const int first = rowsFrom(piece);
        const uint8_t* base = src_.source ? src_.source->rows(worker_, first, piece.endRow)
                                          : src_.data + size_t(first) * src_.bytesPerLine;
        if (!base) {
            piece.noRows = true;
            return;
        }
        auto line = [&](int y) { return base + size_t(y - first) * src_.bytesPerLine; };
        const uint8_t* prev = seamRow_.data();
        if (piece.firstRow > 0) {
            readRow(src_, line(piece.firstRow - 1), seamRow_.data());
        } else {
            std::fill(seamRow_.begin(), seamRow_.end(), uint8_t(0));
        }
        uint8_t* keep[2] = {keepA_.data(), keepB_.data()};
        int k = 0;
        uint8_t* out = filtered_.get();
        for (int y = piece.firstRow; y < piece.endRow; ++y, out += stride) {
            readRow(src_, line(y), out + 1);
            prev = filterRow(filter_, out, prev, keep[k], scratch_.data(), rowBytes_, bpp);
            if (prev == keep[k])
                k ^= 1; // the next row's copy must not overwrite its predictor
        }
        if (src_.source && following) {
            src_.source->prefetch(worker_, rowsFrom(*following), following->endRow);
        }
        piece.rawBytes = rawBytes;
        piece.adler = libdeflate_adler32(1, filtered_.get(), rawBytes);
        const size_t n =
            libdeflate_deflate_compress(compressor_, filtered_.get(), rawBytes, out_.get(), bound);
        piece.deflated.reserve(n + 5); // room for the joining tail
        piece.deflated.assign(out_.get(), out_.get() + n);
        piece.ok = n > 0 && (last || DeflateJoin::makeJoinable(piece.deflated));
    }

private:
    // A piece's rows and the one above it.
    static int rowsFrom(const Piece& piece) { return piece.firstRow > 0 ? piece.firstRow - 1 : 0; }

    const PngPixels& src_;
    unsigned worker_;
    PngRowFilter filter_;
    int rowBytes_;
    std::vector<uint8_t> seamRow_, keepA_, keepB_, scratch_;
    std::unique_ptr<uint8_t[]> filtered_, out_;
    size_t filteredCapacity_ = 0, outCapacity_ = 0;
    libdeflate_compressor* compressor_;
};

std::vector<Piece> splitRows(int height, size_t stride, size_t pieceBytes, unsigned threads) {
    const size_t total = stride * size_t(height);
    const size_t perPiece = std::max<size_t>(pieceBytes, 1);
    size_t count = total / perPiece + (total % perPiece != 0 ? 1 : 0);
    if (threads > 1 && total >= kMinParallelBytes) {
        count = std::max<size_t>(count, threads);
        count = (count + threads - 1) / threads * threads; // even shares for the workers
    }
    count = std::clamp<size_t>(count, 1, size_t(height));
    std::vector<Piece> pieces(count);
    for (size_t i = 0; i < count; ++i) {
        pieces[i].firstRow = int(size_t(height) * i / count);
        pieces[i].endRow = int(size_t(height) * (i + 1) / count);
    }
    return pieces;
}

bool encodePieces(const PngPixels& src, const PngEncodeOptions& options, std::vector<Piece>& pieces,
                  unsigned threads) {
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    auto work = [&](unsigned worker) {
        try {
            PieceEncoder encoder(src, options, worker);
            // With a row source each worker claims its next piece before compressing the current
            // one, for the source to fetch it meanwhile; else pieces go to whoever is free first.
            for (size_t i = next++; i < pieces.size() && !failed;) {
                const size_t following = src.source ? next++ : pieces.size();
                encoder.encode(pieces[i], i + 1 == pieces.size(),
                               following < pieces.size() ? &pieces[following] : nullptr);
                if (!pieces[i].ok)
                    failed = true;
                i = src.source ? following : next++;
            }
        } catch (const std::bad_alloc&) {
            failed = true;
        }
    };
    std::vector<std::thread> helpers;
    const unsigned helperCount = unsigned(std::min<size_t>(threads, pieces.size())) - 1;
    try {
        for (unsigned i = 0; i < helperCount; ++i)
            helpers.emplace_back(work, i + 1);
    } catch (const std::system_error&) {
        // No more threads: the calling thread does the rest.
    }
    work(0);
    for (auto& t : helpers)
        t.join();
    return !failed;
}

void appendBigEndian(QByteArray& out, uint32_t v) {
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    out.append(b, 4);
}

// Appends one chunk: length, type, data (in parts), CRC-32 of type and data.
void appendChunk(QByteArray& out, const char* type, std::initializer_list<QByteArrayView> parts) {
    qsizetype length = 0;
    for (auto p : parts)
        length += p.size();
    appendBigEndian(out, uint32_t(length));
    const qsizetype typeAt = out.size();
    out.append(type, 4);
    for (auto p : parts)
        out.append(p);
    const auto* bytes = reinterpret_cast<const uint8_t*>(out.constData()) + typeAt;
    appendBigEndian(out, libdeflate_crc32(0, bytes, size_t(out.size() - typeAt)));
}

QByteArray assemble(const PngPixels& src, const std::vector<Piece>& pieces, bool density) {
    qsizetype deflated = 0;
    for (const auto& p : pieces)
        deflated += qsizetype(p.deflated.size()) + 12;
    QByteArray png;
    png.reserve(8 + 25 + deflated + 6 + 12);
    png.append("\x89PNG\r\n\x1a\n", 8);

    QByteArray ihdr;
    appendBigEndian(ihdr, uint32_t(src.width));
    appendBigEndian(ihdr, uint32_t(src.height));
    ihdr.append(char(8));                         // bits per channel
    ihdr.append(char(src.channels == 4 ? 6 : 2)); // RGBA or RGB
    ihdr.append(3, char(0));                      // deflate, adaptive filters, no interlace
    appendChunk(png, "IHDR", {ihdr});
    if (density && src.dotsPerMeterX > 0 && src.dotsPerMeterY > 0) {
        QByteArray phys;
        appendBigEndian(phys, uint32_t(src.dotsPerMeterX));
        appendBigEndian(phys, uint32_t(src.dotsPerMeterY));
        phys.append(char(1)); // unit: the metre
        appendChunk(png, "pHYs", {phys});
    }

    uint32_t adler = 1;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const Piece& p = pieces[i];
        adler = i == 0 ? p.adler : DeflateJoin::adler32Combine(adler, p.adler, p.rawBytes);
    }
    // zlib header: deflate with a 32 KiB window, "default" level hint; 0x785E % 31 == 0.
    static const char zlibHeader[2] = {0x78, 0x5E};
    QByteArray trailer;
    appendBigEndian(trailer, adler);
    for (size_t i = 0; i < pieces.size(); ++i) {
        const auto data = QByteArrayView(reinterpret_cast<const char*>(pieces[i].deflated.data()),
                                         qsizetype(pieces[i].deflated.size()));
        const QByteArrayView head = i == 0 ? QByteArrayView(zlibHeader, 2) : QByteArrayView();
        const QByteArrayView tail = i + 1 == pieces.size() ? QByteArrayView(trailer) : QByteArrayView();
        appendChunk(png, "IDAT", {head, data, tail});
    }
    appendChunk(png, "IEND", {});
    return png;
}

} // namespace

QByteArray PngEncoder::encode(const PngPixels& src, const PngEncodeOptions& options) {
    if ((!src.data && !src.source) || src.width <= 0 || src.height <= 0)
        return {};
    try {
        const size_t stride = size_t(src.width) * size_t(src.channels) + 1;
        const unsigned cores = std::max(std::thread::hardware_concurrency(), 1u);
        const unsigned threads =
            std::min(options.threads == 0 ? cores : options.threads, PngEncoder::maxThreads);
        std::vector<Piece> pieces = splitRows(src.height, stride, options.pieceBytes, threads);
        if (!encodePieces(src, options, pieces, threads) && pieces.size() > 1 &&
            std::none_of(pieces.begin(), pieces.end(), [](const Piece& p) { return p.noRows; })) {
            // A seam could not be joined (never seen): fall back to one piece on this thread.
            pieces = splitRows(src.height, stride, std::numeric_limits<size_t>::max(), 1);
            if (!encodePieces(src, options, pieces, 1))
                return {};
        }
        for (const auto& p : pieces) {
            if (!p.ok)
                return {};
        }
        return assemble(src, pieces, options.density);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

} // namespace mebo
