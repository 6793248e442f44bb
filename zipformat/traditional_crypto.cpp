// PKWARE's traditional ZIP encryption: a byte-wise stream cipher driven by three
// 32-bit keys that are stirred with every password byte and every plain byte.

#include "zipformat/zip_encryption.h"

#include <zlib.h>

#include <array>
#include <random>

namespace korvel {

namespace {

constexpr std::size_t kHeaderSize = 12;

class TTraditionalKeys {
public:
    explicit TTraditionalKeys(const std::string& password) {
        for (const char c : password) {
            Update(static_cast<std::uint8_t>(c));
        }
    }

    std::uint8_t StreamByte() const {
        const std::uint32_t temp = (key2_ | 2) & 0xFFFF;
        return static_cast<std::uint8_t>((temp * (temp ^ 1)) >> 8);
    }

    void Update(std::uint8_t plain) {
        key0_ = Crc32Step(key0_, plain);
        key1_ = (key1_ + (key0_ & 0xFF)) * 134775813u + 1;
        key2_ = Crc32Step(key2_, static_cast<std::uint8_t>(key1_ >> 24));
    }

    std::uint8_t Encrypt(std::uint8_t plain) {
        const std::uint8_t cipher = plain ^ StreamByte();
        Update(plain);
        return cipher;
    }

    std::uint8_t Decrypt(std::uint8_t cipher) {
        const std::uint8_t plain = cipher ^ StreamByte();
        Update(plain);
        return plain;
    }

private:
    // One step of the reflected CRC-32 without the pre- and post-inversion that
    // zlib's crc32() applies, so the table is used directly.
    static std::uint32_t Crc32Step(std::uint32_t crc, std::uint8_t byte) {
        static const z_crc_t* const table = get_crc_table();
        return static_cast<std::uint32_t>(table[(crc ^ byte) & 0xFF]) ^ (crc >> 8);
    }

    std::uint32_t key0_ = 0x12345678;
    std::uint32_t key1_ = 0x23456789;
    std::uint32_t key2_ = 0x34567890;
};

class TTraditionalEncryptor final : public TZipEncryptor {
public:
    TTraditionalEncryptor(const std::string& password, std::uint32_t crc, std::uint64_t seed)
        : keys_(password), crc_(crc), seed_(seed) {}

    std::string Header() override {
        std::seed_seq sequence{static_cast<std::uint32_t>(seed_), static_cast<std::uint32_t>(seed_ >> 32)};
        std::mt19937 generator(sequence);
        // Same range as the classic runtime's rand(): 0..32766, the top eight of its
        // fifteen bits make the byte.
        std::uniform_int_distribution<int> draw(0, 32766);
        std::array<std::uint8_t, kHeaderSize> plain{};
        for (std::size_t i = 0; i < 10; ++i) {
            plain[i] = static_cast<std::uint8_t>(draw(generator) >> 7);
        }
        plain[10] = static_cast<std::uint8_t>(crc_ >> 16);
        plain[11] = static_cast<std::uint8_t>(crc_ >> 24);
        std::string header(kHeaderSize, '\0');
        for (std::size_t i = 0; i < kHeaderSize; ++i) {
            header[i] = static_cast<char>(keys_.Encrypt(plain[i]));
        }
        return header;
    }

    void EncryptBlock(std::uint8_t* data, std::size_t size) override {
        for (std::size_t i = 0; i < size; ++i) {
            data[i] = keys_.Encrypt(data[i]);
        }
    }

    std::string Trailer() override { return {}; }

private:
    TTraditionalKeys keys_;
    std::uint32_t crc_;
    std::uint64_t seed_;
};

class TTraditionalDecryptor final : public TZipDecryptor {
public:
    TTraditionalDecryptor(const std::string& password, std::uint8_t checkByte)
        : keys_(password), checkByte_(checkByte) {}

    std::size_t HeaderSize() const override { return kHeaderSize; }
    std::size_t TrailerSize() const override { return 0; }

    bool Start(const std::uint8_t* header) override {
        std::uint8_t last = 0;
        for (std::size_t i = 0; i < kHeaderSize; ++i) {
            last = keys_.Decrypt(header[i]);
        }
        return last == checkByte_;
    }

    void DecryptBlock(std::uint8_t* data, std::size_t size) override {
        for (std::size_t i = 0; i < size; ++i) {
            data[i] = keys_.Decrypt(data[i]);
        }
    }

    // The scheme carries no authentication code; the CRC check is the reader's.
    bool Finish(const std::uint8_t*) override { return true; }

private:
    TTraditionalKeys keys_;
    std::uint8_t checkByte_;
};

} // namespace

std::unique_ptr<TZipEncryptor> MakeTraditionalEncryptor(const std::string& password, std::uint32_t crc,
                                                        std::uint64_t seed) {
    return std::make_unique<TTraditionalEncryptor>(password, crc, seed);
}

std::unique_ptr<TZipDecryptor> MakeTraditionalDecryptor(const std::string& password, std::uint8_t checkByte) {
    return std::make_unique<TTraditionalDecryptor>(password, checkByte);
}

} // namespace korvel
