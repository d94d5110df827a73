#include "platform/image/detail/BmpDecoder.h"

#include <bit>
#include <cstdlib>

namespace orvane::BmpDecoder {

namespace {

constexpr std::uint32_t rgb = 0, bitfields = 3, alphaBitfields = 6;

std::uint32_t u16(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}
std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

struct Layout {
    int width;
    int height;
    bool topDown;
    int bitsPerPixel;
    std::uint32_t compression;
    std::size_t pixelOffset;
    std::size_t paletteOffset;
    std::size_t paletteEntrySize;
    std::size_t paletteCount;
    std::uint32_t masks[4]; // red, green, blue, alpha
};

std::optional<Layout> parse(std::span<const std::uint8_t> b) {
    if (b.size() < 26 || b[0] != 'B' || b[1] != 'M') {
        return std::nullopt;
    }
    Layout l{};
    l.pixelOffset = u32(b, 10);
    const std::uint32_t infoSize = u32(b, 14);
    if (infoSize == 12) { // OS/2 core header
        l.width = static_cast<int>(u16(b, 18));
        l.height = static_cast<int>(u16(b, 20));
        l.bitsPerPixel = static_cast<int>(u16(b, 24));
        l.compression = rgb;
        l.paletteEntrySize = 3;
    } else if (infoSize >= 40 && b.size() >= 14 + 40) {
        const auto w = static_cast<std::int32_t>(u32(b, 18));
        const auto h = static_cast<std::int32_t>(u32(b, 22));
        if (w <= 0 || h == 0 || h == INT32_MIN) {
            return std::nullopt;
        }
        l.width = w;
        l.topDown = h < 0;
        l.height = std::abs(h);
        l.bitsPerPixel = static_cast<int>(u16(b, 28));
        l.compression = u32(b, 30);
        l.paletteCount = u32(b, 46);
        l.paletteEntrySize = 4;
        if (l.compression == bitfields || l.compression == alphaBitfields) {
            const std::size_t maskAt = 14 + 40;
            const std::size_t masks = l.compression == alphaBitfields || infoSize >= 56 ? 4 : 3;
            if (b.size() < maskAt + masks * 4) {
                return std::nullopt;
            }
            for (std::size_t i = 0; i < masks; ++i) {
                l.masks[i] = u32(b, maskAt + i * 4);
            }
        } else if (infoSize >= 56 && b.size() >= 14 + 56) {
            l.masks[3] = u32(b, 14 + 52);
        }
    } else {
        return std::nullopt;
    }
    l.paletteOffset = 14 + infoSize + (infoSize == 40 && l.compression == bitfields ? 12 : 0) +
                      (infoSize == 40 && l.compression == alphaBitfields ? 16 : 0);
    if (l.bitsPerPixel <= 8 && l.paletteCount == 0) {
        l.paletteCount = std::size_t{1} << l.bitsPerPixel;
    }
    const bool supportedDepth = l.bitsPerPixel == 1 || l.bitsPerPixel == 4 || l.bitsPerPixel == 8 ||
                                l.bitsPerPixel == 16 || l.bitsPerPixel == 24 || l.bitsPerPixel == 32;
    const bool supportedCompression =
        l.compression == rgb || ((l.compression == bitfields || l.compression == alphaBitfields) &&
                                 (l.bitsPerPixel == 16 || l.bitsPerPixel == 32));
    if (!supportedDepth || !supportedCompression || !Bitmap::sizeIsAcceptable(l.width, l.height)) {
        return std::nullopt;
    }
    if (l.compression == rgb && l.bitsPerPixel == 16) {
        l.masks[0] = 0x7C00;
        l.masks[1] = 0x03E0;
        l.masks[2] = 0x001F;
    }
    return l;
}

std::uint8_t channel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = std::countr_zero(mask);
    const std::uint32_t value = (pixel & mask) >> shift;
    const std::uint32_t maximum = mask >> shift;
    return static_cast<std::uint8_t>((value * 255 + maximum / 2) / maximum);
}

} // namespace

std::optional<Header> readHeader(std::span<const std::uint8_t> bytes) {
    const auto layout = parse(bytes);
    if (!layout) {
        return std::nullopt;
    }
    return Header{layout->width, layout->height};
}

std::optional<Bitmap> decode(std::span<const std::uint8_t> b) {
    const auto parsed = parse(b);
    if (!parsed) {
        return std::nullopt;
    }
    const Layout& l = *parsed;
    const std::size_t rowBytes = ((static_cast<std::size_t>(l.width) * l.bitsPerPixel + 31) / 32) * 4;
    const std::size_t needed = rowBytes * static_cast<std::size_t>(l.height);
    if (l.pixelOffset > b.size() || b.size() - l.pixelOffset < needed) {
        return std::nullopt;
    }
    if (l.bitsPerPixel <= 8 &&
        (l.paletteCount > 256 || l.paletteOffset + l.paletteCount * l.paletteEntrySize > b.size())) {
        return std::nullopt;
    }
    const bool alpha = l.bitsPerPixel >= 16 && l.masks[3] != 0;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(l.width) * l.height * 4);
    for (int y = 0; y < l.height; ++y) {
        const std::size_t sourceRow = l.topDown ? y : l.height - 1 - y;
        const std::uint8_t* row = b.data() + l.pixelOffset + sourceRow * rowBytes;
        std::uint8_t* target = out.data() + static_cast<std::size_t>(y) * l.width * 4;
        for (int x = 0; x < l.width; ++x, target += 4) {
            std::uint8_t r = 0, g = 0, bl = 0, a = 255;
            if (l.bitsPerPixel <= 8) {
                const int perByte = 8 / l.bitsPerPixel;
                const std::uint8_t byte = row[x / perByte];
                const int shift = 8 - l.bitsPerPixel * (x % perByte + 1);
                const std::size_t index = (byte >> shift) & ((1u << l.bitsPerPixel) - 1);
                if (index < l.paletteCount) {
                    const std::uint8_t* entry = b.data() + l.paletteOffset + index * l.paletteEntrySize;
                    bl = entry[0];
                    g = entry[1];
                    r = entry[2];
                }
            } else if (l.bitsPerPixel == 24) {
                bl = row[x * 3];
                g = row[x * 3 + 1];
                r = row[x * 3 + 2];
            } else if (l.bitsPerPixel == 32 && l.compression == rgb) {
                bl = row[x * 4];
                g = row[x * 4 + 1];
                r = row[x * 4 + 2];
                if (alpha) {
                    a = row[x * 4 + 3];
                }
            } else {
                const std::uint32_t pixel =
                    l.bitsPerPixel == 16 ? u16({row, rowBytes}, x * 2) : u32({row, rowBytes}, x * 4);
                r = channel(pixel, l.masks[0]);
                g = channel(pixel, l.masks[1]);
                bl = channel(pixel, l.masks[2]);
                if (alpha) {
                    a = channel(pixel, l.masks[3]);
                }
            }
            target[0] = r;
            target[1] = g;
            target[2] = bl;
            target[3] = a;
        }
    }
    return Bitmap(l.width, l.height, alpha ? AlphaInfo::last : AlphaInfo::noneSkipLast, std::move(out));
}

} // namespace orvane::BmpDecoder
