#pragma once

#include "core/convert/ConvertFormat.h"
#include "intents/IntentFile.h"

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

namespace orvane {

// Where the command line puts an action's result, settled before the action runs so that a
// destination that cannot take it is refused before any work.
class OutputDestination {
public:
    enum class Kind {
        standardOutput, // "-", or the process's own standard output by name
        folder,         // the result goes in, under its own name
        file,           // the result goes there, or beside it numbered when the name is taken;
                        // a pipe, a socket or a device of that name takes it as a file would
    };

    // From --output (none: the current folder), or beside `image` when `beside` is set.
    static OutputDestination resolve(const std::optional<std::string>& output, bool beside,
                                     const std::filesystem::path& image);

    Kind kind() const { return kind_; }
    const std::filesystem::path& path() const { return path_; }

    // Throws FileError, naming the file and why, when the result could not be written there now
    // (a missing folder, no permission, a read-only disk). `filename` is the result's own name, which
    // it gets in a folder.
    void checkWritable(const std::string& filename) const;

    // Writes the result; never replaces anything, and never opens anything that is there. Returns
    // the written file's path, none for standard output. A result carrying a capture date is dated with it.
    // Throws FileError, saying why, when the bytes could not all be written (also to standard output).
    std::optional<std::filesystem::path> write(const IntentFile& result, std::ostream& standardOutput) const;

private:
    OutputDestination(Kind kind, std::filesystem::path path)
        : kind_(kind)
        , path_(std::move(path)) {}
    Kind kind_;
    std::filesystem::path path_;
};

// Whether a file named `path` may hold `format`: true when its extension is one of the format's
// (any case) or it has none. "photo.jpeg" fits JPEG; "new.png" does not fit WebP.
bool extensionFits(const std::filesystem::path& path, ConvertFormat format);

} // namespace orvane
