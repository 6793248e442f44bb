// WinZip AES encryption of one entry: PBKDF2-HMAC-SHA1 turns password and salt into
// an AES key, an authentication key and a two-byte password verifier; the data is
// XORed with AES applied to a little-endian block counter that starts at 1, and a
// truncated HMAC-SHA1 of the encrypted data follows it.

#include "zipformat/crypto_primitives.h"
#include "zipformat/hmac_sha1.h"
#include "zipformat/zip_encryption.h"

#include <algorithm>
#include <array>
#include <optional>
#include <stdexcept>
#include <vector>

#include "zipformat/winzip_aes_params.h"

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
            WipeSecret(bytes.data(), bytes.size());
        }
    }
};

// AES in the WinZip counter mode: each 16-byte counter, little-endian and incremented
// before use (so the first is 1), is enciphered and XORed onto the data.
class TWinZipCtr {
public:
    TWinZipCtr(int strength, const std::uint8_t* key) : cipher_(key, KeySize(strength)) {}
    TWinZipCtr(const TWinZipCtr&) = delete;
    TWinZipCtr& operator=(const TWinZipCtr&) = delete;
    ~TWinZipCtr() { WipeSecret(stream_.data(), stream_.size()); }

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
        cipher_.Encrypt(counter_.data(), stream_.data());
        used_ = 0;
    }

    TAesBlockCipher cipher_;
    std::array<std::uint8_t, kBlockSize> counter_{};
    std::array<std::uint8_t, kBlockSize> stream_{};
    std::size_t used_ = kBlockSize;
};

// False when the key derivation refuses the password.
bool DeriveKeys(const std::string& password, int strength, const std::uint8_t* salt, TDerivedKeys& keys) {
    if (password.size() > kMaxPasswordLength) {
        return false;
    }
    keys.bytes.assign(2 * KeySize(strength) + kVerifierSize, 0);
    return Pbkdf2HmacSha1(reinterpret_cast<const std::uint8_t*>(password.data()), password.size(), salt,
                          SaltSize(strength), kIterations, keys.bytes.data(), keys.bytes.size());
}

// Cipher and authentication of one entry, set up from the derived keys. The code
// authenticates the encrypted bytes: after encryption, before decryption.
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

    TSha1Digest Code() { return mac_.Final(); }

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
        auto code = stream_.Code();
        std::string trailer(reinterpret_cast<const char*>(code.data()), kMacSize);
        WipeSecret(code.data(), code.size());
        return trailer;
    }

private:
    std::string header_;
    TAesStream stream_;
};

class TAesDecryptor final : public TZipDecryptor {
public:
    TAesDecryptor(const std::string& password, int strength) : password_(password), strength_(strength) {}
    ~TAesDecryptor() override { WipeSecret(password_.data(), password_.size()); }

    std::size_t HeaderSize() const override { return SaltSize(strength_) + kVerifierSize; }
    std::size_t TrailerSize() const override { return kMacSize; }

    bool Start(const std::uint8_t* header) override {
        TDerivedKeys keys;
        if (!DeriveKeys(password_, strength_, header, keys)) {
            return false;
        }
        const std::uint8_t* verifier = keys.bytes.data() + 2 * KeySize(strength_);
        if (!EqualInConstantTime(verifier, header + SaltSize(strength_), kVerifierSize)) {
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
        const bool intact = EqualInConstantTime(code.data(), trailer, kMacSize);
        WipeSecret(code.data(), code.size());
        return intact;
    }

private:
    std::string password_;
    int strength_;
    std::optional<TAesStream> stream_;
};

} // namespace

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
