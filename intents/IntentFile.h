#pragma once

#include "platform/Bitmap.h"
#include "platform/ImageSource.h"
#include "platform/UniformType.h"

#include <optional>
#include <string>

namespace orvane {

// A file handed to or returned by an action: its bytes, its name and, when known, its type.
struct IntentFile {
    Bytes data;
    std::string filename;
    std::optional<UniformType> type;
};

// The input's first image, decoded upright at full size. Throws EnlargeIntentError::unreadable,
// the actions' own sentence, in place of the library's error.
Bitmap decodedImage(const IntentFile& input);

// The base of every action's output name: the input's name without its last extension, or
// "photo" when nothing is left.
std::string outputBaseName(const IntentFile& input);

} // namespace orvane
