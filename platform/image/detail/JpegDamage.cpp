#include "platform/image/detail/JpegDamage.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

// clang-format off
// In this order: jpeglib.h needs FILE declared before it, and jerror.h the configuration it reads.
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace orvane::JpegDamage {

namespace {

struct Reporter {
    jpeg_error_mgr base;
    std::jmp_buf stop;
};

bool isDamage(int messageCode) {
    switch (messageCode) {
    case JWRN_HIT_MARKER:     // the coded data ran into a marker: cut short, perhaps ended with FF D9
    case JWRN_JPEG_EOF:       // the bytes ran out
    case JWRN_HUFF_BAD_CODE:  // garbled data
    case JWRN_ARITH_BAD_CODE: // likewise
    case JWRN_MUST_RESYNC:    // a restart marker lost, so a band of blocks is skipped
        return true;
    default:
        return false;
    }
}

[[noreturn]] void stop(j_common_ptr info) {
    std::longjmp(reinterpret_cast<Reporter*>(info->err)->stop, 1);
}

// Warnings come with a negative level; the rest are trace messages.
void message(j_common_ptr info, int level) {
    if (level < 0 && isDamage(info->err->msg_code)) {
        stop(info);
    }
}

// Separate from `found` so that no object with a destructor lives in the frame that setjmp marks.
bool decodeAll(jpeg_decompress_struct& info, Reporter& reporter, std::span<const std::uint8_t> bytes,
               std::vector<JSAMPLE>& row) {
    if (setjmp(reporter.stop) != 0) {
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        return false;
    }
    // An eighth of the size: every coded block is still read, but each becomes one pixel from its
    // first coefficient, so hardly any time goes beyond reading the codes.
    info.scale_num = 1;
    info.scale_denom = 8;
    info.dct_method = JDCT_IFAST;
    info.do_fancy_upsampling = FALSE;
    info.do_block_smoothing = FALSE;
    if (info.jpeg_color_space == JCS_YCbCr) {
        info.out_color_space = JCS_GRAYSCALE; // the colour blocks are read all the same
    }
    jpeg_start_decompress(&info);
    row.resize(static_cast<std::size_t>(info.output_width) * info.output_components);
    JSAMPROW rows[] = {row.data()};
    while (info.output_scanline < info.output_height) {
        jpeg_read_scanlines(&info, rows, 1);
    }
    return true;
}

} // namespace

bool found(std::span<const std::uint8_t> bytes) {
    jpeg_decompress_struct info{};
    Reporter reporter{};
    info.err = jpeg_std_error(&reporter.base);
    reporter.base.error_exit = stop;
    reporter.base.emit_message = message;
    std::vector<JSAMPLE> row;
    const bool whole = decodeAll(info, reporter, bytes, row);
    jpeg_destroy_decompress(&info);
    return !whole;
}

} // namespace orvane::JpegDamage
