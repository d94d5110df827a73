#include "editor/ByteCountText.h"
#include "editor/EditorModel.h"
#include "editor/ExportFiles.h"
#include "platform/files/FileNameLength.h"

namespace orvane {

QFuture<std::optional<JobRecord>> EditorModel::recordJob(const Bitmap& result, const Bitmap& input,
                                                         const std::optional<ConvertResult>& conversion,
                                                         const QString& conversionExtension,
                                                         std::optional<int> dpi, const QString& label,
                                                         Tool tool) {
    // A focused preset names the job even when another tool ran, because the user opened the job
    // as that preset.
    const QString jobTitle = focus_ ? focus_->title : title(tool);
    const QString jobSymbol = focus_ ? focus_->symbol : symbol(tool);
    QString detail = label;
    std::optional<ConvertedFile> stored;
    if (conversion) {
        detail += QStringLiteral(" · ") + byteCountText(static_cast<std::int64_t>(conversion->data.size()));
        stored = ConvertedFile{std::make_shared<const Bytes>(conversion->data), conversionExtension};
    }
    const bool asPNG = resultInfo_ && resultInfo_->hasAlpha;
    // Only the preset or tool part is cleaned; the user's own file name is kept as it is, short of
    // anything that would lead out of the job's folder, and short of its end when the stored file's
    // name would be too long for the file system (a job that can't be written is lost).
    const QString titlePart = QStringLiteral("-") + jobTitle.toLower()
                                                        .replace(QStringLiteral(" "), QStringLiteral("-"))
                                                        .replace(QStringLiteral("×"), QStringLiteral("x"));
    const QString ending = titlePart + QStringLiteral(".") + JobGallery::resultExtension(asPNG, stored);
    const QString baseName =
        QString::fromStdString(FileNameLength::fittedStem(
            ExportFiles::fileNameSafe(sourceName_).toStdString(), ending.toStdString())) +
        titlePart;
    const Bitmap before = originalPreview_ ? *originalPreview_ : input;
    JobGallery& gallery = gallery_ ? *gallery_ : JobGallery::shared();
    return gallery.add(result, before, jobTitle, jobSymbol, detail, baseName, asPNG, dpi, std::move(stored));
}

} // namespace orvane
