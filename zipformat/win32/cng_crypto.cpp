// The primitives on Windows' own cryptography (CNG): HMAC-SHA1 hash objects and an
// AES key in ECB mode for the single blocks of the counter mode.
#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <cwchar>
#include <stdexcept>
#include <string>
#include <vector>

#include "zipformat/crypto_primitives.h"
#include "zipformat/hmac_sha1.h"

namespace korvel {

namespace {

bool Ok(NTSTATUS status) {
    return status >= 0;
}

// The algorithm providers are opened once: opening one costs far more than a hash.
class TProvider {
public:
    TProvider(const wchar_t* algorithm, ULONG flags, const wchar_t* chainingMode = nullptr) {
        if (!Ok(::BCryptOpenAlgorithmProvider(&handle_, algorithm, nullptr, flags))) {
            handle_ = nullptr;
            return;
        }
        if (chainingMode &&
            !Ok(::BCryptSetProperty(
                handle_, BCRYPT_CHAINING_MODE, reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(chainingMode)),
                static_cast<ULONG>((std::wcslen(chainingMode) + 1) * sizeof(wchar_t)), 0))) {
            ::BCryptCloseAlgorithmProvider(handle_, 0);
            handle_ = nullptr;
        }
    }
    ~TProvider() {
        if (handle_)
            ::BCryptCloseAlgorithmProvider(handle_, 0);
    }
    TProvider(const TProvider&) = delete;
    TProvider& operator=(const TProvider&) = delete;

    BCRYPT_ALG_HANDLE Get(const char* what) const {
        if (!handle_)
            throw std::runtime_error(std::string(what) + " is not available");
        return handle_;
    }

private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
};

const TProvider& HmacSha1Provider() {
    static const TProvider provider(BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    return provider;
}

const TProvider& AesEcbProvider() {
    static const TProvider provider(BCRYPT_AES_ALGORITHM, 0, BCRYPT_CHAIN_MODE_ECB);
    return provider;
}

void Check(NTSTATUS status, const char* what) {
    if (!Ok(status))
        throw std::runtime_error(std::string(what) + " failed");
}

} // namespace

void WipeSecret(void* data, std::size_t size) {
    ::SecureZeroMemory(data, size);
}

bool EqualInConstantTime(const std::uint8_t* a, const std::uint8_t* b, std::size_t size) {
    volatile std::uint8_t difference = 0;
    for (std::size_t i = 0; i < size; ++i)
        difference = difference | (a[i] ^ b[i]);
    return difference == 0;
}

bool RandomBytes(void* data, std::size_t size) {
    return Ok(::BCryptGenRandom(nullptr, static_cast<PUCHAR>(data), static_cast<ULONG>(size),
                                BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

struct TAesBlockCipher::TState {
    BCRYPT_KEY_HANDLE key = nullptr;
    ~TState() {
        if (key)
            ::BCryptDestroyKey(key); // the system wipes the key object it allocated
    }
};

TAesBlockCipher::TAesBlockCipher(const std::uint8_t* key, std::size_t keySize)
    : state_(std::make_unique<TState>()) {
    Check(::BCryptGenerateSymmetricKey(AesEcbProvider().Get("AES"), &state_->key, nullptr, 0,
                                       const_cast<PUCHAR>(key), static_cast<ULONG>(keySize), 0),
          "AES key set-up");
}

TAesBlockCipher::~TAesBlockCipher() = default;

void TAesBlockCipher::Encrypt(const std::uint8_t* in, std::uint8_t* out) {
    ULONG done = 0;
    Check(::BCryptEncrypt(state_->key, const_cast<PUCHAR>(in), kAesBlockSize, nullptr, nullptr, 0, out,
                          kAesBlockSize, &done, 0),
          "AES encryption");
}

struct THmacSha1::TState {
    BCRYPT_HASH_HANDLE hash = nullptr;
    ~TState() {
        if (hash)
            ::BCryptDestroyHash(hash);
    }
};

THmacSha1::THmacSha1(const std::uint8_t* key, std::size_t keySize) : state_(std::make_unique<TState>()) {
    // CNG refuses an empty key; HMAC pads every key to a block of zeros, so a one-byte
    // zero key is the same key.
    const std::uint8_t zero = 0;
    Check(::BCryptCreateHash(HmacSha1Provider().Get("HMAC-SHA1"), &state_->hash, nullptr, 0,
                             const_cast<PUCHAR>(keySize > 0 ? key : &zero),
                             static_cast<ULONG>(keySize > 0 ? keySize : 1), 0),
          "HMAC-SHA1 set-up");
}

THmacSha1::THmacSha1(const THmacSha1& other) : state_(std::make_unique<TState>()) {
    Check(::BCryptDuplicateHash(other.state_->hash, &state_->hash, nullptr, 0, 0), "HMAC-SHA1 copy");
}

THmacSha1::~THmacSha1() = default;

void THmacSha1::Update(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ULONG n = static_cast<ULONG>(std::min<std::size_t>(size, 1u << 30));
        Check(::BCryptHashData(state_->hash, const_cast<PUCHAR>(data), n, 0), "HMAC-SHA1");
        data += n;
        size -= n;
    }
}

TSha1Digest THmacSha1::Final() {
    TSha1Digest code{};
    Check(::BCryptFinishHash(state_->hash, code.data(), static_cast<ULONG>(code.size()), 0), "HMAC-SHA1");
    return code;
}

} // namespace korvel
