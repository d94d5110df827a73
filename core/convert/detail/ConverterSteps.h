#pragma once

// The converter's inner steps, used by the pipeline and its tests.

#include "core/convert/Converter.h"
#include "platform/filters/LazyImage.h"

#include <chrono>
#include <functional>
#include <optional>

namespace orvane::Converter {

struct Decoded {
    Bitmap image; // the first image, full size, upright, in its own colour profile
    ImageProperties properties;
    std::optional<std::chrono::system_clock::time_point> captureDate;
    std::int64_t sourceBytes = 0;
};

Decoded decode(const ConvertInput& input);
std::optional<std::chrono::system_clock::time_point> captureDate(const ImageProperties& properties);
Bitmap flattenOnWhite(const Bitmap& image);
LazyImage flattenOnWhite(const LazyImage& image);
ImageProperties filterMetadata(const ImageProperties& source, MetadataPolicy policy);

struct BudgetResult {
    Bytes data;
    std::optional<double> quality;
    Bitmap image;
};
using EncodeFunction = std::function<Bytes(const Bitmap&, const ImageProperties&, ConvertFormat, double)>;

// `encode` as a size target encodes: a JPEG with Huffman tables computed for the picture. The
// target is met at low qualities, where they make a file a fifth to a third smaller, and so the
// photo is reduced less often; its encodings at once are held to what memory allows.
Bytes encodeForSize(const Bitmap& image, const ImageProperties& properties, ConvertFormat format,
                    double quality);

// Finds the best quality, and if need be a smaller size, at which the encoded file is at most
// `budget` bytes. Throws ConvertError::cannotReachSize when no size works.
BudgetResult encodeWithinBudget(const Bitmap& image, const ImageProperties& properties, ConvertFormat format,
                                std::int64_t budget, const EncodeFunction& encoder = encodeForSize);

// The same search, with the encodings its order may need next made ahead on up to `workers`
// threads: the first fitting file in the search's own order is taken, so the result is the one
// encodeWithinBudget gives. Qualities with the same `setting` share one encoding, as they give the
// same file. `encoder` must be safe to call from several threads at once.
BudgetResult encodeWithinBudgetConcurrently(const Bitmap& image, const ImageProperties& properties,
                                            ConvertFormat format, std::int64_t budget, int workers,
                                            const EncodeFunction& encoder,
                                            const std::function<double(double quality)>& setting);
// With `encodeForSize` and its encoders' own settings.
BudgetResult encodeWithinBudgetConcurrently(const Bitmap& image, const ImageProperties& properties,
                                            ConvertFormat format, std::int64_t budget, int workers);
// What of `quality` the format's encoder uses: two qualities with the same setting give one file.
double encoderSetting(ConvertFormat format, double quality);
bool fitsBudget(std::size_t byteCount, std::int64_t budget);
// How many encodings the converter's size target makes at once for an image of `pixels`: one a
// core, as far as memory allows.
int searchWorkers(std::int64_t pixels);
int searchWorkers(std::int64_t pixels, unsigned cores, std::uint64_t physicalMemory);

// The WebP encoder's failures as the converter's: an image larger than a WebP file may be is
// refused (ConvertRequestError), any other failure is ConvertError::encodeFailed.
Bytes encodeWebP(const Bitmap& image, double quality);

} // namespace orvane::Converter
