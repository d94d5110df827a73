#include "editor/ExportFiles.h"

#include "platform/files/FileError.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::ExportFiles {

namespace fs = std::filesystem;

namespace {

const QString times = QStringLiteral("×");

// A folder is trusted only when it is not a link, is a folder, belongs to this user and gives
// nobody else any access.
bool isPrivateFolder(const fs::path& folder) {
    struct stat status {};
    if (::lstat(folder.c_str(), &status) != 0) {
        return false;
    }
    return S_ISDIR(status.st_mode) && status.st_uid == ::getuid() && (status.st_mode & 077) == 0;
}

// Made with mode 0700 from the start, so that there is no moment in which others could enter.
fs::path privateFolder(const fs::path& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        throw FileError::writeFailed(folder, errno);
    }
    if (!isPrivateFolder(folder)) {
        throw FileError(FileError::Code::fileWriteUnknown);
    }
    return folder;
}

} // namespace

QString toolWord(const std::optional<ResultInfo>& info) {
    if (!info) {
        return QStringLiteral("enlarged");
    }
    const QString& label = info->label;
    if (label.endsWith(times)) {
        return QString(label).replace(times, QStringLiteral("x"));
    }
    if (label == QStringLiteral("Background removed")) {
        return QStringLiteral("cutout");
    }
    if (label == QStringLiteral("Enhanced")) {
        return QStringLiteral("enhanced");
    }
    return QStringLiteral("enlarged");
}

QString fileNameSafe(const QString& sourceName) {
    QString name = sourceName;
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    name.remove(QChar(0));
    return name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral("..")
               ? QStringLiteral("photo")
               : name;
}

QString imageFileName(const QString& sourceName, const std::optional<ResultInfo>& info, ExportFormat format) {
    const std::string_view extension = fileExtension(format);
    return fileNameSafe(sourceName) + QStringLiteral("-") + toolWord(info) + QStringLiteral(".") +
           QString::fromLatin1(extension.data(), static_cast<qsizetype>(extension.size()));
}

QString convertedFileName(const QString& sourceName, const QString& fileExtension) {
    return fileNameSafe(sourceName) + QStringLiteral(".") + fileExtension;
}

ImageFiles::Format imageFormat(ExportFormat format) {
    switch (format) {
    case ExportFormat::png:
        return ImageFiles::Format::png;
    case ExportFormat::heic:
        return ImageFiles::Format::heic;
    case ExportFormat::jpeg:
        break;
    }
    return ImageFiles::Format::jpeg;
}

fs::path privateTemporaryFolder() {
    std::error_code error;
    const fs::path system = fs::temp_directory_path(error);
    if (error) {
        throw FileError(FileError::Code::fileWriteUnknown);
    }
    return privateFolder(system / ("orvane-" + std::to_string(::getuid())));
}

fs::path exportFolder() {
    return privateFolder(privateTemporaryFolder() / "export");
}

} // namespace orvane::ExportFiles
