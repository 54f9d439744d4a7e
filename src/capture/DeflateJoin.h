#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mebo {

// Joins independently compressed raw deflate streams into one stream, so that pieces of one image
// can be compressed on several threads with a compressor that only emits complete streams
// (libdeflate). A piece is made joinable by clearing the final-block bit of its last block and
// ending it with an empty non-final stored block, byte-aligned: what zlib's Z_SYNC_FLUSH emits.
// Joinable pieces followed by one complete stream form a valid stream; their zlib checksums are
// combined with adler32Combine().
class DeflateJoin {
public:
    // Rewrites the complete raw deflate stream in `stream` (one final block, nothing after it)
    // into a joinable piece. Answers false, leaving `stream` unchanged, when the bytes are not
    // exactly one well-formed deflate stream.
    static bool makeJoinable(std::vector<uint8_t>& stream);

    // The Adler-32 of A followed by B, from adler(A), adler(B) and B's length in bytes.
    static uint32_t adler32Combine(uint32_t adlerA, uint32_t adlerB, uint64_t lengthB);
};

} // namespace mebo
