#include "zip_fixture.h"

#include <zlib.h>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace korvel::test {

namespace {

void Put16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// 2026-12-10 12:00:00 in DOS form; any valid stamp will do.
constexpr std::uint16_t kDosTime = 12 << 11;
constexpr std::uint16_t kDosDate = ((2026 - 1980) << 9) | (12 << 5) | 10;

} // namespace

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        s.push_back(static_cast<char>(v));
    }
    return s;
}

std::string SingleEntryZip(const TEntryBytes& e) {
    std::string zip;
    Put32(zip, 0x04034B50);
    Put16(zip, 20);
    Put16(zip, e.flags);
    Put16(zip, e.method);
    Put16(zip, kDosTime);
    Put16(zip, kDosDate);
    Put32(zip, e.crc);
    Put32(zip, static_cast<std::uint32_t>(e.stored.size()));
    Put32(zip, e.uncompressedSize);
    Put16(zip, static_cast<std::uint32_t>(e.name.size()));
    Put16(zip, static_cast<std::uint32_t>(e.extra.size()));
    zip += e.name;
    zip += e.extra;
    zip += e.stored;

    const auto centralOffset = static_cast<std::uint32_t>(zip.size());
    Put32(zip, 0x02014B50);
    Put16(zip, 45);
    Put16(zip, 20);
    Put16(zip, e.flags);
    Put16(zip, e.method);
    Put16(zip, kDosTime);
    Put16(zip, kDosDate);
    Put32(zip, e.crc);
    Put32(zip, static_cast<std::uint32_t>(e.stored.size()));
    Put32(zip, e.uncompressedSize);
    Put16(zip, static_cast<std::uint32_t>(e.name.size()));
    Put16(zip, static_cast<std::uint32_t>(e.extra.size()));
    Put16(zip, 0);    // comment length
    Put16(zip, 0);    // disk number start
    Put16(zip, 0);    // internal attributes
    Put32(zip, 0x20); // archive attribute
    Put32(zip, 0);    // local header offset
    zip += e.name;
    zip += e.extra;
    const auto centralSize = static_cast<std::uint32_t>(zip.size()) - centralOffset;

    Put32(zip, 0x06054B50);
    Put16(zip, 0);
    Put16(zip, 0);
    Put16(zip, 1);
    Put16(zip, 1);
    Put32(zip, centralSize);
    Put32(zip, centralOffset);
    Put16(zip, 0);
    return zip;
}

std::string AesExtraBlock(std::uint16_t vendorVersion, int strength, std::uint16_t method) {
    std::string block;
    Put16(block, 0x9901);
    Put16(block, 7);
    Put16(block, vendorVersion);
    block += "AE";
    block.push_back(static_cast<char>(strength));
    Put16(block, method);
    return block;
}

std::uint32_t Crc32(const std::string& data) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string RawDeflate(const std::string& data, int level) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2");
    }
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (rc != Z_STREAM_END) {
        throw std::runtime_error("deflate");
    }
    return out;
}

std::string RawInflate(const std::string& data, std::size_t expectedSize) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) {
        throw std::runtime_error("inflateInit2");
    }
    std::string out(expectedSize + 1, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    out.resize(z.total_out);
    inflateEnd(&z);
    if (rc != Z_STREAM_END) {
        throw std::runtime_error("inflate");
    }
    return out;
}

std::string EncryptAll(TZipEncryptor& encryptor, std::string data, std::size_t chunk) {
    std::string out = encryptor.Header();
    for (std::size_t at = 0; at < data.size(); at += chunk) {
        const std::size_t n = std::min(chunk, data.size() - at);
        encryptor.EncryptBlock(reinterpret_cast<std::uint8_t*>(data.data() + at), n);
    }
    out += data;
    out += encryptor.Trailer();
    return out;
}

std::optional<std::string> DecryptAll(TZipDecryptor& decryptor, const std::string& stored,
                                      std::size_t chunk) {
    const std::size_t head = decryptor.HeaderSize();
    const std::size_t tail = decryptor.TrailerSize();
    if (stored.size() < head + tail) {
        return std::nullopt;
    }
    if (!decryptor.Start(reinterpret_cast<const std::uint8_t*>(stored.data()))) {
        return std::nullopt;
    }
    std::string data = stored.substr(head, stored.size() - head - tail);
    for (std::size_t at = 0; at < data.size(); at += chunk) {
        const std::size_t n = std::min(chunk, data.size() - at);
        decryptor.DecryptBlock(reinterpret_cast<std::uint8_t*>(data.data() + at), n);
    }
    if (!decryptor.Finish(reinterpret_cast<const std::uint8_t*>(stored.data() + stored.size() - tail))) {
        return std::nullopt;
    }
    return data;
}

std::string SampleData(std::size_t size, std::uint32_t seed) {
    std::mt19937 gen(seed);
    std::string data;
    data.reserve(size);
    static const std::string words = "backup archive korvel entry ";
    while (data.size() < size) {
        // Alternate runs of noise and of text so deflate has work of both kinds.
        for (int i = 0; i < 700 && data.size() < size; ++i) {
            data.push_back(static_cast<char>(gen() & 0xFF));
        }
        for (int i = 0; i < 1300 && data.size() < size; ++i) {
            data.push_back(words[(i + gen() % 3) % words.size()]);
        }
    }
    return data;
}

TTempDir::TTempDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("korvel-crypto-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
}

TTempDir::~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

#ifdef _WIN32
// The peers are driven by POSIX shell lines, and Windows has no POSIX shell: no peer is
// there, and the tests that need one skip.
bool HaveProgram(const std::string& /*name*/) {
    return false;
}
#else
bool HaveProgram(const std::string& name) {
    return RunQuiet("command -v " + Quote(name)) == 0;
}
#endif

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted.push_back(c);
        }
    }
    return quoted + "'";
}

#ifdef _WIN32
int RunQuiet(const std::string& /*command*/) {
    return -1;
}

std::string Capture(const std::string& /*command*/, int& status) {
    status = -1;
    return {};
}
#else
int RunQuiet(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1 </dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Capture(const std::string& command, int& status) {
    FILE* raw = popen((command + " 2>/dev/null </dev/null").c_str(), "r");
    if (!raw) {
        status = -1;
        return {};
    }
    std::string out;
    std::array<char, 65536> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), raw)) > 0) {
        out.append(buffer.data(), n);
    }
    const int rc = pclose(raw);
    status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

#endif

} // namespace korvel::test
