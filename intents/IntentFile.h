#pragma once

#include "platform/files/Bytes.h"
#include "platform/image/Bitmap.h"
#include "platform/image/UniformType.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// A file handed to or returned by an action: its bytes, its name and, when known, its type. A
// returned file may also carry the photo's capture date, which whoever writes it gives the file as
// its modification date.
struct IntentFile {
    Bytes data;
    std::string filename;
    std::optional<UniformType> type;
    std::optional<std::chrono::system_clock::time_point> captureDate = std::nullopt;
};

// The input's first image, decoded upright at full size. Throws EnlargeIntentError::unreadable,
// the actions' own sentence, in place of the library's error.
Bitmap decodedImage(const IntentFile& input);

// The base of every action's output name: the input's name without its last extension, or
// "photo" when nothing is left.
std::string outputBaseName(const IntentFile& input);

// An action's output name: `outputBaseName`, then `ending` (the action's suffix and the extension,
// such as "-4x.jpg"), the base shortened when the whole would be too long for a file system.
std::string outputFileName(const IntentFile& input, std::string_view ending);

} // namespace orvane
