#pragma once

#include "core/convert/ConvertFormat.h"
#include "core/convert/ConvertInput.h"
#include "core/convert/ConvertOptions.h"
#include "core/convert/ConvertResult.h"
#include "platform/image/Bitmap.h"
#include "platform/metadata/ImageProperties.h"

#include <filesystem>

namespace orvane::Converter {

// The whole pipeline: decode (camera RAW included), limit the long edge, flatten transparency for
// JPEG, filter the metadata, and encode once or search quality and size until the file fits.
ConvertResult convert(const ConvertInput& input, const ConvertOptions& options);

// One encoding at `quality` (used only by lossy formats). Throws ConvertError::encodeFailed.
Bytes encode(const Bitmap& image, const ImageProperties& properties, ConvertFormat format, double quality);

// Writes the result atomically; with `keepCaptureDate` and a capture date, the file is dated with
// it (a failure of the dating is ignored).
void write(const ConvertResult& result, const std::filesystem::path& url, bool keepCaptureDate);

bool isRaw(const ConvertInput& input);
// Develops a camera RAW file into an opaque 8-bit sRGB image. Throws ConvertError::unreadable.
Bitmap decodeRaw(const ConvertInput& input);
bool hasAlpha(const Bitmap& image);

} // namespace orvane::Converter
