#include "editor/ExportFiles.h"

#include "platform/files/FileError.h"
#include "platform/files/FileNameLength.h"
#include "platform/files/PrivateFolder.h"
#include "platform/files/RunFolder.h"

#include <atomic>
#include <cerrno>
#include <string>
#include <sys/stat.h>

namespace orvane::ExportFiles {

namespace fs = std::filesystem;

namespace {

const QString times = QStringLiteral("×");

std::atomic<bool> runFolderMade{false};
std::atomic<std::uint64_t> exportsMade{0};

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
    return fittedFileName(
        fileNameSafe(sourceName),
        QStringLiteral("-") + toolWord(info) + QStringLiteral(".") +
            QString::fromLatin1(extension.data(), static_cast<qsizetype>(extension.size())));
}

QString convertedFileName(const QString& sourceName, const QString& fileExtension) {
    return fittedFileName(fileNameSafe(sourceName), QStringLiteral(".") + fileExtension);
}

QString fittedFileName(const QString& stem, const QString& ending) {
    return QString::fromStdString(FileNameLength::fittedName(stem.toStdString(), ending.toStdString()));
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
    return PrivateFolder::inTemporaryFolder("orvane");
}

fs::path exportFolder() {
    static const RunFolder run(PrivateFolder::make(privateTemporaryFolder() / "export"));
    runFolderMade = true;
    return run.path();
}

fs::path newExportFolder() {
    const fs::path run = exportFolder();
    for (;;) {
        fs::path folder = run / std::to_string(++exportsMade);
        if (::mkdir(folder.c_str(), 0700) == 0) {
            return folder;
        }
        if (errno != EEXIST) {
            throw FileError::writeFailed(folder, errno);
        }
    }
}

void discard(const fs::path& preparedFile) {
    if (!runFolderMade || preparedFile.lexically_normal() != preparedFile ||
        preparedFile.parent_path().parent_path() != exportFolder()) {
        return;
    }
    std::error_code ignored;
    fs::remove_all(preparedFile.parent_path(), ignored);
}

} // namespace orvane::ExportFiles
