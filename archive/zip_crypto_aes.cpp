// WinZip AES encryption of one entry: PBKDF2-HMAC-SHA1 turns password and salt into
// an AES key, an authentication key and a two-byte password verifier; the data is
// XORed with AES applied to a little-endian block counter that starts at 1, and a
// truncated HMAC-SHA1 of the encrypted data follows it.

#include "archive/zip_encryption.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

#include "archive/winzip_aes_params.h"

namespace korvel {

namespace {

using namespace winzip_aes;
// Keystream is made this many blocks at a time so that OpenSSL sees long runs.
constexpr std::size_t kBatchBlocks = 64;

struct TCipherCtxFree {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
struct TMacFree {
    void operator()(EVP_MAC* mac) const { EVP_MAC_free(mac); }
};
struct TMacCtxFree {
    void operator()(EVP_MAC_CTX* ctx) const { EVP_MAC_CTX_free(ctx); }
};

[[noreturn]] void CryptoFailure(const char* what) {
    throw std::runtime_error(std::string("AES encryption failed: ") + what);
}

const EVP_CIPHER* EcbCipher(int strength) {
    switch (strength) {
    case 1:
        return EVP_aes_128_ecb();
    case 2:
        return EVP_aes_192_ecb();
    default:
        return EVP_aes_256_ecb();
    }
}

// Keys wiped from memory when the entry is done.
struct TDerivedKeys {
    std::vector<std::uint8_t> bytes;
    ~TDerivedKeys() {
        if (!bytes.empty()) {
            OPENSSL_cleanse(bytes.data(), bytes.size());
        }
    }
};

bool DeriveKeys(const std::string& password, int strength, const std::uint8_t* salt, TDerivedKeys& keys) {
    if (password.size() > kMaxPasswordLength) {
        return false;
    }
    keys.bytes.assign(2 * KeySize(strength) + kVerifierSize, 0);
    return PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt,
                             static_cast<int>(SaltSize(strength)), kIterations, EVP_sha1(),
                             static_cast<int>(keys.bytes.size()), keys.bytes.data()) == 1;
}

// AES in the counter mode of the WinZip format. OpenSSL's own CTR mode counts big-endian,
// so the counter blocks are built here and enciphered with plain ECB.
class TWinZipCtr {
public:
    TWinZipCtr(int strength, const std::uint8_t* key) : ctx_(EVP_CIPHER_CTX_new()) {
        if (!ctx_ || EVP_EncryptInit_ex(ctx_.get(), EcbCipher(strength), nullptr, key, nullptr) != 1 ||
            EVP_CIPHER_CTX_set_padding(ctx_.get(), 0) != 1) {
            CryptoFailure("cipher set-up");
        }
    }

    ~TWinZipCtr() { OPENSSL_cleanse(stream_.data(), stream_.size()); }

    void Apply(std::uint8_t* data, std::size_t size) {
        while (size > 0) {
            if (used_ == stream_.size()) {
                Refill();
            }
            const std::size_t n = std::min(size, stream_.size() - used_);
            for (std::size_t i = 0; i < n; ++i) {
                data[i] ^= stream_[used_ + i];
            }
            used_ += n;
            data += n;
            size -= n;
        }
    }

private:
    void Refill() {
        std::array<std::uint8_t, kBlockSize * kBatchBlocks> counters{};
        for (std::size_t block = 0; block < kBatchBlocks; ++block) {
            // Incremented before use, so the first block is enciphered with counter 1.
            for (std::size_t i = 0; i < kBlockSize; ++i) {
                if (++counter_[i] != 0) {
                    break;
                }
            }
            std::copy(counter_.begin(), counter_.end(), counters.begin() + block * kBlockSize);
        }
        int written = 0;
        if (EVP_EncryptUpdate(ctx_.get(), stream_.data(), &written, counters.data(),
                              static_cast<int>(counters.size())) != 1 ||
            written != static_cast<int>(stream_.size())) {
            CryptoFailure("keystream");
        }
        used_ = 0;
    }

    std::unique_ptr<EVP_CIPHER_CTX, TCipherCtxFree> ctx_;
    std::array<std::uint8_t, kBlockSize> counter_{};
    std::array<std::uint8_t, kBlockSize * kBatchBlocks> stream_{};
    std::size_t used_ = kBlockSize * kBatchBlocks;
};

class THmacSha1 {
public:
    THmacSha1(const std::uint8_t* key, std::size_t keySize) {
        mac_.reset(EVP_MAC_fetch(nullptr, "HMAC", nullptr));
        if (mac_) {
            ctx_.reset(EVP_MAC_CTX_new(mac_.get()));
        }
        char digest[] = "SHA1";
        const OSSL_PARAM params[] = {
            OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
            OSSL_PARAM_construct_end(),
        };
        if (!ctx_ || EVP_MAC_init(ctx_.get(), key, keySize, params) != 1) {
            CryptoFailure("authentication set-up");
        }
    }

    void Update(const std::uint8_t* data, std::size_t size) {
        if (size > 0 && EVP_MAC_update(ctx_.get(), data, size) != 1) {
            CryptoFailure("authentication");
        }
    }

    std::array<std::uint8_t, kMacSize> Final() {
        std::array<std::uint8_t, EVP_MAX_MD_SIZE> full{};
        std::size_t size = 0;
        if (EVP_MAC_final(ctx_.get(), full.data(), &size, full.size()) != 1 || size < kMacSize) {
            CryptoFailure("authentication");
        }
        std::array<std::uint8_t, kMacSize> code{};
        std::copy_n(full.begin(), kMacSize, code.begin());
        return code;
    }

private:
    std::unique_ptr<EVP_MAC, TMacFree> mac_;
    std::unique_ptr<EVP_MAC_CTX, TMacCtxFree> ctx_;
};

// Cipher and authentication of one entry, set up from the derived keys.
class TAesStream {
public:
    TAesStream(int strength, const TDerivedKeys& keys)
        : ctr_(strength, keys.bytes.data()), mac_(keys.bytes.data() + KeySize(strength), KeySize(strength)) {}

    void Encrypt(std::uint8_t* data, std::size_t size) {
        ctr_.Apply(data, size);
        mac_.Update(data, size);
    }

    void Decrypt(std::uint8_t* data, std::size_t size) {
        mac_.Update(data, size);
        ctr_.Apply(data, size);
    }

    std::array<std::uint8_t, kMacSize> Code() { return mac_.Final(); }

private:
    TWinZipCtr ctr_;
    THmacSha1 mac_;
};

class TAesEncryptor final : public TZipEncryptor {
public:
    TAesEncryptor(int strength, const std::string& salt, const TDerivedKeys& keys)
        : header_(salt), stream_(strength, keys) {
        const std::uint8_t* verifier = keys.bytes.data() + 2 * KeySize(strength);
        header_.append(reinterpret_cast<const char*>(verifier), kVerifierSize);
    }

    std::string Header() override { return header_; }

    void EncryptBlock(std::uint8_t* data, std::size_t size) override { stream_.Encrypt(data, size); }

    std::string Trailer() override {
        const auto code = stream_.Code();
        return std::string(reinterpret_cast<const char*>(code.data()), code.size());
    }

private:
    std::string header_;
    TAesStream stream_;
};

class TAesDecryptor final : public TZipDecryptor {
public:
    TAesDecryptor(const std::string& password, int strength) : password_(password), strength_(strength) {}
    ~TAesDecryptor() override { OPENSSL_cleanse(password_.data(), password_.size()); }

    std::size_t HeaderSize() const override { return SaltSize(strength_) + kVerifierSize; }
    std::size_t TrailerSize() const override { return kMacSize; }

    bool Start(const std::uint8_t* header) override {
        TDerivedKeys keys;
        if (!DeriveKeys(password_, strength_, header, keys)) {
            return false;
        }
        const std::uint8_t* verifier = keys.bytes.data() + 2 * KeySize(strength_);
        if (CRYPTO_memcmp(verifier, header + SaltSize(strength_), kVerifierSize) != 0) {
            return false;
        }
        stream_ = std::make_unique<TAesStream>(strength_, keys);
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
        const auto code = stream_->Code();
        stream_.reset();
        return CRYPTO_memcmp(code.data(), trailer, kMacSize) == 0;
    }

private:
    std::string password_;
    int strength_;
    std::unique_ptr<TAesStream> stream_;
};

} // namespace

std::unique_ptr<TZipEncryptor> MakeAesEncryptor(const std::string& password, int strength) {
    if (!ValidStrength(strength)) {
        return nullptr;
    }
    std::string salt(SaltSize(strength), '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), static_cast<int>(salt.size())) != 1) {
        CryptoFailure("no random salt");
    }
    return MakeAesEncryptor(password, strength, salt);
}

std::unique_ptr<TZipEncryptor> MakeAesEncryptor(const std::string& password, int strength,
                                                const std::string& salt) {
    if (!ValidStrength(strength) || salt.size() != SaltSize(strength)) {
        return nullptr;
    }
    TDerivedKeys keys;
    if (!DeriveKeys(password, strength, reinterpret_cast<const std::uint8_t*>(salt.data()), keys)) {
        return nullptr;
    }
    return std::make_unique<TAesEncryptor>(strength, salt, keys);
}

std::unique_ptr<TZipDecryptor> MakeAesDecryptor(const std::string& password, int strength) {
    if (!ValidStrength(strength) || password.size() > kMaxPasswordLength) {
        return nullptr;
    }
    return std::make_unique<TAesDecryptor>(password, strength);
}

} // namespace korvel
