#include "editor/EditorModel.h"

namespace orvane {

namespace {

// Stores even an equal value, because equal is not always identical (two strings of the same
// characters), but signals only a real change.
template <typename T> void assign(EditorModel& model, T& field, T value, void (EditorModel::*changed)()) {
    const bool differs = !(field == value);
    field = std::move(value);
    if (differs) {
        (model.*changed)();
    }
}

} // namespace

EditorModel::EditorModel(QObject* parent)
    : QObject(parent) {
    // Derived state signals with every input; a view reading it again costs less than tracking
    // whether the derived value really moved.
    for (const auto input : {&EditorModel::originalChanged, &EditorModel::targetChanged}) {
        connect(this, input, this, &EditorModel::sizePlanChanged);
    }
    for (const auto input : {&EditorModel::originalChanged, &EditorModel::sourceInputChanged}) {
        connect(this, input, this, &EditorModel::sourceSummaryChanged);
    }
    for (const auto input :
         {&EditorModel::originalChanged, &EditorModel::progressChanged, &EditorModel::isLoadingChanged}) {
        connect(this, input, this, &EditorModel::canRunChanged);
    }
}

void EditorModel::setOriginal(std::optional<Bitmap> value) {
    assign(*this, original_, std::move(value), &EditorModel::originalChanged);
}

void EditorModel::setOriginalPreview(std::optional<Bitmap> value) {
    assign(*this, originalPreview_, std::move(value), &EditorModel::originalPreviewChanged);
}

void EditorModel::setSourceName(QString value) {
    assign(*this, sourceName_, std::move(value), &EditorModel::sourceNameChanged);
}

void EditorModel::setResult(std::optional<Bitmap> value) {
    assign(*this, result_, std::move(value), &EditorModel::resultChanged);
}

void EditorModel::setResultPreview(std::optional<Bitmap> value) {
    assign(*this, resultPreview_, std::move(value), &EditorModel::resultPreviewChanged);
}

void EditorModel::setResultInfo(std::optional<ResultInfo> value) {
    assign(*this, resultInfo_, std::move(value), &EditorModel::resultInfoChanged);
}

void EditorModel::setExportURL(std::optional<std::filesystem::path> value) {
    // The file that is no longer current stays: "Copy" put only its address on the clipboard and
    // another program may still be reading it. The run's folder takes it when the next run starts.
    assign(*this, exportURL_, std::move(value), &EditorModel::exportURLChanged);
}

void EditorModel::setIsPreparingExport(bool value) {
    assign(*this, isPreparingExport_, std::move(value), &EditorModel::isPreparingExportChanged);
}

void EditorModel::setFocus(std::optional<JobPreset> value) {
    assign(*this, focus_, std::move(value), &EditorModel::focusChanged);
}

void EditorModel::setTool(Tool value) {
    assign(*this, tool_, std::move(value), &EditorModel::toolChanged);
}

void EditorModel::setTarget(EnlargeTarget value) {
    assign(*this, target_, std::move(value), &EditorModel::targetChanged);
}

void EditorModel::setModel(UpscaleModel value) {
    assign(*this, model_, std::move(value), &EditorModel::modelChanged);
}

void EditorModel::setBackdrop(BackdropChoice value) {
    assign(*this, backdrop_, std::move(value), &EditorModel::backdropChanged);
}

void EditorModel::setBackdropColor(QColor value) {
    assign(*this, backdropColor_, std::move(value), &EditorModel::backdropColorChanged);
}

void EditorModel::setEnhance(EnhanceOptions value) {
    assign(*this, enhance_, std::move(value), &EditorModel::enhanceChanged);
}

void EditorModel::setConvert(ConvertOptions value) {
    assign(*this, convert_, std::move(value), &EditorModel::convertChanged);
}

void EditorModel::setFormat(ExportFormat value) {
    const bool differs = format_ != value;
    assign(*this, format_, std::move(value), &EditorModel::formatChanged);
    if (differs) {
        prepareExport();
    }
}

void EditorModel::setProgress(std::optional<double> value) {
    assign(*this, progress_, std::move(value), &EditorModel::progressChanged);
}

void EditorModel::setStatus(std::optional<QString> value) {
    assign(*this, status_, std::move(value), &EditorModel::statusChanged);
}

void EditorModel::setErrorMessage(std::optional<QString> value) {
    assign(*this, errorMessage_, std::move(value), &EditorModel::errorMessageChanged);
}

void EditorModel::setJob(std::optional<TaskHandle> value) {
    assign(*this, job_, std::move(value), &EditorModel::jobChanged);
}

void EditorModel::setExportJob(std::optional<TaskHandle> value) {
    assign(*this, exportJob_, std::move(value), &EditorModel::exportJobChanged);
}

void EditorModel::setIsLoading(bool value) {
    assign(*this, isLoading_, value, &EditorModel::isLoadingChanged);
}

void EditorModel::setBatchJob(std::optional<TaskHandle> value) {
    assign(*this, batchJob_, std::move(value), &EditorModel::batchJobChanged);
}

// These three are written whole, never compared: comparing a photo's bytes on every write would
// cost more than the redraw it saves.
void EditorModel::setSourceInput(std::optional<ConvertInput> value) {
    sourceInput_ = std::move(value);
    emit sourceInputChanged();
}

void EditorModel::setConvertedData(std::optional<ConvertedFile> value) {
    convertedData_ = std::move(value);
    emit convertedDataChanged();
}

void EditorModel::setBatch(std::optional<BatchState> value) {
    batch_ = std::move(value);
    emit batchChanged();
}

} // namespace orvane
