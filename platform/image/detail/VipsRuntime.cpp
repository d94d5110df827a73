#include "platform/image/detail/VipsRuntime.h"

#include "platform/image/detail/CodeGeneratorFolder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <vips/vector.h>

namespace orvane::VipsRuntime {

using vips::VImage;

namespace {
// Before main, while the process has one thread, and so before libvips can start in any program
// that uses these images.
const bool codeGeneratorHasFolder = CodeGeneratorFolder::prepare();
} // namespace

void ensure() {
    static std::once_flag once;
    std::call_once(once, [] {
        // The library's warnings (and those of the decoders it hands on), and GObject's about the
        // values it is handed (a file's resolution out of range, say), are not for the user's
        // terminal: what matters reaches callers as errors. Only a fatal error is still told.
        // Every other library keeps its voice: the window's own GIO and portal troubles are worth
        // seeing.
        for (const char* domain : chattyLogDomains) {
            g_log_set_handler(
                domain, static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK & ~G_LOG_LEVEL_ERROR),
                [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
        }
        if (VIPS_INIT("orvane") != 0) {
            std::cerr << "orvane: the image library failed to start\n";
            std::abort();
        }
        // Without a folder of its own the code generator would fall back on the home folder.
        if (!codeGeneratorHasFolder) {
            vips_vector_set_enabled(FALSE);
        }
        vips_cache_set_max(0);
        vips_cache_set_max_mem(0);
        vips_operation_block_set("VipsForeignLoadMagick", TRUE);
        vips_operation_block_set("VipsForeignSaveMagick", TRUE);
        vips_operation_block_set("VipsForeignLoadPdf", TRUE);
        vips_operation_block_set("VipsForeignLoadSvg", TRUE);
        vips_operation_block_set("VipsForeignLoadOpenslide", TRUE);
    });
}

bool vectorPathEnabled() {
    ensure();
    return vips_vector_isenabled() != 0;
}

VImage view(const Bitmap& bitmap) {
    ensure();
    auto* data = const_cast<std::uint8_t*>(bitmap.pixels().data());
    return VImage::new_from_memory(data, bitmap.pixels().size(), bitmap.width(), bitmap.height(), 4,
                                   VIPS_FORMAT_UCHAR)
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

VImage viewForEncoding(const Bitmap& bitmap) {
    VImage image = view(bitmap);
    if (!hasAlphaChannel(bitmap.alphaInfo())) {
        image = image.extract_band(0, VImage::option()->set("n", 3));
    }
    return image;
}

namespace {
std::optional<ColorProfile> embeddedProfile(const VImage& image) {
    if (image.get_typeof(VIPS_META_ICC_NAME) == 0) {
        return std::nullopt;
    }
    std::size_t length = 0;
    const auto* data = static_cast<const std::uint8_t*>(image.get_blob(VIPS_META_ICC_NAME, &length));
    if (data == nullptr || length < 128) {
        return std::nullopt;
    }
    // Only an RGB profile describes our RGB samples.
    if (std::memcmp(data + 16, "RGB ", 4) != 0) {
        return std::nullopt;
    }
    return ColorProfile(std::vector<std::uint8_t>(data, data + length));
}
} // namespace

Bitmap bitmapFromBands(const VImage& image, const ColorProfile& profile, AlphaInfo fourBandAlpha) {
    VImage rgba = image;
    AlphaInfo alpha = fourBandAlpha == AlphaInfo::noneSkipLast ? AlphaInfo::last : fourBandAlpha;
    if (rgba.bands() == 3) {
        rgba = rgba.bandjoin_const({255});
        alpha = AlphaInfo::noneSkipLast;
    }
    if (!Bitmap::sizeIsAcceptable(rgba.width(), rgba.height())) {
        throw vips::VError("image too large");
    }
    if (rgba.bands() == 4 && rgba.format() == VIPS_FORMAT_UCHAR) {
        // Rendered straight into the bitmap's own buffer: no second copy of the pixels, and no
        // clearing of memory that every pixel then overwrites.
        PixelMemory pixels(static_cast<std::size_t>(rgba.width()) * rgba.height() * 4);
        VImage target = VImage::new_from_memory(pixels.bytes().data(), pixels.bytes().size(), rgba.width(),
                                                rgba.height(), 4, VIPS_FORMAT_UCHAR);
        rgba.write(target);
        return Bitmap(rgba.width(), rgba.height(), alpha, std::move(pixels), profile);
    }
    std::size_t size = 0;
    void* memory = rgba.write_to_memory(&size);
    std::unique_ptr<void, decltype(&g_free)> owned(memory, &g_free);
    const auto* bytes = static_cast<const std::uint8_t*>(memory);
    return Bitmap(rgba.width(), rgba.height(), alpha, std::vector<std::uint8_t>(bytes, bytes + size),
                  profile);
}

VImage resizeExactly(const VImage& source, int width, int height) {
    VImage image = source;
    const VipsBandFormat format = image.format();
    const bool alpha = image.has_alpha();
    if (alpha) {
        image = image.premultiply();
    }
    image = image.resize(static_cast<double>(width) / image.width(),
                         VImage::option()
                             ->set("vscale", static_cast<double>(height) / image.height())
                             ->set("kernel", VIPS_KERNEL_LANCZOS3));
    if (alpha) {
        image = image.unpremultiply();
    }
    image = image.cast(format);
    // Rounding inside the resampler can leave a pixel more or less; settle on the exact size.
    if (image.width() != width || image.height() != height) {
        image = image.embed(0, 0, width, height, VImage::option()->set("extend", VIPS_EXTEND_COPY));
    }
    return image;
}

Rgb8 rgb8(VImage image) {
    ensure();
    const VipsInterpretation interpretation = image.guess_interpretation();
    std::optional<ColorProfile> profile;
    const bool rgbSamples =
        (interpretation == VIPS_INTERPRETATION_sRGB || interpretation == VIPS_INTERPRETATION_RGB16 ||
         interpretation == VIPS_INTERPRETATION_RGB || interpretation == VIPS_INTERPRETATION_scRGB) &&
        image.bands() >= 3;
    if (rgbSamples && interpretation != VIPS_INTERPRETATION_scRGB) {
        profile = embeddedProfile(image);
    }
    if (interpretation == VIPS_INTERPRETATION_CMYK && image.get_typeof(VIPS_META_ICC_NAME) != 0) {
        // Use the file's own profile to get out of CMYK; the result is plain sRGB.
        image = image.icc_transform("srgb", VImage::option()->set("embedded", true)->set("depth", 8));
    } else if (interpretation == VIPS_INTERPRETATION_RGB16 && rgbSamples) {
        // Keep the samples (and so the embedded profile's meaning), only narrower.
        image = (image >> 8).cast(VIPS_FORMAT_UCHAR);
    } else if (!((interpretation == VIPS_INTERPRETATION_sRGB || interpretation == VIPS_INTERPRETATION_RGB) &&
                 image.format() == VIPS_FORMAT_UCHAR)) {
        image = image.colourspace(VIPS_INTERPRETATION_sRGB);
    }
    if (image.format() != VIPS_FORMAT_UCHAR) {
        image = image.cast(VIPS_FORMAT_UCHAR);
    }
    if (image.bands() == 1) {
        image = VImage::bandjoin({image, image, image});
    } else if (image.bands() == 2) {
        VImage grey = image.extract_band(0);
        image = VImage::bandjoin({grey, grey, grey, image.extract_band(1)});
    } else if (image.bands() > 4) {
        image = image.extract_band(0, VImage::option()->set("n", 4));
    }
    return {image, profile.value_or(ColorProfile::srgb())};
}

Bitmap toBitmap(VImage image) {
    const Rgb8 converted = rgb8(std::move(image));
    return bitmapFromBands(converted.image, converted.profile);
}

VImage decodedHere(const VImage& loaded) {
    VipsImage* in = loaded.get_image();
    const std::size_t line = VIPS_IMAGE_SIZEOF_LINE(in);
    const std::size_t size = line * static_cast<std::size_t>(in->Ysize);
    std::unique_ptr<VipsPel, decltype(&g_free)> pixels(static_cast<VipsPel*>(g_try_malloc(size)), &g_free);
    if (!pixels) {
        throw vips::VError("out of memory");
    }
    // From top to bottom in strips, as a sequential loader wants to be read.
    const vips::VRegion region = vips::VRegion::new_from_image(loaded);
    constexpr int stripRows = 64;
    for (int top = 0; top < in->Ysize; top += stripRows) {
        const int rows = std::min(stripRows, in->Ysize - top);
        region.prepare(0, top, in->Xsize, rows);
        for (int y = top; y < top + rows; ++y) {
            std::memcpy(pixels.get() + static_cast<std::size_t>(y) * line, region.addr(0, y), line);
        }
    }
    VipsImage* out =
        vips_image_new_from_memory(pixels.get(), size, in->Xsize, in->Ysize, in->Bands, in->BandFmt);
    if (out == nullptr) {
        throw vips::VError();
    }
    g_signal_connect(out, "postclose", G_CALLBACK(+[](VipsImage*, void* data) { g_free(data); }),
                     pixels.release());
    VImage decoded(out);
    // The loaded image's metadata (profile, orientation, page count…) and its header fields; no
    // longer the mark of a sequential source.
    gchar** fields = vips_image_get_fields(in);
    for (gchar** field = fields; *field != nullptr; ++field) {
        if (in->meta != nullptr && g_hash_table_contains(in->meta, *field) &&
            std::strcmp(*field, VIPS_META_SEQUENTIAL) != 0) {
            GValue value = G_VALUE_INIT;
            vips_image_get(in, *field, &value);
            if (G_VALUE_TYPE(&value) == VIPS_TYPE_BLOB) {
                // A loader may hand out a blob of memory that lives only as long as its image.
                std::size_t length = 0;
                const void* data = vips_value_get_blob(&value, &length);
                vips_image_set_blob_copy(out, *field, data, length);
            } else {
                vips_image_set(out, *field, &value);
            }
            g_value_unset(&value);
        }
    }
    g_strfreev(fields);
    out->Type = in->Type;
    out->Coding = in->Coding;
    out->Xres = in->Xres;
    out->Yres = in->Yres;
    out->Xoffset = in->Xoffset;
    out->Yoffset = in->Yoffset;
    return decoded;
}

} // namespace orvane::VipsRuntime
