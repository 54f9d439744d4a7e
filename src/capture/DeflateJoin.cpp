#include "capture/DeflateJoin.h"

#include <array>
#include <cstring>

namespace mebo {

namespace {

// Reads a deflate stream's bits, least significant first. Reads past the end yield zeros; callers
// check overrun() once per symbol.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint32_t peek(int count) const {
        const size_t byte = size_t(pos_ >> 3);
        uint64_t word = 0;
        if (byte + 8 <= size_) {
            for (int i = 0; i < 8; ++i)
                word |= uint64_t(data_[byte + i]) << (8 * i);
        } else {
            for (size_t i = 0; byte + i < size_ && i < 8; ++i)
                word |= uint64_t(data_[byte + i]) << (8 * i);
        }
        return uint32_t(word >> (pos_ & 7)) & ((1u << count) - 1);
    }
    void skip(int count) { pos_ += uint64_t(count); }
    uint32_t take(int count) {
        const uint32_t v = count == 0 ? 0 : peek(count);
        skip(count);
        return v;
    }
    void alignToByte() { pos_ = (pos_ + 7) & ~uint64_t(7); }
    uint64_t position() const { return pos_; }
    bool overrun() const { return pos_ > uint64_t(size_) * 8; }

private:
    const uint8_t* data_;
    size_t size_;
    uint64_t pos_ = 0; // in bits
};

constexpr int kMaxCodeBits = 15;
constexpr int kFastBits = 10;

// A canonical Huffman code: a lookup table for codes up to kFastBits long, and the counts and
// sorted symbols for walking longer codes one bit at a time.
struct Huffman {
    std::array<uint16_t, kMaxCodeBits + 1> count{};
    std::array<uint16_t, 288> symbol{};
    std::array<uint16_t, 1u << kFastBits> fast{}; // (symbol << 4) | length; 0 = not in table

    // Answers false for an over-subscribed set of lengths. Incomplete codes are allowed (a
    // single distance code is legal); their unused codes fail to decode.
    bool build(const uint8_t* lengths, int n) {
        count.fill(0);
        for (int s = 0; s < n; ++s)
            ++count[lengths[s]];
        count[0] = 0;
        int left = 1;
        for (int len = 1; len <= kMaxCodeBits; ++len) {
            left = (left << 1) - count[len];
            if (left < 0)
                return false;
        }
        std::array<uint16_t, kMaxCodeBits + 2> offset{};
        for (int len = 1; len <= kMaxCodeBits; ++len)
            offset[len + 1] = offset[len] + count[len];
        for (int s = 0; s < n; ++s) {
            if (lengths[s] != 0)
                symbol[offset[lengths[s]]++] = uint16_t(s);
        }
        fast.fill(0);
        uint32_t code = 0;
        int index = 0;
        for (int len = 1; len <= kMaxCodeBits; ++len) {
            for (int k = 0; k < count[len]; ++k, ++code, ++index) {
                if (len > kFastBits)
                    continue;
                uint32_t reversed = 0;
                for (int b = 0; b < len; ++b)
                    reversed |= ((code >> b) & 1u) << (len - 1 - b);
                const auto entry = uint16_t((symbol[index] << 4) | len);
                for (uint32_t i = reversed; i < (1u << kFastBits); i += 1u << len)
                    fast[i] = entry;
            }
            code <<= 1;
        }
        return true;
    }

    // The next symbol, or -1 for a code that the set does not assign.
    int decode(BitReader& in) const {
        const uint16_t entry = fast[in.peek(kFastBits)];
        if (entry != 0) {
            in.skip(entry & 15);
            return entry >> 4;
        }
        int code = 0, first = 0, index = 0;
        for (int len = 1; len <= kMaxCodeBits; ++len) {
            code |= int(in.take(1));
            const int n = count[len];
            if (code - n < first)
                return symbol[index + (code - first)];
            index += n;
            first = (first + n) << 1;
            code <<= 1;
        }
        return -1;
    }
};

constexpr std::array<uint8_t, 29> kLengthExtraBits = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<uint8_t, 30> kDistanceExtraBits = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Skips one Huffman-coded block's symbols up to and including end-of-block.
bool skipCodes(BitReader& in, const Huffman& litLen, const Huffman& dist) {
    for (;;) {
        const int sym = litLen.decode(in);
        if (sym < 0 || in.overrun())
            return false;
        if (sym < 256)
            continue;
        if (sym == 256)
            return true;
        const int lengthCode = sym - 257;
        if (lengthCode >= int(kLengthExtraBits.size()))
            return false;
        in.skip(kLengthExtraBits[size_t(lengthCode)]);
        const int d = dist.decode(in);
        if (d < 0 || d >= int(kDistanceExtraBits.size()))
            return false;
        in.skip(kDistanceExtraBits[size_t(d)]);
    }
}

bool readDynamicCodes(BitReader& in, Huffman& litLen, Huffman& dist) {
    static constexpr std::array<uint8_t, 19> kOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                       11, 4,  12, 3, 13, 2, 14, 1, 15};
    const int nLitLen = int(in.take(5)) + 257;
    const int nDist = int(in.take(5)) + 1;
    const int nCodeLen = int(in.take(4)) + 4;
    if (nLitLen > 286 || nDist > 30)
        return false;
    std::array<uint8_t, 19> codeLenLengths{};
    for (int i = 0; i < nCodeLen; ++i)
        codeLenLengths[kOrder[size_t(i)]] = uint8_t(in.take(3));
    Huffman codeLen;
    if (!codeLen.build(codeLenLengths.data(), 19))
        return false;

    std::array<uint8_t, 286 + 30> lengths{};
    int i = 0;
    while (i < nLitLen + nDist) {
        const int sym = codeLen.decode(in);
        if (sym < 0 || in.overrun())
            return false;
        if (sym < 16) {
            lengths[size_t(i++)] = uint8_t(sym);
            continue;
        }
        uint8_t value = 0;
        int repeat = 0;
        if (sym == 16) {
            if (i == 0)
                return false;
            value = lengths[size_t(i - 1)];
            repeat = 3 + int(in.take(2));
        } else if (sym == 17) {
            repeat = 3 + int(in.take(3));
        } else {
            repeat = 11 + int(in.take(7));
        }
        if (i + repeat > nLitLen + nDist)
            return false;
        while (repeat-- > 0)
            lengths[size_t(i++)] = value;
    }
    if (lengths[256] == 0)
        return false; // a block needs its end-of-block code
    return litLen.build(lengths.data(), nLitLen) && dist.build(lengths.data() + nLitLen, nDist);
}

struct StreamEnd {
    uint64_t finalHeaderBit = 0; // position of the final block's BFINAL bit
    uint64_t endBit = 0;         // first bit after the final block
};

bool findStreamEnd(const uint8_t* data, size_t size, StreamEnd& end) {
    BitReader in(data, size);
    Huffman litLen, dist;
    for (;;) {
        const uint64_t header = in.position();
        const bool final = in.take(1) != 0;
        const uint32_t type = in.take(2);
        if (type == 0) {
            in.alignToByte();
            const uint32_t len = in.take(16);
            const uint32_t nlen = in.take(16);
            if ((len ^ 0xFFFFu) != nlen)
                return false;
            in.skip(int(len) * 8);
        } else if (type == 1) {
            std::array<uint8_t, 288> fixedLitLen{};
            std::memset(fixedLitLen.data(), 8, 144);
            std::memset(fixedLitLen.data() + 144, 9, 112);
            std::memset(fixedLitLen.data() + 256, 7, 24);
            std::memset(fixedLitLen.data() + 280, 8, 8);
            std::array<uint8_t, 30> fixedDist{};
            fixedDist.fill(5);
            litLen.build(fixedLitLen.data(), 288);
            dist.build(fixedDist.data(), 30);
            if (!skipCodes(in, litLen, dist))
                return false;
        } else if (type == 2) {
            if (!readDynamicCodes(in, litLen, dist) || !skipCodes(in, litLen, dist))
                return false;
        } else {
            return false;
        }
        if (in.overrun())
            return false;
        if (final) {
            end.finalHeaderBit = header;
            end.endBit = in.position();
            // Exactly one stream: only padding may follow the final block.
            return (end.endBit + 7) / 8 == size;
        }
    }
}

} // namespace

bool DeflateJoin::makeJoinable(std::vector<uint8_t>& stream) {
    StreamEnd end;
    if (stream.empty() || !findStreamEnd(stream.data(), stream.size(), end))
        return false;
    stream[size_t(end.finalHeaderBit >> 3)] &= uint8_t(~(1u << (end.finalHeaderBit & 7)));
    const unsigned usedBits = unsigned(end.endBit & 7);
    if (usedBits != 0)
        stream.back() &= uint8_t((1u << usedBits) - 1);
    // An empty stored block: BFINAL=0 and BTYPE=00 in the zero bits after the final block (one
    // more zero byte when fewer than three are left), then LEN=0, NLEN=0xFFFF on a byte boundary.
    const unsigned spareBits = usedBits == 0 ? 0 : 8 - usedBits;
    if (spareBits < 3)
        stream.push_back(0x00);
    for (uint8_t b : {0x00, 0x00, 0xFF, 0xFF})
        stream.push_back(b);
    return true;
}

uint32_t DeflateJoin::adler32Combine(uint32_t adlerA, uint32_t adlerB, uint64_t lengthB) {
    // Adler-32 is (a, b) with a = 1 + sum of bytes and b = sum of the running a values, mod 65521.
    // Appending B adds sum(B) to a, and to b adds b(B) plus len(B) * (a(A) - 1).
    constexpr uint64_t kMod = 65521;
    const uint64_t aA = adlerA & 0xFFFF, bA = adlerA >> 16;
    const uint64_t aB = adlerB & 0xFFFF, bB = adlerB >> 16;
    const uint64_t a = (aA + aB + kMod - 1) % kMod;
    const uint64_t b = (bA + bB + (lengthB % kMod) * ((aA + kMod - 1) % kMod)) % kMod;
    return uint32_t((b << 16) | a);
}

} // namespace mebo
