#include "editor/ExportFiles.h"

#include "platform/files/PrivateFolder.h"

namespace orvane::ExportFiles {

namespace fs = std::filesystem;

namespace {

const QString times = QStringLiteral("×");

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
    return PrivateFolder::inTemporaryFolder("orvane");
}

fs::path exportFolder() {
    return PrivateFolder::make(privateTemporaryFolder() / "export");
}

} // namespace orvane::ExportFiles
