#include "platform/files/Sha256.h"

#include <openssl/evp.h>
#include <stdexcept>

namespace orvane::Sha256 {

Digest digest(std::span<const std::uint8_t> bytes) {
    Digest result{};
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), result.data(), &length, EVP_sha256(), nullptr) != 1 ||
        length != result.size()) {
        // Only an allocation failure inside OpenSSL gets here.
        throw std::runtime_error("SHA-256 could not be computed");
    }
    return result;
}

std::string hex(std::span<const std::uint8_t> bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0f];
    }
    return text;
}

} // namespace orvane::Sha256
