// HEIC and AVIF encoding of one photo with the converter's speed settings (HeifEncoder), with
// libheif's defaults and with a few settings in between: time, size and PSNR against the source,
// so that the choice of settings is recorded with numbers. Usage:
//   heif-speed IMAGE [QUALITY [REPETITIONS]]   (the median time of REPETITIONS encodings, default 1)

#include "platform/image/ImageSource.h"
#include "platform/image/detail/HeifEncoder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <libheif/heif.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace orvane;

namespace {

void check(heif_error error) {
    if (error.code != heif_error_Ok) {
        throw std::runtime_error(error.message != nullptr ? error.message : "libheif failed");
    }
}

struct ContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct EncoderRelease {
    void operator()(heif_encoder* encoder) const { heif_encoder_release(encoder); }
};
struct ImageRelease {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct HandleRelease {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
using Context = std::unique_ptr<heif_context, ContextFree>;
using Encoder = std::unique_ptr<heif_encoder, EncoderRelease>;
using Image = std::unique_ptr<heif_image, ImageRelease>;
using Handle = std::unique_ptr<heif_image_handle, HandleRelease>;

heif_compression_format compressionOf(HeifEncoder::Codec codec) {
    return codec == HeifEncoder::Codec::hevc ? heif_compression_HEVC : heif_compression_AV1;
}

Encoder encoderFor(heif_context* context, HeifEncoder::Codec codec) {
    heif_encoder* encoder = nullptr;
    check(heif_context_get_encoder_for_format(context, compressionOf(codec), &encoder));
    return Encoder(encoder);
}

std::string parameter(heif_encoder* encoder, const char* name) {
    char value[64] = {};
    if (heif_encoder_get_parameter(encoder, name, value, sizeof value).code != heif_error_Ok) {
        return "?";
    }
    return value;
}

// libheif's settings for the codec, as a fresh encoder reports them.
std::string defaultSettings(HeifEncoder::Codec codec) {
    const Context context(heif_context_alloc());
    const Encoder encoder = encoderFor(context.get(), codec);
    if (codec == HeifEncoder::Codec::hevc) {
        return "preset " + parameter(encoder.get(), "preset");
    }
    return "speed " + parameter(encoder.get(), "speed") + ", threads " + parameter(encoder.get(), "threads");
}

std::string encoderName(HeifEncoder::Codec codec) {
    const Context context(heif_context_alloc());
    return heif_encoder_get_name(encoderFor(context.get(), codec).get());
}

heif_error writeToVector(heif_context*, const void* data, size_t size, void* userdata) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(userdata);
    out->insert(out->end(), static_cast<const std::uint8_t*>(data),
                static_cast<const std::uint8_t*>(data) + size);
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

using Settings = std::vector<std::pair<std::string, std::string>>;

// As HeifEncoder::encode for an opaque bitmap without EXIF, but with libheif's default encoder
// settings changed only by `settings`.
std::vector<std::uint8_t> encodeWith(const Bitmap& bitmap, HeifEncoder::Codec codec, double quality,
                                     const Settings& settings) {
    const Context context(heif_context_alloc());
    const Encoder encoder = encoderFor(context.get(), codec);
    for (const auto& [name, value] : settings) {
        check(heif_encoder_set_parameter(encoder.get(), name.c_str(), value.c_str()));
    }
    check(heif_encoder_set_lossy_quality(encoder.get(), static_cast<int>(std::lround(quality * 100))));
    heif_image* rawImage = nullptr;
    check(heif_image_create(bitmap.width(), bitmap.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                            &rawImage));
    const Image image(rawImage);
    check(heif_image_add_plane(image.get(), heif_channel_interleaved, bitmap.width(), bitmap.height(), 8));
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* in = bitmap.pixel(0, y);
        std::uint8_t* out = plane + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < bitmap.width(); ++x) {
            std::memcpy(out + x * 3, in + x * 4, 3);
        }
    }
    const auto icc = bitmap.colorProfile().icc();
    check(heif_image_set_raw_color_profile(image.get(), "prof", icc.data(), icc.size()));
    heif_image_handle* rawHandle = nullptr;
    check(heif_context_encode_image(context.get(), image.get(), encoder.get(), nullptr, &rawHandle));
    const Handle handle(rawHandle);
    std::vector<std::uint8_t> bytes;
    heif_writer writer{};
    writer.writer_api_version = 1;
    writer.write = &writeToVector;
    check(heif_context_write(context.get(), &writer, &bytes));
    return bytes;
}

// PSNR over the RGB samples of the decoded file against the source bitmap.
double psnr(const std::vector<std::uint8_t>& file, const Bitmap& source) {
    const Context context(heif_context_alloc());
    check(heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr));
    heif_image_handle* rawHandle = nullptr;
    check(heif_context_get_primary_image_handle(context.get(), &rawHandle));
    const Handle handle(rawHandle);
    heif_image* rawImage = nullptr;
    check(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                            nullptr));
    const Image image(rawImage);
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    double sum = 0;
    for (int y = 0; y < source.height(); ++y) {
        const std::uint8_t* in = source.pixel(0, y);
        const std::uint8_t* out = plane + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < source.width(); ++x) {
            for (int c = 0; c < 3; ++c) {
                const double d = static_cast<double>(in[x * 4 + c]) - out[x * 3 + c];
                sum += d * d;
            }
        }
    }
    const double mse = sum / (3.0 * source.width() * source.height());
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

// The median wall time of `repetitions` encodings; `out` holds the last file.
double timed(int repetitions, const std::function<std::vector<std::uint8_t>()>& encode,
             std::vector<std::uint8_t>& out) {
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        const auto start = std::chrono::steady_clock::now();
        out = encode();
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::cerr << "usage: heif-speed IMAGE [QUALITY [REPETITIONS]]\n";
        return 2;
    }
    const double quality = argc >= 3 ? std::stod(argv[2]) : 0.85;
    const int repetitions = argc == 4 ? std::max(1, std::stoi(argv[3])) : 1;
    try {
        const auto source = ImageSource::createFromFile(argv[1]);
        if (!source) {
            throw std::runtime_error("cannot open the image");
        }
        const int longSide = std::max(source->properties().pixelWidth.value_or(1),
                                      source->properties().pixelHeight.value_or(1));
        const auto bitmap = source->createThumbnail(longSide);
        if (!bitmap) {
            throw std::runtime_error("cannot decode the image");
        }
        std::printf("%dx%d at quality %.2f, median of %d; %s; %s\n", bitmap->width(), bitmap->height(),
                    quality, repetitions, encoderName(HeifEncoder::Codec::hevc).c_str(),
                    encoderName(HeifEncoder::Codec::av1).c_str());
        const std::string cores = std::to_string(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
        std::printf("  %-6s %-46s %9s %12s %9s\n", "codec", "settings", "seconds", "bytes", "PSNR dB");
        using Codec = HeifEncoder::Codec;
        const struct {
            Codec codec;
            std::string label;
            bool converter; // through HeifEncoder::encode, with the converter's own settings
            Settings settings;
        } rows[] = {
            {Codec::hevc, "converter (preset faster)", true, {}},
            {Codec::hevc, "libheif default (" + defaultSettings(Codec::hevc) + ")", false, {}},
            {Codec::hevc, "preset medium", false, {{"preset", "medium"}}},
            {Codec::hevc, "preset veryfast", false, {{"preset", "veryfast"}}},
            {Codec::av1, "converter (speed 8, threads " + cores + ")", true, {}},
            {Codec::av1, "libheif default (" + defaultSettings(Codec::av1) + ")", false, {}},
            {Codec::av1, "speed 6, threads " + cores, false, {{"speed", "6"}, {"threads", cores}}},
            {Codec::av1, "speed 7, threads " + cores, false, {{"speed", "7"}, {"threads", cores}}},
        };
        for (const auto& row : rows) {
            std::vector<std::uint8_t> bytes;
            const double seconds = timed(
                repetitions,
                [&] {
                    return row.converter ? HeifEncoder::encode(*bitmap, row.codec, quality, {})
                                         : encodeWith(*bitmap, row.codec, quality, row.settings);
                },
                bytes);
            std::printf("  %-6s %-46s %9.2f %12zu %9.2f\n", row.codec == Codec::hevc ? "HEIC" : "AVIF",
                        row.label.c_str(), seconds, bytes.size(), psnr(bytes, *bitmap));
            std::fflush(stdout);
        }
    } catch (const std::exception& error) {
        std::cerr << "heif-speed: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
