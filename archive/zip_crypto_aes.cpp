// The random salt of a WinZip AES entry, from the cryptographic generator.

#include "archive/zip_encryption.h"

#include <stdexcept>

#include "zipformat/crypto_primitives.h"
#include "zipformat/winzip_aes_params.h"

namespace korvel {

std::unique_ptr<TZipEncryptor> MakeAesEncryptor(const std::string& password, int strength) {
    if (!winzip_aes::ValidStrength(strength)) {
        return nullptr;
    }
    std::string salt(winzip_aes::SaltSize(strength), '\0');
    if (!RandomBytes(salt.data(), salt.size())) {
        throw std::runtime_error("AES encryption failed: no random salt");
    }
    return MakeAesEncryptor(password, strength, salt);
}

} // namespace korvel
