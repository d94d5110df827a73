#pragma once

// Small libvips helpers shared by the contact-sheet programs.

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>
#include <vips/vips8>

namespace orvane::bench {

// An image that owns a copy of the samples.
inline vips::VImage copied(const void* data, std::size_t size, int width, int height, int bands) {
    VipsImage* image = vips_image_new_from_memory_copy(data, size, width, height, bands, VIPS_FORMAT_UCHAR);
    if (image == nullptr) {
        throw vips::VError();
    }
    return vips::VImage(image);
}

// A caption `width` pixels wide, white on black; plain black where libvips has no text support.
inline vips::VImage label(const std::string& text, int width) {
    // The text is Pango markup: the three characters it gives meaning to are escaped.
    std::string markup;
    for (const char c : text) {
        markup += c == '&'   ? std::string("&amp;")
                  : c == '<' ? std::string("&lt;")
                  : c == '>' ? std::string("&gt;")
                             : std::string(1, c);
    }
    try {
        const vips::VImage words =
            vips::VImage::text(markup.c_str(),
                               vips::VImage::option()->set("dpi", 110)->set("width", width - 8))
                .gravity(VIPS_COMPASS_DIRECTION_WEST, width, 26);
        return words.bandjoin(words).bandjoin(words);
    } catch (const vips::VError&) {
        return vips::VImage::black(width, 26, vips::VImage::option()->set("bands", 3));
    }
}

// Rows of different heights joined one below the other (arrayjoin would give every row the tallest
// one's height), written to `file` as PNG.
inline void saveStacked(const std::vector<vips::VImage>& rows, const std::filesystem::path& file) {
    vips::VImage sheet = rows.front();
    for (std::size_t i = 1; i < rows.size(); ++i) {
        sheet = sheet.join(rows[i], VIPS_DIRECTION_VERTICAL, vips::VImage::option()->set("expand", true));
    }
    sheet.pngsave(file.c_str());
    std::printf("wrote %s (%d x %d)\n", file.c_str(), sheet.width(), sheet.height());
}

} // namespace orvane::bench
