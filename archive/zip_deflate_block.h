#pragma once
// The unit of deflate work: a file is cut into blocks at fixed offsets, each
// deflated on its own, primed with the end of the block before it and ended on a
// byte boundary, so that the blocks put end to end are one raw deflate stream.
// The cut does not depend on the number of threads: any thread count writes the
// same bytes.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace korvel {

class TZipFile;

// Input bytes per block: large enough that the 32 KiB lost to each cut costs a
// fraction of a percent, small enough for a few per worker in memory.
inline constexpr std::uint64_t kDeflateBlockSize = std::uint64_t{1} << 20;
// Deflate's window: what a block is primed with.
inline constexpr std::size_t kDeflateDictionary = 32768;

// Bytes that are written before they are read: growing one does not clear the new
// room, which for a block's worth of input or output cost a page fault and a memset
// per block.
template <class T> struct TNoInitAllocator : std::allocator<T> {
    template <class U> struct rebind { using other = TNoInitAllocator<U>; };
    template <class U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <class U, class... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
using TByteBuffer = std::vector<std::uint8_t, TNoInitAllocator<std::uint8_t>>;

struct TBlockSpan {
    std::uint64_t Offset = 0;
    std::uint64_t Length = 0;
    bool Last = false;
};

// The blocks of a file of `size` bytes; a file of at most one block is one block.
std::uint64_t BlockCount(std::uint64_t size);
TBlockSpan BlockOf(std::uint64_t size, std::uint64_t index);

struct TDeflatedBlock {
    TByteBuffer Data;       // compressed bytes; a recycled buffer keeps its room
    std::uint32_t Crc = 0;  // of the input bytes read
    std::uint64_t Read = 0; // input bytes read; short when the file shrank
    TByteBuffer Dictionary; // what the block was primed with
    TByteBuffer Tail;       // the last input bytes, the next block's dictionary
};

// Deflates `input` primed with `dictionary`; Z_FINISH for the last block,
// Z_SYNC_FLUSH for the others. Throws EZCompressionError naming `path`.
void DeflateBlock(int level, std::span<const std::uint8_t> dictionary, std::span<const std::uint8_t> input,
                  bool last, const std::string& path, TDeflatedBlock& out);

// Reads the span from `in` (positioned reads) into `input`, a buffer kept across
// blocks, and deflates it with `dictionary` into `out`, whose Data's room is reused.
void ReadAndDeflate(const TZipFile& in, int level, const TBlockSpan& span,
                    std::span<const std::uint8_t> dictionary, TByteBuffer& input, TDeflatedBlock& out);

// Reads the span together with the dictionary in front of it from `in`, for a
// worker that has not seen the block before. A shrunken file gives a short
// dictionary, which the writer notices as a mismatch.
void ReadAheadAndDeflate(const TZipFile& in, int level, const TBlockSpan& span, TByteBuffer& input,
                         TDeflatedBlock& out);

// The deflate stream's end after a block that was not meant to be the last: an
// empty final block with fixed codes.
inline constexpr std::uint8_t kDeflateEnd[2] = {0x03, 0x00};

} // namespace korvel
