// Where a conversion's time goes: the converter's steps timed one by one (reading, opening,
// decoding, encoding, writing) next to what libvips alone needs for the same decode and encode,
// and for a size target every encoding the search makes, then the same search encoding ahead on
// WORKERS threads (default: as the converter runs it). Usage:
//   convert-breakdown IMAGE jpeg|png|heic|avif|webp [MAX_KB] [REPETITIONS] [WORKERS]

#include "core/convert/ConvertError.h"
#include "core/convert/ConvertFormat.h"
#include "core/convert/Converter.h"
#include "core/convert/detail/ConverterSteps.h"
#include "platform/files/AtomicFile.h"
#include "platform/filters/LazyImage.h"
#include "platform/image/ImageSource.h"
#include "platform/image/detail/VipsRuntime.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>
#include <vips/vips8>
#include <webp/encode.h>

using namespace orvane;
using vips::VImage;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The median wall time of `repetitions` runs of `work`.
double median(int repetitions, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(secondsSince(start));
    }
    std::ranges::sort(times);
    return times[times.size() / 2];
}

void row(const std::string& what, double seconds, const std::string& note = "") {
    std::printf("  %-48s %8.3f s  %s\n", what.c_str(), seconds, note.c_str());
}

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// libwebp's advanced API straight on the bitmap's RGBX pixels, with the settings WebPEncodeRGB uses
// (the default preset at the quality) and the given thread level.
Bytes webpFromRGBX(const Bitmap& image, float quality, int threadLevel) {
    WebPConfig config;
    WebPPicture picture;
    if (!WebPConfigPreset(&config, WEBP_PRESET_DEFAULT, quality) || !WebPPictureInit(&picture)) {
        throw std::runtime_error("libwebp version mismatch");
    }
    config.thread_level = threadLevel;
    picture.width = image.width();
    picture.height = image.height();
    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
    const bool ok =
        WebPPictureImportRGBX(&picture, image.pixels().data(), static_cast<int>(image.bytesPerRow())) &&
        WebPEncode(&config, &picture);
    WebPPictureFree(&picture);
    Bytes bytes(writer.mem, writer.mem + writer.size);
    WebPMemoryWriterClear(&writer);
    if (!ok) {
        throw std::runtime_error("libwebp failed");
    }
    return bytes;
}

std::size_t vipsSaveSize(VImage image, const std::string& suffix, vips::VOption* options) {
    void* buffer = nullptr;
    std::size_t size = 0;
    image.write_to_buffer(suffix.c_str(), &buffer, &size, options);
    g_free(buffer);
    return size;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 6) {
        std::cerr
            << "usage: convert-breakdown IMAGE jpeg|png|heic|avif|webp [MAX_KB] [REPETITIONS] [WORKERS]\n";
        return 2;
    }
    const std::filesystem::path path = argv[1];
    const auto format = fromRawValue<ConvertFormat>(argv[2]);
    if (!format) {
        std::cerr << "convert-breakdown: unknown format " << argv[2] << '\n';
        return 2;
    }
    const std::optional<long long> maxKB =
        argc >= 4 && std::stoll(argv[3]) > 0 ? std::optional(std::stoll(argv[3])) : std::nullopt;
    const int repetitions = argc >= 5 ? std::max(1, std::stoi(argv[4])) : 3;
    const int workers = argc == 6 ? std::max(1, std::stoi(argv[5])) : 0;
    const std::filesystem::path output = std::filesystem::temp_directory_path() / "orvane-breakdown.out";

    bool different = false;
    try {
        VipsRuntime::ensure();
        std::printf("%s → %s%s, median of %d\n", path.filename().c_str(), argv[2],
                    maxKB ? (" within " + std::to_string(*maxKB) + " KB").c_str() : "", repetitions);

        // The converter's steps, as Converter::convert runs them.
        Bytes bytes;
        const double read = median(repetitions, [&] { bytes = readFile(path); });
        row("read the file", read);
        const SharedBytes shared = std::make_shared<const Bytes>(bytes);
        std::optional<ImageSource> source;
        const double open = median(repetitions, [&] { source = ImageSource::create(shared); });
        row("open (sniff, metadata, header)", open);
        std::optional<Bitmap> image;
        const int longSide = std::max(source->properties().pixelWidth.value_or(1),
                                      source->properties().pixelHeight.value_or(1));
        const double decode = median(repetitions, [&] { image = source->createThumbnail(longSide); });
        row("decode to a Bitmap", decode,
            std::to_string(image->width()) + "x" + std::to_string(image->height()));
        const ImageProperties properties =
            Converter::filterMetadata(source->properties(), MetadataPolicy::removeLocation);

        double encode = 0;
        Bytes encoded;
        if (maxKB) {
            struct Attempt {
                double quality;
                int width;
                int height;
                std::size_t bytes;
                double seconds;
            };
            std::vector<Attempt> attempts;
            const Converter::EncodeFunction recording = [&](const Bitmap& b, const ImageProperties& p,
                                                            ConvertFormat f, double q) {
                const auto start = Clock::now();
                Bytes out = Converter::encodeForSize(b, p, f, q);
                attempts.push_back({q, b.width(), b.height(), out.size(), secondsSince(start)});
                return out;
            };
            std::optional<Converter::BudgetResult> found;
            encode = median(repetitions, [&] {
                attempts.clear();
                found = Converter::encodeWithinBudget(*image, properties, *format, *maxKB * 1000, recording);
            });
            encoded = found->data;
            row("search within the size", encode,
                std::to_string(attempts.size()) + " encodings, quality " +
                    (found->quality ? std::to_string(*found->quality) : "none") + ", " +
                    std::to_string(found->image.width()) + "x" + std::to_string(found->image.height()) +
                    ", " + std::to_string(encoded.size()) + " bytes");
            for (const Attempt& attempt : attempts) {
                std::printf("      q %.4f  %5dx%-5d %9zu bytes %s %6.3f s\n", attempt.quality, attempt.width,
                            attempt.height, attempt.bytes,
                            attempt.bytes <= static_cast<std::size_t>(*maxKB * 1000) ? "fits" : "over",
                            attempt.seconds);
            }
            // The same search with its encodings made ahead on idle cores, as the pipeline runs it:
            // it must give the very same file.
            const int threads =
                workers > 0
                    ? workers
                    : Converter::searchWorkers(static_cast<std::int64_t>(image->width()) * image->height());
            std::optional<Converter::BudgetResult> concurrent;
            std::atomic<int> made = 0;
            const Converter::EncodeFunction counting = [&](const Bitmap& b, const ImageProperties& p,
                                                           ConvertFormat f, double q) {
                ++made;
                return Converter::encodeForSize(b, p, f, q);
            };
            const double concurrentTime = median(repetitions, [&] {
                made = 0;
                concurrent = Converter::encodeWithinBudgetConcurrently(
                    *image, properties, *format, *maxKB * 1000, threads, counting,
                    [&](double q) { return Converter::encoderSetting(*format, q); });
            });
            const bool same = concurrent->data == found->data && concurrent->quality == found->quality &&
                              concurrent->image.width() == found->image.width() &&
                              concurrent->image.height() == found->image.height();
            char ratio[64];
            std::snprintf(ratio, sizeof ratio, "%.2f", concurrentTime / encode);
            row("search, encoding ahead on " + std::to_string(threads) + " threads", concurrentTime,
                std::string(same ? "identical file" : "DIFFERENT FILE") + ", " + ratio +
                    "x the one-by-one time, " + std::to_string(made.load()) + " encodings");
            if (!same) {
                different = true;
            }
        } else {
            encode =
                median(repetitions, [&] { encoded = Converter::encode(*image, properties, *format, 0.85); });
            row("encode at quality 0.85", encode, std::to_string(encoded.size()) + " bytes");
        }
        const double write = median(repetitions, [&] { AtomicFile::write(output, encoded); });
        row("write the file", write);
        row("sum of the steps", read + open + decode + encode + write);

        ConvertOptions options;
        options.format = *format;
        options.quality = 0.85;
        options.maxKB = maxKB;
        options.metadata = MetadataPolicy::removeLocation;
        options.keepCaptureDate = true;
        const double whole = median(repetitions, [&] {
            const ConvertResult result = Converter::convert(ConvertInputURL{path}, options);
            Converter::write(result, output, true);
        });
        row("Converter::convert and write", whole);

        // What libvips alone needs for the same decode and (plain) encode.
        std::printf("libvips alone:\n");
        const double vipsDecode = median(repetitions, [&] {
            VImage loaded = VImage::new_from_buffer(bytes.data(), bytes.size(), "",
                                                    VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
            std::size_t size = 0;
            g_free(loaded.write_to_memory(&size));
        });
        row("decode to memory", vipsDecode);
        const VImage pixels = VipsRuntime::viewForEncoding(*image);
        if (*format == ConvertFormat::jpeg) {
            std::size_t plain = 0;
            std::size_t optimized = 0;
            const double plainTime = median(repetitions, [&] {
                plain = vipsSaveSize(pixels, ".jpg", VImage::option()->set("Q", 85)->set("strip", true));
            });
            row("jpegsave Q 85", plainTime, std::to_string(plain) + " bytes");
            const double optimizedTime = median(repetitions, [&] {
                optimized = vipsSaveSize(
                    pixels, ".jpg",
                    VImage::option()->set("Q", 85)->set("strip", true)->set("optimize_coding", true));
            });
            row("jpegsave Q 85, optimize_coding", optimizedTime, std::to_string(optimized) + " bytes");
        } else if (*format == ConvertFormat::webp) {
            std::size_t size = 0;
            const double time = median(repetitions, [&] {
                size = vipsSaveSize(pixels, ".webp", VImage::option()->set("Q", 85)->set("strip", true));
            });
            row("webpsave Q 85", time, std::to_string(size) + " bytes");
            std::printf(
                "encodeWebP's parts, and libwebp on the bitmap's own pixels with the same settings:\n");
            const double render = median(
                repetitions, [&] { (void)LazyImage::fromBitmap(*image).render(AlphaInfo::noneSkipLast); });
            row("render to an sRGB canvas (as encodeWebP does)", render);
            const Bytes plain = Converter::encodeWebP(*image, 0.85);
            for (const int threadLevel : {0, 1}) {
                Bytes bytes;
                const double seconds =
                    median(repetitions, [&] { bytes = webpFromRGBX(*image, 85, threadLevel); });
                row("WebPPictureImportRGBX + WebPEncode, threads " + std::to_string(threadLevel), seconds,
                    std::to_string(bytes.size()) + " bytes, " +
                        (bytes == plain ? "identical to encodeWebP's" : "DIFFERENT from encodeWebP's"));
            }
        }
        std::filesystem::remove(output);
        if (different) {
            std::cerr << "convert-breakdown: the concurrent search gave a different file\n";
            return 1;
        }
    } catch (const std::exception& error) {
        std::cerr << "convert-breakdown: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
