#include "platform/files/FileBytes.h"

#include <fstream>
#include <system_error>

namespace orvane::FileBytes {

std::optional<Bytes> read(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        return std::nullopt;
    }
    const std::streamoff size = file.tellg();
    if (size < 0) {
        return std::nullopt;
    }
    Bytes bytes(static_cast<std::size_t>(size));
    file.seekg(0);
    // One read for the whole file; a file that shrank meanwhile reads short and is refused.
    if (!file.read(reinterpret_cast<char*>(bytes.data()), size)) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace orvane::FileBytes
