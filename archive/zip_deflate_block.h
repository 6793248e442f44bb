#pragma once
// The unit of deflate work: a file is cut into blocks at fixed offsets, each
// deflated on its own, primed with the end of the block before it and ended on a
// byte boundary, so that the blocks put end to end are one raw deflate stream.
// The cut does not depend on the number of threads: any thread count writes the
// same bytes.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korvel {

class TZipFile;

// Input bytes per block: large enough that the 32 KiB lost to each cut costs a
// fraction of a percent, small enough for a few per worker in memory.
inline constexpr std::uint64_t kDeflateBlockSize = std::uint64_t{1} << 20;
// Deflate's window: what a block is primed with.
inline constexpr std::size_t kDeflateDictionary = 32768;

struct TBlockSpan {
    std::uint64_t Offset = 0;
    std::uint64_t Length = 0;
    bool Last = false;
};

// The blocks of a file of `size` bytes; a file of at most one block is one block.
std::uint64_t BlockCount(std::uint64_t size);
TBlockSpan BlockOf(std::uint64_t size, std::uint64_t index);

struct TDeflatedBlock {
    std::vector<std::uint8_t> Data;       // compressed bytes
    std::uint32_t Crc = 0;                // of the input bytes read
    std::uint64_t Read = 0;               // input bytes read; short when the file shrank
    std::vector<std::uint8_t> Dictionary; // what the block was primed with
    std::vector<std::uint8_t> Tail;       // the last input bytes, the next block's dictionary
};

// Deflates `input` primed with `dictionary`; Z_FINISH for the last block,
// Z_SYNC_FLUSH for the others. Throws EZCompressionError naming `path`.
void DeflateBlock(int level, std::span<const std::uint8_t> dictionary, std::span<const std::uint8_t> input,
                  bool last, const std::string& path, TDeflatedBlock& out);

// Reads the span from `in` (positioned reads) and deflates it with `dictionary`.
TDeflatedBlock ReadAndDeflate(const TZipFile& in, int level, const TBlockSpan& span,
                              std::span<const std::uint8_t> dictionary);

// Reads the span together with the dictionary in front of it from `in`, for a
// worker that has not seen the block before. A shrunken file gives a short
// dictionary, which the writer notices as a mismatch.
TDeflatedBlock ReadAheadAndDeflate(const TZipFile& in, int level, const TBlockSpan& span);

// The deflate stream's end after a block that was not meant to be the last: an
// empty final block with fixed codes.
inline constexpr std::uint8_t kDeflateEnd[2] = {0x03, 0x00};

} // namespace korvel
