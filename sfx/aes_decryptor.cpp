// The stub's WinZip AES decryptor, on OpenSSL's plain AES block function and our own
// HMAC-SHA1 and PBKDF2 instead of the EVP layer the archive engine uses: the same
// results, without the megabytes of provider code in every self-extracting archive.
// The key derivation, the little-endian block counter starting at 1 and the
// truncated authentication code follow the archive engine's encryptor exactly.

#ifndef OPENSSL_SUPPRESS_DEPRECATED
#define OPENSSL_SUPPRESS_DEPRECATED
#endif
#include "archive/zip_encryption.h"
#include "sfx/hmac_sha1.h"

#include <openssl/aes.h>
#include <openssl/crypto.h>

#include <algorithm>
#include <array>
#include <optional>
#include <stdexcept>
#include <vector>

#include "archive/winzip_aes_params.h"

namespace korvel {

namespace {

using namespace winzip_aes;

// AES key, authentication key and verifier, wiped from memory when the entry is done.
struct TDerivedKeys {
    std::vector<std::uint8_t> bytes;
    TDerivedKeys() = default;
    TDerivedKeys(const TDerivedKeys&) = delete;
    TDerivedKeys& operator=(const TDerivedKeys&) = delete;
    ~TDerivedKeys() {
        if (!bytes.empty()) {
            OPENSSL_cleanse(bytes.data(), bytes.size());
        }
    }
};

// AES in the WinZip counter mode: each 16-byte counter, little-endian and incremented
// before use (so the first is 1), is enciphered and XORed onto the data.
class TWinZipCtr {
public:
    TWinZipCtr(int strength, const std::uint8_t* key) {
        if (AES_set_encrypt_key(key, static_cast<int>(8 * KeySize(strength)), &key_) != 0) {
            throw std::runtime_error("AES key set-up failed");
        }
    }
    TWinZipCtr(const TWinZipCtr&) = delete;
    TWinZipCtr& operator=(const TWinZipCtr&) = delete;
    ~TWinZipCtr() {
        OPENSSL_cleanse(&key_, sizeof key_);
        OPENSSL_cleanse(stream_.data(), stream_.size());
    }

    void Apply(std::uint8_t* data, std::size_t size) {
        while (size > 0) {
            if (used_ == kBlockSize) {
                NextBlock();
            }
            const std::size_t n = std::min(size, kBlockSize - used_);
            for (std::size_t i = 0; i < n; ++i) {
                data[i] ^= stream_[used_ + i];
            }
            used_ += n;
            data += n;
            size -= n;
        }
    }

private:
    void NextBlock() {
        for (std::size_t i = 0; i < kBlockSize; ++i) {
            if (++counter_[i] != 0) {
                break;
            }
        }
        AES_encrypt(counter_.data(), stream_.data(), &key_);
        used_ = 0;
    }

    AES_KEY key_{};
    std::array<std::uint8_t, kBlockSize> counter_{};
    std::array<std::uint8_t, kBlockSize> stream_{};
    std::size_t used_ = kBlockSize;
};

// Cipher and authentication of one entry, set up from the derived keys. The code
// authenticates the encrypted bytes, so it is fed before decryption.
class TAesStream {
public:
    TAesStream(int strength, const TDerivedKeys& keys)
        : ctr_(strength, keys.bytes.data()), mac_(keys.bytes.data() + KeySize(strength), KeySize(strength)) {}

    void Decrypt(std::uint8_t* data, std::size_t size) {
        mac_.Update(data, size);
        ctr_.Apply(data, size);
    }

    sfx::TSha1Digest Code() { return mac_.Final(); }

private:
    TWinZipCtr ctr_;
    sfx::THmacSha1 mac_;
};

class TAesDecryptor final : public TZipDecryptor {
public:
    TAesDecryptor(const std::string& password, int strength) : password_(password), strength_(strength) {}
    ~TAesDecryptor() override { OPENSSL_cleanse(password_.data(), password_.size()); }

    std::size_t HeaderSize() const override { return SaltSize(strength_) + kVerifierSize; }
    std::size_t TrailerSize() const override { return kMacSize; }

    bool Start(const std::uint8_t* header) override {
        TDerivedKeys keys;
        keys.bytes.assign(2 * KeySize(strength_) + kVerifierSize, 0);
        if (!sfx::Pbkdf2HmacSha1(reinterpret_cast<const std::uint8_t*>(password_.data()), password_.size(),
                                 header, SaltSize(strength_), kIterations, keys.bytes.data(),
                                 keys.bytes.size())) {
            return false;
        }
        const std::uint8_t* verifier = keys.bytes.data() + 2 * KeySize(strength_);
        if (CRYPTO_memcmp(verifier, header + SaltSize(strength_), kVerifierSize) != 0) {
            return false;
        }
        stream_.emplace(strength_, keys);
        return true;
    }

    void DecryptBlock(std::uint8_t* data, std::size_t size) override {
        if (!stream_) {
            throw std::logic_error("AES entry decrypted before its header was checked");
        }
        stream_->Decrypt(data, size);
    }

    bool Finish(const std::uint8_t* trailer) override {
        if (!stream_) {
            return false;
        }
        auto code = stream_->Code();
        stream_.reset();
        const bool intact = CRYPTO_memcmp(code.data(), trailer, kMacSize) == 0;
        OPENSSL_cleanse(code.data(), code.size());
        return intact;
    }

private:
    std::string password_;
    int strength_;
    std::optional<TAesStream> stream_;
};

} // namespace

std::unique_ptr<TZipDecryptor> MakeAesDecryptor(const std::string& password, int strength) {
    if (!ValidStrength(strength) || password.size() > kMaxPasswordLength) {
        return nullptr;
    }
    return std::make_unique<TAesDecryptor>(password, strength);
}

} // namespace korvel
