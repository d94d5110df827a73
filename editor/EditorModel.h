#pragma once

#include "core/background/Backdrop.h"
#include "core/convert/ConvertInput.h"
#include "core/convert/ConvertOptions.h"
#include "core/convert/ConvertResult.h"
#include "core/enhance/EnhanceOptions.h"
#include "core/upscale/UpscaleModel.h"
#include "core/upscale/Upscaler.h"
#include "editor/BackdropChoice.h"
#include "editor/BatchState.h"
#include "editor/ConvertedFile.h"
#include "editor/EnlargeTarget.h"
#include "editor/ExportFormat.h"
#include "editor/JobGallery.h"
#include "editor/JobPreset.h"
#include "editor/ResultInfo.h"
#include "editor/TaskHandle.h"
#include "editor/Tool.h"
#include "platform/image/Bitmap.h"

#include <QColor>
#include <QFuture>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

// Qt asks an optional whether its value can be ordered by trying the expression, which a variant
// of unordered alternatives passes without being orderable.
template <>
struct QTypeTraits::has_operator_less_than<std::optional<orvane::ConvertInput>> : std::false_type {};

namespace orvane {

class ModelLibrary;
struct FinishedRun;

// The state of the window's one editing job: the source photo, the chosen tool and its options,
// the running job, the result with its export, and a batch conversion. Lives on the main thread;
// work done elsewhere hands its results back there.
//
// Every setter stores the new value, but signals only when it differs from the old one by its
// type's equality (images by identity, task handles by task, NaN never equal). `sourceInput`,
// `convertedData` and `batch` signal on every write, because their values are too large to
// compare.
class EditorModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<orvane::Bitmap> original READ original WRITE setOriginal NOTIFY originalChanged)
    Q_PROPERTY(std::optional<orvane::Bitmap> originalPreview READ originalPreview WRITE setOriginalPreview
                   NOTIFY originalPreviewChanged)
    Q_PROPERTY(QString sourceName READ sourceName WRITE setSourceName NOTIFY sourceNameChanged)
    Q_PROPERTY(std::optional<orvane::ConvertInput> sourceInput READ sourceInput WRITE setSourceInput NOTIFY
                   sourceInputChanged)
    Q_PROPERTY(std::optional<orvane::Bitmap> result READ result WRITE setResult NOTIFY resultChanged)
    Q_PROPERTY(std::optional<orvane::Bitmap> resultPreview READ resultPreview WRITE setResultPreview NOTIFY
                   resultPreviewChanged)
    Q_PROPERTY(std::optional<orvane::ResultInfo> resultInfo READ resultInfo WRITE setResultInfo NOTIFY
                   resultInfoChanged)
    Q_PROPERTY(std::optional<std::filesystem::path> exportURL READ exportURL WRITE setExportURL NOTIFY
                   exportURLChanged)
    Q_PROPERTY(bool isPreparingExport READ isPreparingExport WRITE setIsPreparingExport NOTIFY
                   isPreparingExportChanged)
    Q_PROPERTY(std::optional<orvane::ConvertedFile> convertedData READ convertedData WRITE setConvertedData
                   NOTIFY convertedDataChanged)
    Q_PROPERTY(std::optional<orvane::JobPreset> focus READ focus WRITE setFocus NOTIFY focusChanged)
    Q_PROPERTY(orvane::Tool tool READ tool WRITE setTool NOTIFY toolChanged)
    Q_PROPERTY(orvane::EnlargeTarget target READ target WRITE setTarget NOTIFY targetChanged)
    Q_PROPERTY(orvane::UpscaleModel model READ model WRITE setModel NOTIFY modelChanged)
    Q_PROPERTY(orvane::BackdropChoice backdrop READ backdrop WRITE setBackdrop NOTIFY backdropChanged)
    Q_PROPERTY(QColor backdropColor READ backdropColor WRITE setBackdropColor NOTIFY backdropColorChanged)
    Q_PROPERTY(orvane::EnhanceOptions enhance READ enhance WRITE setEnhance NOTIFY enhanceChanged)
    Q_PROPERTY(orvane::ConvertOptions convert READ convert WRITE setConvert NOTIFY convertChanged)
    Q_PROPERTY(orvane::ExportFormat format READ format WRITE setFormat NOTIFY formatChanged)
    Q_PROPERTY(std::optional<double> progress READ progress WRITE setProgress NOTIFY progressChanged)
    Q_PROPERTY(std::optional<QString> status READ status WRITE setStatus NOTIFY statusChanged)
    Q_PROPERTY(std::optional<QString> errorMessage READ errorMessage WRITE setErrorMessage NOTIFY
                   errorMessageChanged)
    Q_PROPERTY(std::optional<orvane::TaskHandle> job READ job WRITE setJob NOTIFY jobChanged)
    Q_PROPERTY(
        std::optional<orvane::TaskHandle> exportJob READ exportJob WRITE setExportJob NOTIFY exportJobChanged)
    Q_PROPERTY(std::optional<orvane::BatchState> batch READ batch WRITE setBatch NOTIFY batchChanged)
    Q_PROPERTY(
        std::optional<orvane::TaskHandle> batchJob READ batchJob WRITE setBatchJob NOTIFY batchJobChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(bool canRun READ canRun NOTIFY canRunChanged)

public:
    // The planned output of an enlargement.
    struct SizePlan {
        // The factor applied once the device's limit is taken into account.
        double scale = 1;
        int width = 0;
        int height = 0;
        // The device's limit lowered the requested factor.
        bool clamped = false;
        friend bool operator==(const SizePlan&, const SizePlan&) = default;
    };

    // The long-edge limit of both preview images.
    static constexpr int previewMax = 4096;

    explicit EditorModel(QObject* parent = nullptr);

    // The source photo as decoded, full size, and reduced for display.
    const std::optional<Bitmap>& original() const { return original_; }
    void setOriginal(std::optional<Bitmap> value);
    const std::optional<Bitmap>& originalPreview() const { return originalPreview_; }
    void setOriginalPreview(std::optional<Bitmap> value);
    // The source's file name without its extension, for the names of output files.
    const QString& sourceName() const { return sourceName_; }
    void setSourceName(QString value);
    // The source file's bytes, the input of the convert tool.
    const std::optional<ConvertInput>& sourceInput() const { return sourceInput_; }
    void setSourceInput(std::optional<ConvertInput> value);

    const std::optional<Bitmap>& result() const { return result_; }
    void setResult(std::optional<Bitmap> value);
    const std::optional<Bitmap>& resultPreview() const { return resultPreview_; }
    void setResultPreview(std::optional<Bitmap> value);
    const std::optional<ResultInfo>& resultInfo() const { return resultInfo_; }
    void setResultInfo(std::optional<ResultInfo> value);
    // The prepared export file.
    const std::optional<std::filesystem::path>& exportURL() const { return exportURL_; }
    void setExportURL(std::optional<std::filesystem::path> value);
    bool isPreparingExport() const { return isPreparingExport_; }
    void setIsPreparingExport(bool value);
    // A convert run's encoded file with its format's extension.
    const std::optional<ConvertedFile>& convertedData() const { return convertedData_; }
    void setConvertedData(std::optional<ConvertedFile> value);

    // The home-screen preset the job screen was opened with; the window sets and clears it.
    const std::optional<JobPreset>& focus() const { return focus_; }
    void setFocus(std::optional<JobPreset> value);
    Tool tool() const { return tool_; }
    void setTool(Tool value);
    const EnlargeTarget& target() const { return target_; }
    void setTarget(EnlargeTarget value);
    UpscaleModel model() const { return model_; }
    void setModel(UpscaleModel value);
    BackdropChoice backdrop() const { return backdrop_; }
    void setBackdrop(BackdropChoice value);
    // Used by the `color` backdrop.
    const QColor& backdropColor() const { return backdropColor_; }
    void setBackdropColor(QColor value);
    const EnhanceOptions& enhance() const { return enhance_; }
    void setEnhance(EnhanceOptions value);
    const ConvertOptions& convert() const { return convert_; }
    void setConvert(ConvertOptions value);
    // The export format of the image tools' results.
    ExportFormat format() const { return format_; }
    void setFormat(ExportFormat value);

    // Present exactly while a job runs: the fraction done, 0 to 1.
    std::optional<double> progress() const { return progress_; }
    void setProgress(std::optional<double> value);
    const std::optional<QString>& status() const { return status_; }
    void setStatus(std::optional<QString> value);
    // Shown in the window's alert; the window clears it when the alert is dismissed.
    const std::optional<QString>& errorMessage() const { return errorMessage_; }
    void setErrorMessage(std::optional<QString> value);
    // Handles stay stored after their tasks end, until replaced or cleared.
    const std::optional<TaskHandle>& job() const { return job_; }
    void setJob(std::optional<TaskHandle> value);
    const std::optional<TaskHandle>& exportJob() const { return exportJob_; }
    void setExportJob(std::optional<TaskHandle> value);

    const std::optional<BatchState>& batch() const { return batch_; }
    void setBatch(std::optional<BatchState> value);
    // Changes the running batch in place, with one signal for the whole change; nothing happens
    // without a batch.
    template <typename Change> void modifyBatch(Change&& change) {
        if (!batch_) {
            return;
        }
        std::forward<Change>(change)(*batch_);
        emit batchChanged();
    }
    const std::optional<TaskHandle>& batchJob() const { return batchJob_; }
    void setBatchJob(std::optional<TaskHandle> value);

    // Photo intake. None of these throws: a failure becomes `errorMessage`, and then nothing
    // else changes. Reading, decoding and reducing happen on worker threads while `isLoading`
    // holds; the outcome is applied here on the main thread, and only while no newer load, source
    // or clearing has come since.

    // Makes the image file at `url` the source; camera RAW files are developed.
    void loadFile(const std::filesystem::path& url);
    // Makes encoded image bytes the source; an empty or absent name reads as "photo".
    void loadData(SharedBytes data, std::optional<QString> name = std::nullopt);
    // Makes a decoded image the source at once, without file bytes: stops the running job and
    // clears the result. An image larger than the preview has no preview until it has been made
    // in the background (`isLoading` meanwhile).
    void setSource(const Bitmap& image, std::optional<QString> name = std::nullopt);
    // Removes the source, the result and any running job; `sourceName` stays until the next load.
    void clearSource();
    // Removes the result and stops preparing the export; the exported file itself stays on disk.
    void clearResult();
    // Asks the running job to stop and forgets it at once; its late work publishes nothing.
    void cancelJob();
    // Makes the current result the new source, keeping the name, tool, preset and options; its
    // preview is the result's, or is made as `setSource` makes it.
    void useResultAsSource();
    // "JPEG · 2.4 MB · 4032 × 3024": the type and size only when the source has file bytes.
    // `sourceSummaryChanged` follows it.
    std::optional<QString> sourceSummary() const;
    // From the start of a load (or of making a new source's preview) until its outcome is
    // applied; a newer load, source or clearing takes over and the older one is dropped.
    bool isLoading() const { return isLoading_; }
    // A source is there, nothing is loading, and no job runs.
    bool canRun() const { return original_.has_value() && !progress_ && !isLoading_; }

    // Sets the tool and the options a home-screen preset stands for. It neither focuses the
    // preset nor clears anything.
    void apply(const JobPreset& preset);

    // Running a tool. A run works on a copy of the options taken when it starts.

    // The enlargement factor the current target asks for this image; at least 1 for the print
    // and screen targets.
    double requestedScale(const Bitmap& image) const;
    // The primary screen in device pixels; 3840 × 2160 (1920 × 1080 at scale 2) when there is no
    // screen, as without a window system.
    static QSize screenPixelSize();
    // None without a source; `sizePlanChanged` follows it.
    std::optional<SizePlan> sizePlan() const;
    // The library's backdrop for the current backdrop choice.
    Backdrop backdropValue() const;
    // Starts the chosen tool on the source as the new current job; does nothing without a source
    // or while a job runs.
    void run();
    // The progress handler given to the library for `job`: callable on any thread; each report is
    // applied later on the main thread, and only while `job` is still the current job.
    Upscaler::ProgressHandler reportProgress(const TaskHandle& job);
    // The library that supplies the networks; the process's shared one unless tests set another,
    // which must outlive every job started with it.
    ModelLibrary& modelLibrary() const;
    void setModelLibrary(ModelLibrary* library);

    // Export preparation.

    // (Re)writes the image tools' result in the export format into the private "export" folder
    // in the background and publishes it in `exportURL`; a convert result is left alone.
    void prepareExport();
    // Writes a convert run's encoded file there as it is, at once; `fileExtension` without the
    // dot. Failures become `errorMessage`.
    void exportConverted(const ConvertResult& result, const QString& fileExtension, bool keepCaptureDate);
    // A finished image tool's export: switches a `jpeg` format to `png` when the result has
    // transparency (the format's change prepares the export), else prepares it directly.
    void exportImageResult();
    // The input of a conversion: the source's own bytes, or, for a source without file bytes,
    // the image encoded as PNG at full quality without metadata. Throws ConvertError when that
    // encoding fails.
    static ConvertInput conversionInput(const std::optional<ConvertInput>& sourceInput, const Bitmap& source);

    // Writes a finished job into the gallery in the background; nothing ever reaches the user,
    // and the future gives the record, or none when it was not written. `conversion` only for
    // convert runs, with the extension (no dot) of its format; `dpi` and `label` as in
    // `resultInfo`.
    QFuture<std::optional<JobRecord>> recordJob(const Bitmap& result, const Bitmap& input,
                                                const std::optional<ConvertResult>& conversion,
                                                const QString& conversionExtension, std::optional<int> dpi,
                                                const QString& label, Tool tool);
    // The gallery jobs are recorded in; `JobGallery::shared()` until another is given. The
    // model does not own it.
    void setGallery(JobGallery* gallery) { gallery_ = gallery; }

    // Batch conversion.

    static std::vector<BatchState::Item> collectBatchItems(const std::vector<std::filesystem::path>& urls);
    // No items: nothing; one: loads it for the convert tool; more: starts the batch in the given
    // folder, or, without one, keeps the items and asks for a folder through
    // `batchFolderRequested`, to be answered with `answerBatchFolder`.
    void beginBatch(std::vector<BatchState::Item> items,
                    std::optional<std::filesystem::path> outputDir = std::nullopt);
    // The answer to the latest `batchFolderRequested`: starts the waiting batch in the folder, or
    // drops its items when there is none (the user cancelled). Without a waiting batch, nothing.
    Q_SLOT void answerBatchFolder(std::optional<std::filesystem::path> folder);
    // Starts a batch with a copy of the current `convert` options; a batch still running is
    // cancelled, so that it stops writing files nobody sees counted.
    void startBatch(std::vector<BatchState::Item> items, std::filesystem::path outputDir);
    // The batch sheet's "Stop": the file being converted is still written and counted.
    void stopBatch();
    // Closing the batch sheet: cancels the batch and removes it; `batchJob` stays.
    void cancelBatch();

signals:
    void originalChanged();
    void originalPreviewChanged();
    void sourceNameChanged();
    void sourceInputChanged();
    void resultChanged();
    void resultPreviewChanged();
    void resultInfoChanged();
    void exportURLChanged();
    void isPreparingExportChanged();
    void convertedDataChanged();
    void focusChanged();
    void toolChanged();
    void targetChanged();
    void modelChanged();
    void backdropChanged();
    void backdropColorChanged();
    void enhanceChanged();
    void convertChanged();
    void formatChanged();
    void progressChanged();
    void statusChanged();
    void errorMessageChanged();
    void jobChanged();
    void exportJobChanged();
    void batchChanged();
    void batchJobChanged();
    void isLoadingChanged();
    // Derived state: each fires whenever one of its inputs may have changed.
    void sizePlanChanged();
    void sourceSummaryChanged();
    void canRunChanged();
    // A batch of `itemCount` files waits for its output folder (see `answerBatchFolder`).
    void batchFolderRequested(std::size_t itemCount);

private:
    struct RunSnapshot;
    // A photo decoded and reduced off the main thread, ready to become the source.
    struct LoadedSource {
        Bitmap image;
        Bitmap preview;
        ConvertInputData input;
    };
    void setIsLoading(bool value);
    // Starts a load that supersedes every earlier one; the number tells whether it still is the
    // latest when its outcome arrives.
    std::uint64_t beginLoad();
    // Applies a load's outcome (none: it failed) if no newer load, source or clearing came since.
    void finishLoad(std::uint64_t load, std::optional<LoadedSource> loaded, std::optional<QString> name);
    // `setSource` with the preview already made, or none while it is being made.
    void applySource(const Bitmap& image, std::optional<Bitmap> preview, std::optional<QString> name);
    // Makes the preview of `load`'s source on a worker and ends the load with it.
    void makePreviewLater(const Bitmap& image, std::uint64_t load);
    void startJob(std::shared_ptr<const RunSnapshot> run);
    void completeJob(std::shared_ptr<const RunSnapshot> run, Bitmap image,
                     std::optional<ConvertResult> converted);
    void failJob(const TaskHandle& job, std::exception_ptr error);
    void setJobStatus(const TaskHandle& job, const QString& text);
    bool isCurrentJob(const TaskHandle& job) const;
    void finishJob(const FinishedRun& run);
    // The one place a finished job hands over to recording and export.
    void afterFinish(const FinishedRun& run);
    ModelLibrary* library_ = nullptr;

    std::optional<Bitmap> original_;
    std::optional<Bitmap> originalPreview_;
    QString sourceName_ = QStringLiteral("photo");
    std::optional<ConvertInput> sourceInput_;
    std::optional<Bitmap> result_;
    std::optional<Bitmap> resultPreview_;
    std::optional<ResultInfo> resultInfo_;
    std::optional<std::filesystem::path> exportURL_;
    bool isPreparingExport_ = false;
    std::optional<ConvertedFile> convertedData_;
    std::optional<JobPreset> focus_;
    Tool tool_ = Tool::enlarge;
    EnlargeTarget target_ = EnlargeFactor{4.0};
    UpscaleModel model_ = UpscaleModel::fast;
    BackdropChoice backdrop_ = BackdropChoice::transparent;
    QColor backdropColor_ = QColor::fromRgbF(0.95f, 0.95f, 0.95f, 1.0f);
    EnhanceOptions enhance_;
    ConvertOptions convert_{
        ConvertFormat::jpeg, 0.85, std::nullopt, std::nullopt, MetadataPolicy::removeLocation, true, false};
    ExportFormat format_ = ExportFormat::jpeg;
    std::optional<double> progress_;
    std::optional<QString> status_;
    std::optional<QString> errorMessage_;
    std::optional<TaskHandle> job_;
    std::optional<TaskHandle> exportJob_;
    std::optional<BatchState> batch_;
    std::optional<TaskHandle> batchJob_;
    QPointer<JobGallery> gallery_;
    bool isLoading_ = false;
    std::uint64_t loadGeneration_ = 0;
    // The batch that waits for its output folder.
    std::optional<std::vector<BatchState::Item>> pendingBatch_;
};

} // namespace orvane
