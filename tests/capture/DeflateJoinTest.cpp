#include "capture/DeflateJoin.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <cstring>
#include <set>

namespace mebo {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes compress(const Bytes& data, int level) {
    libdeflate_compressor* c = libdeflate_alloc_compressor(level);
    Bytes out(libdeflate_deflate_compress_bound(c, data.size()));
    out.resize(libdeflate_deflate_compress(c, data.data(), data.size(), out.data(), out.size()));
    libdeflate_free_compressor(c);
    return out;
}

// Inflates a raw deflate stream with zlib; fails the test unless it is exactly one stream.
Bytes inflateRaw(const Bytes& stream, size_t expectedSize) {
    Bytes out(expectedSize + 1);
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = uInt(stream.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END) << (z.msg ? z.msg : "");
    EXPECT_EQ(z.avail_in, 0u) << "bytes after the stream";
    out.resize(z.total_out);
    inflateEnd(&z);
    return out;
}

Bytes randomBytes(size_t n, quint32 seed, int alphabet = 256) {
    QRandomGenerator rng(seed);
    Bytes b(n);
    for (auto& x : b)
        x = uint8_t(rng.bounded(alphabet));
    return b;
}

// Text-like bytes with long repeats: Huffman blocks with length/distance pairs.
Bytes textLike(size_t n, quint32 seed) {
    static const char* words[] = {"-rwxr-xr-x ", "root ", "1685023897.0 ", "apt-get\n", "bash ", "   "};
    QRandomGenerator rng(seed);
    Bytes b;
    while (b.size() < n) {
        const char* w = words[rng.bounded(6)];
        b.insert(b.end(), w, w + std::strlen(w));
    }
    b.resize(n);
    return b;
}

// Compresses every part on its own, joins them and checks that zlib reads back the concatenation.
void expectJoinedStreamDecodes(const std::vector<Bytes>& parts, int level) {
    Bytes joined, expected;
    for (size_t i = 0; i < parts.size(); ++i) {
        Bytes piece = compress(parts[i], level);
        if (i + 1 < parts.size()) {
            ASSERT_TRUE(DeflateJoin::makeJoinable(piece)) << "part " << i << " level " << level;
        }
        joined.insert(joined.end(), piece.begin(), piece.end());
        expected.insert(expected.end(), parts[i].begin(), parts[i].end());
    }
    EXPECT_EQ(inflateRaw(joined, expected.size()), expected) << "level " << level;
}

// Dynamic, stored (incompressible), fixed-code (tiny) and empty streams at every level; the tail
// that ends a piece on a byte boundary is 4 bytes when the final byte has three spare bits, else 5.
TEST(DeflateJoinTest, JoinsEveryKindOfBlockAtEveryLevelOnAByteBoundary) {
    std::vector<Bytes> parts = {textLike(700000, 1), randomBytes(70000, 2), Bytes{},
                                Bytes{42},           Bytes(300000, 0),      randomBytes(5000, 3, 4)};
    for (quint32 seed = 0; seed < 64; ++seed) {
        parts.push_back(seed % 2 ? textLike(50 + seed * 37, seed) : randomBytes(20 + seed, seed, 3));
    }
    std::set<size_t> tailSizes;
    for (const Bytes& part : parts) {
        Bytes piece = compress(part, 6);
        const size_t before = piece.size();
        ASSERT_TRUE(DeflateJoin::makeJoinable(piece));
        tailSizes.insert(piece.size() - before);
    }
    EXPECT_EQ(tailSizes, (std::set<size_t>{4, 5}));
    for (int level : {0, 1, 2, 6, 9, 12})
        expectJoinedStreamDecodes(parts, level);
}

TEST(DeflateJoinTest, RefusesAnythingButExactlyOneCompleteStream) {
    const Bytes good = compress(textLike(100000, 9), 6);
    auto refused = [](Bytes b) {
        const Bytes copy = b;
        const bool ok = DeflateJoin::makeJoinable(b);
        EXPECT_EQ(b, copy) << "changed although refused";
        return !ok;
    };
    EXPECT_TRUE(refused({}));
    EXPECT_TRUE(refused(Bytes(good.begin(), good.end() - 1))); // truncated
    Bytes trailing = good;
    trailing.push_back(0);
    EXPECT_TRUE(refused(trailing));
    EXPECT_TRUE(refused({0x07}));                     // final block of the reserved type 3
    EXPECT_TRUE(refused({0x01, 0x05, 0x00, 0x00}));   // stored block whose NLEN does not match
    Bytes nonFinal = compress(textLike(1000, 10), 6); // one block
    nonFinal[0] &= 0xFE;                              // ... that is no longer final
    EXPECT_TRUE(refused(nonFinal));
}

} // namespace
} // namespace mebo
