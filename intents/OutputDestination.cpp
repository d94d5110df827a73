#include "intents/OutputDestination.h"

#include "platform/files/AtomicFile.h"
#include "platform/files/FileError.h"

#include <cerrno>
#include <ostream>

namespace orvane {

namespace fs = std::filesystem;

namespace {

bool namesStandardOutput(const std::string& output) {
    const std::string name = fs::path(output).lexically_normal().string();
    return output == "-" || name == "/dev/stdout" || name == "/dev/fd/1" || name == "/proc/self/fd/1";
}

} // namespace

OutputDestination OutputDestination::resolve(const std::optional<std::string>& output, bool beside,
                                             const fs::path& image) {
    if (beside) {
        return {Kind::folder, image.has_parent_path() ? image.parent_path() : fs::path()};
    }
    if (!output) {
        return {Kind::folder, fs::path()};
    }
    if (namesStandardOutput(*output)) {
        return {Kind::standardOutput, fs::path()};
    }
    const fs::path target(*output);
    std::error_code error;
    if (fs::is_directory(target, error) || output->ends_with('/')) {
        return {Kind::folder, target};
    }
    return {Kind::file, target};
}

void OutputDestination::checkWritable(const std::string& filename) const {
    switch (kind_) {
    case Kind::standardOutput:
        return;
    case Kind::folder: {
        // The current folder is named in full, so that a message about it says which one.
        const fs::path folder = path_.empty() ? fs::current_path() : path_;
        AtomicFile::checkWritable(folder / filename);
        return;
    }
    case Kind::file:
        AtomicFile::checkWritable(path_);
        return;
    }
}

std::optional<fs::path> OutputDestination::write(const IntentFile& result,
                                                 std::ostream& standardOutput) const {
    switch (kind_) {
    case Kind::standardOutput:
        errno = 0;
        standardOutput.write(reinterpret_cast<const char*>(result.data.data()),
                             static_cast<std::streamsize>(result.data.size()));
        standardOutput.flush();
        if (!standardOutput) {
            throw FileError::standardOutputFailed(errno);
        }
        return std::nullopt;
    case Kind::folder:
        return AtomicFile::writeNew(path_ / result.filename, result.data, result.captureDate);
    case Kind::file:
        return AtomicFile::writeNew(path_, result.data, result.captureDate);
    }
    return std::nullopt;
}

bool extensionFits(const fs::path& path, ConvertFormat format) {
    const std::string extension = path.extension().string();
    if (extension.size() <= 1) {
        return true;
    }
    const auto named = UniformType::fromFilenameExtension(extension.substr(1));
    if (!named) {
        return false;
    }
    const UniformType written = utType(format);
    // HEIC is one kind of HEIF: a .heif name may hold it.
    return *named == written ||
           (named->conforms("public.heif-standard") && written.conforms("public.heif-standard"));
}

} // namespace orvane
