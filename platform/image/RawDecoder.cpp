#include "platform/image/RawDecoder.h"

#include <libraw/libraw.h>
#include <memory>

namespace orvane::RawDecoder {

namespace {

// LibRaw's processor is large; it lives on the heap for as long as one file is read.
std::unique_ptr<LibRaw> open(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return nullptr;
    }
    auto processor = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    // LibRaw would print a damaged file's faults on standard error; they reach callers as a file
    // that cannot be read.
    processor->set_dataerror_handler(nullptr, nullptr);
    processor->set_memerror_handler(nullptr, nullptr);
    processor->imgdata.params.max_raw_memory_mb = 2048;
    if (processor->open_buffer(const_cast<std::uint8_t*>(bytes.data()), bytes.size()) != LIBRAW_SUCCESS) {
        return nullptr;
    }
    const auto& sizes = processor->imgdata.sizes;
    if (sizes.raw_width == 0 || sizes.raw_height == 0 ||
        !Bitmap::sizeIsAcceptable(sizes.width, sizes.height)) {
        return nullptr;
    }
    return processor;
}

} // namespace

std::optional<Header> identify(std::span<const std::uint8_t> bytes) {
    const auto processor = open(bytes);
    if (!processor) {
        return std::nullopt;
    }
    const auto& sizes = processor->imgdata.sizes;
    const bool swapped = (sizes.flip & 4) != 0;
    return Header{swapped ? sizes.height : sizes.width, swapped ? sizes.width : sizes.height,
                  processor->imgdata.idata.dng_version != 0};
}

std::optional<Bitmap> develop(std::span<const std::uint8_t> bytes) {
    const auto processor = open(bytes);
    if (!processor) {
        return std::nullopt;
    }
    processor->imgdata.params.use_camera_wb = 1;
    processor->imgdata.params.output_bps = 8;
    processor->imgdata.params.output_color = 1; // sRGB
    if (processor->unpack() != LIBRAW_SUCCESS || processor->dcraw_process() != LIBRAW_SUCCESS) {
        return std::nullopt;
    }
    int error = LIBRAW_SUCCESS;
    std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t*)> image(
        processor->dcraw_make_mem_image(&error), &LibRaw::dcraw_clear_mem);
    if (!image || error != LIBRAW_SUCCESS || image->type != LIBRAW_IMAGE_BITMAP || image->bits != 8 ||
        (image->colors != 3 && image->colors != 1)) {
        return std::nullopt;
    }
    const int width = image->width;
    const int height = image->height;
    if (!Bitmap::sizeIsAcceptable(width, height) ||
        image->data_size < static_cast<unsigned>(width) * height * image->colors) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    const std::uint8_t* source = image->data;
    for (std::size_t i = 0, n = static_cast<std::size_t>(width) * height; i < n; ++i) {
        const std::uint8_t* in = source + i * image->colors;
        pixels[i * 4] = in[0];
        pixels[i * 4 + 1] = image->colors == 3 ? in[1] : in[0];
        pixels[i * 4 + 2] = image->colors == 3 ? in[2] : in[0];
        pixels[i * 4 + 3] = 255;
    }
    return Bitmap(width, height, AlphaInfo::noneSkipLast, std::move(pixels));
}

} // namespace orvane::RawDecoder
