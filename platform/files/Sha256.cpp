#include "platform/files/Sha256.h"

#include "platform/files/FileChunks.h"

#include <fcntl.h>
#include <memory>
#include <openssl/evp.h>
#include <stdexcept>
#include <unistd.h>

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

std::optional<Digest> fileDigest(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    const std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("SHA-256 could not be computed");
    }
    const bool read = FileChunks::read(fd, [&](std::span<const std::uint8_t> bytes) {
        if (EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) != 1) {
            throw std::runtime_error("SHA-256 could not be computed");
        }
    });
    if (!read) {
        return std::nullopt;
    }
    Digest result{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), result.data(), &length) != 1 || length != result.size()) {
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
