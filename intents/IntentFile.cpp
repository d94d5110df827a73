#include "intents/IntentFile.h"

#include "core/ImageFiles.h"
#include "intents/EnlargeIntentError.h"
#include "platform/files/FileError.h"
#include "platform/files/FileNameLength.h"

namespace orvane {

Bitmap decodedImage(const IntentFile& input) {
    try {
        return ImageFiles::loadFromData(input.data);
    } catch (const FileError& error) {
        // An image too large for this device is readable; saying so tells the user what to do.
        if (error.code() == FileError::Code::fileReadTooLarge) {
            throw;
        }
        throw EnlargeIntentError::unreadable();
    } catch (const Error&) {
        throw EnlargeIntentError::unreadable();
    }
}

std::string outputBaseName(const IntentFile& input) {
    std::string name = input.filename;
    // Only the last path component carries an extension; a leading dot names a hidden file, not
    // an extension, and trailing slashes are not part of the name.
    while (name.size() > 1 && name.back() == '/') {
        name.pop_back();
    }
    const std::size_t slash = name.rfind('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > start && dot + 1 < name.size()) {
        name.erase(dot);
    }
    return name.empty() ? "photo" : name;
}

std::string outputFileName(const IntentFile& input, std::string_view ending) {
    return FileNameLength::fittedName(outputBaseName(input), ending);
}

} // namespace orvane
