#include "platform/image/detail/PngChunks.h"

#include <cstring>
#include <stdexcept>
#include <string_view>
#include <zlib.h>

namespace orvane::PngChunks {

namespace {

void appendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 24));
    out.push_back(static_cast<std::uint8_t>(value >> 16));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

std::vector<std::uint8_t> chunk(std::string_view type, const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> out;
    out.reserve(data.size() + 12);
    appendU32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), out.data() + 4, static_cast<uInt>(data.size() + 4));
    appendU32(out, static_cast<std::uint32_t>(crc));
    return out;
}

std::vector<std::uint8_t> iccpData(const ColorProfile& profile) {
    const std::string_view name = "ICC Profile";
    std::vector<std::uint8_t> data(name.begin(), name.end());
    data.push_back(0); // end of the name
    data.push_back(0); // deflate
    uLongf compressedSize = compressBound(static_cast<uLong>(profile.icc().size()));
    std::vector<std::uint8_t> compressed(compressedSize);
    if (compress2(compressed.data(), &compressedSize, profile.icc().data(),
                  static_cast<uLong>(profile.icc().size()), Z_BEST_COMPRESSION) != Z_OK) {
        throw std::runtime_error("could not compress the colour profile");
    }
    data.insert(data.end(), compressed.begin(),
                compressed.begin() + static_cast<std::ptrdiff_t>(compressedSize));
    return data;
}

} // namespace

std::vector<std::uint8_t> embedded(std::span<const std::uint8_t> png, const ColorProfile& profile,
                                   const std::vector<std::uint8_t>& exif) {
    constexpr std::size_t signatureSize = 8;
    constexpr std::size_t headerChunkSize = 12 + 13;
    if (png.size() < signatureSize + headerChunkSize || std::memcmp(png.data() + 12, "IHDR", 4) != 0) {
        throw std::runtime_error("not a PNG");
    }
    std::vector<std::uint8_t> inserted = chunk("iCCP", iccpData(profile));
    if (!exif.empty()) {
        const auto exifChunk = chunk("eXIf", exif);
        inserted.insert(inserted.end(), exifChunk.begin(), exifChunk.end());
    }
    // One buffer of the final size: the image data is copied once.
    const auto split = png.begin() + signatureSize + headerChunkSize;
    std::vector<std::uint8_t> out;
    out.reserve(png.size() + inserted.size());
    out.insert(out.end(), png.begin(), split);
    out.insert(out.end(), inserted.begin(), inserted.end());
    out.insert(out.end(), split, png.end());
    return out;
}

} // namespace orvane::PngChunks
