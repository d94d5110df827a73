#include "core/ImageFiles.h"
#include "core/Render.h"
#include "core/background/BackgroundRemover.h"
#include "core/background/StandardBackdrop.h"
#include "core/convert/ConvertError.h"
#include "core/convert/Converter.h"
#include "core/upscale/DeviceLimits.h"
#include "core/upscale/ModelLibrary.h"
#include "editor/EditorModel.h"
#include "editor/FailureMessage.h"
#include "editor/FinishedRun.h"
#include "editor/RunDetached.h"
#include "editor/ToolWork.h"
#include "platform/Cancelled.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <chrono>
#include <cmath>

namespace orvane {

namespace {

const QString preparingModelText = QStringLiteral("Preparing model…");
const QString workingText = QStringLiteral("Working…");
const QString enlargingText = QStringLiteral("Enlarging…");
const QString enhancingText = QStringLiteral("Enhancing…");
const QString convertingText = QStringLiteral("Converting…");

constexpr int printDpi = 300;
constexpr int maxTile = 256;
// Applied when there is no size plan, which happens only without a source.
constexpr double defaultFactor = 4.0;

QString statusFor(const UpscaleProgress& report) {
    if (report.passes < 2) {
        return workingText;
    }
    return QStringLiteral("Pass %1 of %2…").arg(report.pass).arg(report.passes);
}

} // namespace

// What a job works on, fixed when it starts, so that changing the options while it runs has no
// effect on it.
struct EditorModel::RunSnapshot {
    TaskHandle job;
    Tool tool;
    Bitmap source;
    std::optional<SizePlan> plan;
    UpscaleModel model;
    EnlargeTarget target;
    Backdrop backdrop;
    EnhanceOptions enhance;
    ConvertOptions convert;
    std::optional<ConvertInput> sourceInput;
    ModelLibrary* library;
    std::chrono::steady_clock::time_point started;
};

double EditorModel::requestedScale(const Bitmap& image) const {
    const double w = image.width();
    const double h = image.height();
    if (const auto* factor = std::get_if<EnlargeFactor>(&target_)) {
        return factor->factor;
    }
    if (const auto* print = std::get_if<EnlargePrint>(&target_)) {
        return print->size.requiredScale(image.width(), image.height(), printDpi);
    }
    const QSize screen = screenPixelSize();
    const double sw = screen.width();
    const double sh = screen.height();
    const bool landscapeImage = w >= h;
    const bool portraitScreen = sw < sh;
    // Turn the screen to the image's orientation; a square image counts as landscape.
    const bool sameOrientation = landscapeImage != portraitScreen;
    const double scale = sameOrientation ? std::max(sw / w, sh / h) : std::max(sh / w, sw / h);
    return std::isnan(scale) ? 1.0 : std::max(scale, 1.0);
}

QSize EditorModel::screenPixelSize() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const double ratio = screen->devicePixelRatio();
            return QSize(static_cast<int>(screen->size().width() * ratio),
                         static_cast<int>(screen->size().height() * ratio));
        }
    }
    return QSize(3840, 2160);
}

std::optional<EditorModel::SizePlan> EditorModel::sizePlan() const {
    if (!original_) {
        return std::nullopt;
    }
    const std::int64_t w = original_->width();
    const std::int64_t h = original_->height();
    const double requested = requestedScale(*original_);
    const double scale = DeviceLimits::maxScale(w, h, requested);
    // A factor lowered by less than a millionth is rounding, not the device's limit.
    return SizePlan{.scale = scale,
                    .width = static_cast<int>(std::llround(static_cast<double>(w) * scale)),
                    .height = static_cast<int>(std::llround(static_cast<double>(h) * scale)),
                    .clamped = requested - 0.000001 > scale};
}

Backdrop EditorModel::backdropValue() const {
    switch (backdrop_) {
    case BackdropChoice::transparent:
        return BackdropTransparent{};
    case BackdropChoice::white:
        return StandardBackdrop::white;
    case BackdropChoice::color: {
        const QColor rgb = backdropColor_.toRgb();
        return BackdropColor{rgb.redF(), rgb.greenF(), rgb.blueF()};
    }
    case BackdropChoice::blur:
        return StandardBackdrop::blur;
    }
    return BackdropTransparent{};
}

ModelLibrary& EditorModel::modelLibrary() const {
    return library_ ? *library_ : ModelLibrary::shared();
}

void EditorModel::setModelLibrary(ModelLibrary* library) {
    library_ = library;
}

bool EditorModel::isCurrentJob(const TaskHandle& job) const {
    return job_ && *job_ == job;
}

void EditorModel::setJobStatus(const TaskHandle& job, const QString& text) {
    // A job that was cancelled before it got going must not write over its successor's status.
    if (isCurrentJob(job)) {
        setStatus(text);
    }
}

void EditorModel::run() {
    if (!original_ || progress_) {
        return;
    }
    clearResult();
    setProgress(0.0);
    const auto started = std::chrono::steady_clock::now();
    setStatus(tool_ == Tool::enlarge ? preparingModelText : workingText);
    auto snapshot = std::make_shared<const RunSnapshot>(
        RunSnapshot{TaskHandle{}, tool_, *original_, sizePlan(), model_, target_, backdropValue(), enhance_,
                    convert_, sourceInput_, &modelLibrary(), started});
    setJob(snapshot->job);
    // The job starts in a later turn of the event loop, so that the caller returns at once.
    QMetaObject::invokeMethod(
        this, [this, snapshot] { startJob(snapshot); }, Qt::QueuedConnection);
}

void EditorModel::startJob(std::shared_ptr<const RunSnapshot> run) {
    const TaskHandle job = run->job;
    auto imageDone = [this, run](Outcome<Bitmap> outcome) {
        if (outcome.error) {
            failJob(run->job, outcome.error);
        } else {
            completeJob(run, std::move(*outcome.value), std::nullopt);
        }
    };
    switch (run->tool) {
    case Tool::enlarge: {
        setJobStatus(job, enlargingText);
        const double factor = run->plan ? run->plan->scale : defaultFactor;
        runDetached<Bitmap>(
            this,
            [run, factor, progress = reportProgress(job)] {
                const auto upscaler = run->library->upscaler(run->model);
                // The window lives on after the job, finished, failed or cancelled: what the run used
                // goes back to the system; the network stays loaded for the next one.
                const struct GiveBack {
                    const Upscaler& upscaler;
                    ~GiveBack() { upscaler.releaseWorkingMemory(); }
                } giveBack{*upscaler};
                // The plan was made on the main thread; the limit is applied once more where the
                // pixels are actually made.
                const double scale =
                    DeviceLimits::maxScale(run->source.width(), run->source.height(), factor);
                // The enlargement is opaque: transparency shows white, as in a JPEG conversion.
                return upscaler->upscale(Render::flattenedOnWhite(run->source), scale, maxTile, progress,
                                         run->job.token());
            },
            imageDone);
        return;
    }
    case Tool::background:
        runDetached<Bitmap>(
            this, [run] { return BackgroundRemover::composite(run->source, run->backdrop); }, imageDone);
        return;
    case Tool::enhance:
        setJobStatus(job, enhancingText);
        runDetached<Bitmap>(
            this,
            [run, progress = reportProgress(job)] {
                return enhanceWithDetail(run->source, run->enhance, progress, *run->library,
                                         run->job.token());
            },
            imageDone);
        return;
    case Tool::convert: {
        setJobStatus(job, convertingText);
        runDetached<std::pair<ConvertResult, std::optional<Bitmap>>>(
            this,
            [run] {
                std::optional<ConvertInput> input;
                try {
                    input = conversionInput(run->sourceInput, run->source);
                } catch (...) {
                    // A source that cannot even be encoded ends the job quietly.
                    throw Cancelled();
                }
                ConvertResult converted = Converter::convert(*input, run->convert);
                // As stored, without orientation: the converter already wrote the pixels upright.
                std::optional<Bitmap> image = ImageFiles::firstImage(converted.data);
                return std::pair(std::move(converted), std::move(image));
            },
            [this, run](Outcome<std::pair<ConvertResult, std::optional<Bitmap>>> outcome) {
                if (outcome.error) {
                    failJob(run->job, outcome.error);
                    return;
                }
                auto& [converted, image] = *outcome.value;
                if (!image) {
                    failJob(run->job, std::make_exception_ptr(ConvertError::unreadable()));
                    return;
                }
                completeJob(run, std::move(*image), std::move(converted));
            });
        return;
    }
    }
}

void EditorModel::completeJob(std::shared_ptr<const RunSnapshot> run, Bitmap image,
                              std::optional<ConvertResult> converted) {
    FinishedRun finished{run->job,
                         run->tool,
                         image,
                         image,
                         run->source,
                         std::move(converted),
                         QString::fromStdString(fileExtension(run->convert.format)),
                         run->convert.keepCaptureDate};
    switch (run->tool) {
    case Tool::enlarge:
        if (const auto* print = std::get_if<EnlargePrint>(&run->target)) {
            finished.label = QString::fromStdString(print->size.name) + QStringLiteral(" · 300 dpi");
            finished.dpi = printDpi;
        } else if (std::holds_alternative<EnlargeScreen>(run->target)) {
            finished.label = QStringLiteral("Screen size");
        } else {
            finished.label =
                QString::asprintf("%g", run->plan ? run->plan->scale : defaultFactor) + QStringLiteral("×");
        }
        break;
    case Tool::background:
        finished.label = QStringLiteral("Background removed");
        finished.hasAlpha = std::holds_alternative<BackdropTransparent>(run->backdrop);
        break;
    case Tool::enhance:
        finished.label = QStringLiteral("Enhanced");
        break;
    case Tool::convert:
        finished.label = QString::fromStdString(title(run->convert.format));
        finished.hasAlpha = run->convert.format != ConvertFormat::jpeg && Converter::hasAlpha(image);
        break;
    }
    if (run->job.isCancelled()) {
        failJob(run->job, std::make_exception_ptr(Cancelled{}));
        return;
    }
    runDetached<Bitmap>(
        this, [image] { return Render::downscaled(image, previewMax); },
        [this, run, finished = std::move(finished)](Outcome<Bitmap> outcome) mutable {
            // Cancelled while the preview was made: the editor may already hold another source,
            // which this result must not be shown with.
            if (run->job.isCancelled()) {
                failJob(run->job, std::make_exception_ptr(Cancelled{}));
                return;
            }
            if (outcome.value) {
                finished.preview = std::move(*outcome.value);
            }
            finished.seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - run->started).count();
            finishJob(finished);
        });
}

void EditorModel::failJob(const TaskHandle& job, std::exception_ptr error) {
    // A job that is no longer current belongs to a run or a photo the user has left; its failure,
    // however late, must not show over what the editor holds now.
    if (!isCurrentJob(job)) {
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const Cancelled&) {
        // The user stopped the job; there is nothing to tell.
    } catch (...) {
        setErrorMessage(failureMessage(std::current_exception()));
    }
    setProgress(std::nullopt);
    setStatus(std::nullopt);
}

void EditorModel::finishJob(const FinishedRun& run) {
    setResult(run.result);
    setResultPreview(run.preview);
    std::optional<std::int64_t> convertedBytes;
    std::optional<std::int64_t> sourceBytes;
    if (run.tool == Tool::convert && run.converted) {
        convertedBytes = static_cast<std::int64_t>(run.converted->data.size());
        sourceBytes = run.converted->sourceBytes;
    }
    setResultInfo(ResultInfo{.width = run.result.width(),
                             .height = run.result.height(),
                             .seconds = run.seconds,
                             .hasAlpha = run.hasAlpha,
                             .dpi = run.dpi,
                             .label = run.label,
                             .convertedBytes = convertedBytes,
                             .sourceBytes = sourceBytes});
    if (run.tool == Tool::convert && run.converted) {
        setConvertedData(
            ConvertedFile{std::make_shared<const Bytes>(run.converted->data), run.convertExtension});
    }
    afterFinish(run);
    if (isCurrentJob(run.job)) {
        setProgress(std::nullopt);
        setStatus(std::nullopt);
    }
}

void EditorModel::afterFinish(const FinishedRun& run) {
    recordJob(run.result, run.source, run.converted, run.convertExtension, run.dpi, run.label, run.tool);
    if (run.tool == Tool::convert && run.converted) {
        exportConverted(*run.converted, run.convertExtension, run.keepCaptureDate);
    } else {
        exportImageResult();
    }
}

Upscaler::ProgressHandler EditorModel::reportProgress(const TaskHandle& job) {
    return [self = QPointer<EditorModel>(this), job](const UpscaleProgress& report) {
        // Posted to the application object, which outlives the editor, rather than to the editor
        // itself, which this thread cannot know to be alive.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, job, report] {
                if (!self || !self->progress_ || !self->isCurrentJob(job)) {
                    return;
                }
                self->setProgress(report.fraction);
                self->setStatus(statusFor(report));
            },
            Qt::QueuedConnection);
    };
}

} // namespace orvane
