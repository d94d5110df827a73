#include "core/ImageFiles.h"
#include "core/Render.h"
#include "core/convert/ConvertInput.h"
#include "editor/ByteCountText.h"
#include "editor/EditorModel.h"
#include "editor/RunDetached.h"
#include "platform/files/FileBytes.h"
#include "platform/image/ImageSource.h"
#include "platform/image/UniformType.h"

#include <QStringList>
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

bool fitsPreview(const Bitmap& image) {
    return std::max(image.width(), image.height()) <= EditorModel::previewMax;
}

Bitmap previewOf(const Bitmap& image) {
    return fitsPreview(image) ? image : Render::downscaled(image, EditorModel::previewMax);
}

// A decoded photo with the bytes it came from.
using Decoded = std::pair<Bitmap, ConvertInputData>;

// Both roads in decode alike: the content decides the format, and a file's name matters only
// for camera RAW files that LibRaw alone recognises. Returns the type the source was taken for.
std::pair<Bitmap, std::string> decodeBytes(const SharedBytes& data,
                                           const std::optional<std::string>& typeHint) {
    const auto source = ImageSource::create(data, typeHint);
    if (!source) {
        throw std::runtime_error("no image");
    }
    return {ImageFiles::decode(*source, std::nullopt), source->typeIdentifier()};
}

Decoded decodeFile(const fs::path& url) {
    auto bytes = FileBytes::read(url);
    if (!bytes) {
        throw std::runtime_error("unreadable file");
    }
    // The image is decoded from the very bytes that become the convert tool's input, so the two
    // can never be of different files.
    ConvertInputData input{std::make_shared<const Bytes>(std::move(*bytes)), typeHintOfFile(url)};
    Bitmap image = decodeBytes(input.data, input.typeHint).first;
    return {std::move(image), std::move(input)};
}

Decoded decodeData(SharedBytes data) {
    if (!data) {
        throw std::runtime_error("no bytes");
    }
    auto [image, type] = decodeBytes(data, std::nullopt);
    return {std::move(image), ConvertInputData{std::move(data), std::move(type)}};
}

} // namespace

std::uint64_t EditorModel::beginLoad() {
    ++loadGeneration_;
    setIsLoading(true);
    return loadGeneration_;
}

// Linux has no sandbox that grants access per file, so a file the user chose is simply read with
// the user's own rights.
void EditorModel::loadFile(const fs::path& url) {
    const auto load = beginLoad();
    runDetached<LoadedSource>(
        this,
        [url] {
            auto [image, input] = decodeFile(url);
            return LoadedSource{image, previewOf(image), std::move(input)};
        },
        [this, load, name = QString::fromStdString(url.stem().string())](Outcome<LoadedSource> outcome) {
            finishLoad(load, std::move(outcome.value), name);
        });
}

void EditorModel::loadData(SharedBytes data, std::optional<QString> name) {
    const auto load = beginLoad();
    runDetached<LoadedSource>(
        this,
        [data = std::move(data)] {
            auto [image, input] = decodeData(data);
            return LoadedSource{image, previewOf(image), std::move(input)};
        },
        [this, load, name = std::move(name)](Outcome<LoadedSource> outcome) {
            finishLoad(load, std::move(outcome.value), name);
        });
}

void EditorModel::finishLoad(std::uint64_t load, std::optional<LoadedSource> loaded,
                             std::optional<QString> name) {
    // A newer load, source or clearing has taken over: this one is dropped, failure included.
    if (load != loadGeneration_) {
        return;
    }
    if (loaded) {
        applySource(loaded->image, loaded->preview, std::move(name));
        // The two loads set it after the source, so a loaded source always has its bytes.
        setSourceInput(std::move(loaded->input));
    } else {
        // The previous source, result and running job stay as they were.
        setErrorMessage(unreadableMessage);
    }
    setIsLoading(false);
}

void EditorModel::setSource(const Bitmap& image, std::optional<QString> name) {
    const auto load = ++loadGeneration_;
    const bool fits = fitsPreview(image);
    // Set first, so that the new source is never seen as ready to run without its preview.
    setIsLoading(!fits);
    applySource(image, fits ? std::optional(image) : std::nullopt, std::move(name));
    if (!fits) {
        makePreviewLater(image, load);
    }
}

void EditorModel::applySource(const Bitmap& image, std::optional<Bitmap> preview,
                              std::optional<QString> name) {
    cancelJob();
    setOriginal(image);
    setOriginalPreview(std::move(preview));
    setSourceName(name && !name->isEmpty() ? std::move(*name) : QStringLiteral("photo"));
    setSourceInput(std::nullopt);
    clearResult();
}

void EditorModel::makePreviewLater(const Bitmap& image, std::uint64_t load) {
    runDetached<Bitmap>(
        this, [image] { return Render::downscaled(image, previewMax); },
        [this, load](Outcome<Bitmap> outcome) {
            if (load != loadGeneration_) {
                return;
            }
            // Without a preview the views have nothing to draw, but the source itself is sound.
            if (outcome.value) {
                setOriginalPreview(std::move(outcome.value));
            }
            setIsLoading(false);
        });
}

void EditorModel::clearSource() {
    ++loadGeneration_;
    setIsLoading(false);
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
    const auto load = ++loadGeneration_;
    const Bitmap image = *result_;
    const bool ready = resultPreview_ || fitsPreview(image);
    setIsLoading(!ready);
    setOriginal(image);
    setOriginalPreview(resultPreview_ ? resultPreview_ : ready ? std::optional(image) : std::nullopt);
    if (!ready) {
        makePreviewLater(image, load);
    }
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
