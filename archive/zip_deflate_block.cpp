#include "archive/zip_deflate_block.h"

#include <algorithm>
#include <zlib.h>

#include "archive/zip_exceptions.h"
#include "archive/zip_file.h"

namespace korvel {

namespace {

// zlib's "error", with the file it was compressing and zlib's own word for the fault.
EZCompressionError DeflateError(const std::string& path, int rc, const z_stream& zs) {
    const char* reason = zs.msg ? zs.msg : zError(rc);
    return EZCompressionError("error compressing \"" + path + "\". " + reason);
}

// One deflate state per thread and level, reset between blocks: setting one up
// costs more than deflating a small file.
class TDeflater {
public:
    ~TDeflater() {
        if (level_ >= 0)
            deflateEnd(&zs_);
    }
    z_stream& For(int level, const std::string& path) {
        if (level_ == level) {
            deflateReset(&zs_);
            return zs_;
        }
        if (level_ >= 0)
            deflateEnd(&zs_);
        level_ = -1;
        zs_ = z_stream{};
        if (const int rc = deflateInit2(&zs_, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY); rc != Z_OK)
            throw DeflateError(path, rc, zs_);
        level_ = level;
        return zs_;
    }

private:
    z_stream zs_{};
    int level_ = -1;
};

void AssignTail(std::span<const std::uint8_t> input, TByteBuffer& tail) {
    const std::size_t n = std::min(input.size(), kDeflateDictionary);
    tail.assign(input.end() - static_cast<std::ptrdiff_t>(n), input.end());
}

} // namespace

std::uint64_t BlockCount(std::uint64_t size) {
    return size <= kDeflateBlockSize ? 1 : (size + kDeflateBlockSize - 1) / kDeflateBlockSize;
}

TBlockSpan BlockOf(std::uint64_t size, std::uint64_t index) {
    TBlockSpan span;
    span.Offset = index * kDeflateBlockSize;
    span.Last = index + 1 >= BlockCount(size);
    span.Length = span.Last ? size - std::min(size, span.Offset) : kDeflateBlockSize;
    return span;
}

void DeflateBlock(int level, std::span<const std::uint8_t> dictionary, std::span<const std::uint8_t> input,
                  bool last, const std::string& path, TDeflatedBlock& out) {
    thread_local TDeflater deflater;
    z_stream& zs = deflater.For(level, path);
    if (!dictionary.empty()) {
        const int rc = deflateSetDictionary(&zs, dictionary.data(), static_cast<uInt>(dictionary.size()));
        if (rc != Z_OK)
            throw DeflateError(path, rc, zs);
    }
    out.Crc = static_cast<std::uint32_t>(
        crc32(crc32(0L, Z_NULL, 0), input.data(), static_cast<uInt>(input.size())));
    out.Read = input.size();
    out.Dictionary.assign(dictionary.begin(), dictionary.end());
    AssignTail(input, out.Tail);
    // The bound plus room for the flush marker; grown if zlib still wants more.
    out.Data.resize(deflateBound(&zs, static_cast<uLong>(input.size())) + 16);
    zs.next_in = const_cast<Bytef*>(input.data());
    zs.avail_in = static_cast<uInt>(input.size());
    std::size_t used = 0;
    const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
    for (;;) {
        zs.next_out = out.Data.data() + used;
        zs.avail_out = static_cast<uInt>(out.Data.size() - used);
        const int rc = deflate(&zs, flush);
        if (rc < 0 && rc != Z_BUF_ERROR)
            throw DeflateError(path, rc, zs);
        used = out.Data.size() - zs.avail_out;
        const bool done = last ? rc == Z_STREAM_END : zs.avail_in == 0 && zs.avail_out != 0;
        if (done)
            break;
        out.Data.resize(out.Data.size() + 65536);
    }
    out.Data.resize(used);
}

void ReadAndDeflate(const TZipFile& in, int level, const TBlockSpan& span,
                    std::span<const std::uint8_t> dictionary, TByteBuffer& input, TDeflatedBlock& out) {
    input.resize(static_cast<std::size_t>(span.Length));
    const std::size_t got = in.ReadAt(span.Offset, input.data(), input.size());
    DeflateBlock(level, dictionary, std::span<const std::uint8_t>(input.data(), got), span.Last, in.Path(),
                 out);
}

void ReadAheadAndDeflate(const TZipFile& in, int level, const TBlockSpan& span, TByteBuffer& input,
                         TDeflatedBlock& out) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(span.Offset, kDeflateDictionary));
    input.resize(want + static_cast<std::size_t>(span.Length));
    const std::size_t got = in.ReadAt(span.Offset - want, input.data(), input.size());
    const std::size_t dictionary = std::min(got, want);
    const std::span<const std::uint8_t> all(input.data(), got);
    DeflateBlock(level, all.first(dictionary), all.subspan(dictionary), span.Last, in.Path(), out);
}

} // namespace korvel
