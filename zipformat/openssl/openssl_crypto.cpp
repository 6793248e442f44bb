// The primitives on OpenSSL's plain SHA-1 and AES block functions (not its EVP layer).
#ifndef OPENSSL_SUPPRESS_DEPRECATED
#define OPENSSL_SUPPRESS_DEPRECATED
#endif
#include <openssl/aes.h>
#include <openssl/crypto.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <algorithm>
#include <array>
#include <stdexcept>

#include "zipformat/crypto_primitives.h"
#include "zipformat/hmac_sha1.h"

namespace korvel {

namespace {

constexpr std::size_t kSha1BlockSize = 64;

} // namespace

void WipeSecret(void* data, std::size_t size) {
    OPENSSL_cleanse(data, size);
}

bool EqualInConstantTime(const std::uint8_t* a, const std::uint8_t* b, std::size_t size) {
    return CRYPTO_memcmp(a, b, size) == 0;
}

bool RandomBytes(void* data, std::size_t size) {
    return RAND_bytes(static_cast<unsigned char*>(data), static_cast<int>(size)) == 1;
}

struct TAesBlockCipher::TState {
    AES_KEY key{};
    ~TState() { OPENSSL_cleanse(&key, sizeof key); }
};

TAesBlockCipher::TAesBlockCipher(const std::uint8_t* key, std::size_t keySize)
    : state_(std::make_unique<TState>()) {
    if (AES_set_encrypt_key(key, static_cast<int>(8 * keySize), &state_->key) != 0)
        throw std::runtime_error("AES key set-up failed");
}

TAesBlockCipher::~TAesBlockCipher() = default;

void TAesBlockCipher::Encrypt(const std::uint8_t* in, std::uint8_t* out) {
    AES_encrypt(in, out, &state_->key);
}

struct THmacSha1::TState {
    SHA_CTX inner{};
    SHA_CTX outer{};
    ~TState() {
        OPENSSL_cleanse(&inner, sizeof inner);
        OPENSSL_cleanse(&outer, sizeof outer);
    }
};

THmacSha1::THmacSha1(const std::uint8_t* key, std::size_t keySize) : state_(std::make_unique<TState>()) {
    // A key longer than a block is replaced by its hash; a shorter one is padded with zeros.
    std::array<std::uint8_t, kSha1BlockSize> block{};
    if (keySize > kSha1BlockSize) {
        SHA_CTX ctx;
        SHA1_Init(&ctx);
        SHA1_Update(&ctx, key, keySize);
        SHA1_Final(block.data(), &ctx);
        OPENSSL_cleanse(&ctx, sizeof ctx);
    } else if (keySize > 0) {
        std::copy_n(key, keySize, block.begin());
    }
    std::array<std::uint8_t, kSha1BlockSize> pad{};
    for (std::size_t i = 0; i < kSha1BlockSize; ++i)
        pad[i] = block[i] ^ 0x36;
    SHA1_Init(&state_->inner);
    SHA1_Update(&state_->inner, pad.data(), pad.size());
    for (std::size_t i = 0; i < kSha1BlockSize; ++i)
        pad[i] = block[i] ^ 0x5c;
    SHA1_Init(&state_->outer);
    SHA1_Update(&state_->outer, pad.data(), pad.size());
    OPENSSL_cleanse(block.data(), block.size());
    OPENSSL_cleanse(pad.data(), pad.size());
}

THmacSha1::THmacSha1(const THmacSha1& other) : state_(std::make_unique<TState>(*other.state_)) {}

THmacSha1::~THmacSha1() = default;

void THmacSha1::Update(const std::uint8_t* data, std::size_t size) {
    if (size > 0)
        SHA1_Update(&state_->inner, data, size);
}

TSha1Digest THmacSha1::Final() {
    TSha1Digest innerHash{};
    SHA1_Final(innerHash.data(), &state_->inner);
    SHA1_Update(&state_->outer, innerHash.data(), innerHash.size());
    TSha1Digest code{};
    SHA1_Final(code.data(), &state_->outer);
    OPENSSL_cleanse(innerHash.data(), innerHash.size());
    return code;
}

} // namespace korvel
