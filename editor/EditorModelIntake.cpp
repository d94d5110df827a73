#include "core/ImageFiles.h"
#include "core/Render.h"
#include "core/convert/Converter.h"
#include "editor/ByteCountText.h"
#include "editor/EditorModel.h"
#include "platform/FileBytes.h"
#include "platform/ImageSource.h"
#include "platform/UniformType.h"

#include <QStringList>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace orvane {

namespace fs = std::filesystem;

namespace {

const QString unreadableMessage = QStringLiteral("That file couldn't be opened as an image.");

// The data type known for a file-name extension (without the dot).
std::optional<std::string> typeHint(std::string_view extension) {
    if (extension.empty()) {
        return std::nullopt;
    }
    const auto type = UniformType::fromFilenameExtension(extension, "public.data");
    return type ? std::optional(type->identifier()) : std::nullopt;
}

std::optional<std::string> typeHintOfFile(const fs::path& url) {
    const std::string extension = url.extension().string();
    return extension.empty() ? std::nullopt : typeHint(std::string_view(extension).substr(1));
}

} // namespace

// Linux has no sandbox that grants access per file, so a file the user chose is simply read with
// the user's own rights.
void EditorModel::loadFile(const fs::path& url) {
    const auto bytes = FileBytes::read(url);
    if (!bytes) {
        setErrorMessage(unreadableMessage);
        return;
    }
    // The image is decoded from the very bytes that become the convert tool's input, so the two
    // can never be of different files.
    const ConvertInputData input{std::make_shared<const Bytes>(std::move(*bytes)), typeHintOfFile(url)};
    std::optional<Bitmap> image;
    try {
        if (Converter::isRaw(input)) {
            image = Converter::decodeRaw(input);
        } else {
            image = ImageFiles::loadFromData(input.data);
        }
    } catch (const std::exception&) {
        setErrorMessage(unreadableMessage);
        return;
    }
    setSource(*image, QString::fromStdString(url.stem().string()));
    setSourceInput(input);
}

void EditorModel::loadData(SharedBytes data, std::optional<QString> name) {
    if (!data) {
        setErrorMessage(unreadableMessage);
        return;
    }
    // One source serves both the type identifier and the decoding.
    const auto source = ImageSource::create(data);
    std::optional<Bitmap> image;
    try {
        if (!source) {
            throw std::runtime_error("no image");
        }
        image = ImageFiles::decode(*source, std::nullopt);
    } catch (const std::exception&) {
        setErrorMessage(unreadableMessage);
        return;
    }
    std::optional<std::string> hint = source->typeIdentifier();
    setSource(*image, std::move(name));
    setSourceInput(ConvertInputData{std::move(data), std::move(hint)});
}

void EditorModel::setSource(const Bitmap& image, std::optional<QString> name) {
    cancelJob();
    setOriginal(image);
    setOriginalPreview(Render::downscaled(image, previewMax));
    setSourceName(name && !name->isEmpty() ? std::move(*name) : QStringLiteral("photo"));
    setSourceInput(std::nullopt);
    clearResult();
}

void EditorModel::clearSource() {
    cancelJob();
    setOriginal(std::nullopt);
    setOriginalPreview(std::nullopt);
    setSourceInput(std::nullopt);
    clearResult();
}

void EditorModel::clearResult() {
    setResult(std::nullopt);
    setResultPreview(std::nullopt);
    setResultInfo(std::nullopt);
    setConvertedData(std::nullopt);
    // The handle stays: it names the export task that was last started, finished or not.
    if (exportJob_) {
        exportJob_->cancel();
    }
    setExportURL(std::nullopt);
    setIsPreparingExport(false);
}

void EditorModel::cancelJob() {
    if (job_) {
        job_->cancel();
    }
    setJob(std::nullopt);
    setProgress(std::nullopt);
    setStatus(std::nullopt);
}

void EditorModel::useResultAsSource() {
    if (!result_) {
        return;
    }
    // Only a conversion leaves file bytes behind; any other result is a bare image, which the
    // convert tool encodes first.
    if (convertedData_) {
        setSourceInput(
            ConvertInputData{convertedData_->bytes, typeHint(convertedData_->fileExtension.toStdString())});
    } else {
        setSourceInput(std::nullopt);
    }
    const Bitmap image = *result_;
    setOriginal(image);
    setOriginalPreview(resultPreview_ ? *resultPreview_ : Render::downscaled(image, previewMax));
    clearResult();
}

std::optional<QString> EditorModel::sourceSummary() const {
    if (!original_) {
        return std::nullopt;
    }
    QStringList parts;
    const auto* input = sourceInput_ ? std::get_if<ConvertInputData>(&*sourceInput_) : nullptr;
    if (input && input->typeHint) {
        if (const auto type = UniformType::fromIdentifier(*input->typeHint)) {
            if (const auto extension = type->preferredFilenameExtension()) {
                parts << QString::fromStdString(*extension).toUpper();
            } else if (!type->localizedDescription().empty()) {
                parts << QString::fromStdString(type->localizedDescription());
            } else {
                parts << QStringLiteral("Image");
            }
        }
    }
    if (input) {
        parts << byteCountText(input->data ? static_cast<std::int64_t>(input->data->size()) : 0);
    }
    parts << QStringLiteral("%1 × %2").arg(original_->width()).arg(original_->height());
    return parts.join(QStringLiteral(" · "));
}

} // namespace orvane
