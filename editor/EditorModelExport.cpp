#include "core/convert/Converter.h"
#include "editor/EditorModel.h"
#include "editor/ExportFiles.h"
#include "editor/FailureMessage.h"
#include "platform/Cancelled.h"
#include "platform/application/SystemMemory.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <exception>

namespace orvane {

namespace fs = std::filesystem;

namespace {

const QString preparePrefix = QStringLiteral("Couldn't prepare the file: ");

// What an export write came to; exceptions stay on the worker, so the main thread only reads.
struct ExportOutcome {
    std::optional<fs::path> url;
    std::optional<QString> error;
};

// Runs `write` (which writes the file at the path it is given) on a worker, into a folder of the
// export's own, and publishes the file, or its failure, on the main thread while `handle` is still
// the export wanted. A file that is not published is removed at once: nothing can be using it.
template <typename Write>
void writeExport(EditorModel& model, const TaskHandle& handle, fs::path name, Write write) {
    QtConcurrent::run(QThreadPool::globalInstance(), [name = std::move(name), write = std::move(write)] {
        ExportOutcome outcome;
        std::optional<fs::path> url;
        try {
            url = ExportFiles::newExportFolder() / name;
            write(*url);
            outcome.url = url;
        } catch (const Cancelled&) {
        } catch (const std::exception& error) {
            outcome.error = failureMessage(error);
        }
        if (url && !outcome.url) {
            ExportFiles::discard(*url);
        }
        // Encoding a full-size result frees as much as the result itself; it goes back with the
        // job's own memory rather than staying with this worker.
        SystemMemory::releaseFreeMemory();
        return outcome;
    }).then(&model, [&model, handle](const ExportOutcome& outcome) {
        // A superseded or cleared export publishes nothing, not even its failure.
        if (!handle.isCancelled()) {
            if (outcome.url) {
                model.setExportURL(outcome.url);
            } else if (outcome.error) {
                model.setErrorMessage(preparePrefix + *outcome.error);
            }
        } else if (outcome.url) {
            ExportFiles::discard(*outcome.url);
        }
        // Only the latest export may lower the flag: an older one ending first would say the
        // export is ready while the newer one is still being written.
        if (model.exportJob() == handle) {
            model.setIsPreparingExport(false);
        }
    });
}

} // namespace

void EditorModel::prepareExport() {
    if (convertedData_) {
        return;
    }
    if (exportJob_) {
        exportJob_->cancel();
    }
    setExportURL(std::nullopt);
    if (!result_ || !resultInfo_) {
        return;
    }
    setIsPreparingExport(true);
    const fs::path name = ExportFiles::imageFileName(sourceName_, resultInfo_, format_).toStdString();
    const Bitmap image = *result_;
    const ImageFiles::Format fileFormat = ExportFiles::imageFormat(format_);
    const std::optional<int> dpi = resultInfo_->dpi;
    const TaskHandle handle;
    setExportJob(handle);

    // Each export has a folder of its own, so a superseded write of the same name, ending late,
    // never replaces the current file.
    writeExport(*this, handle, name, [image, fileFormat, dpi](const fs::path& url) {
        ImageFiles::save(image, url, fileFormat, 0.92, dpi);
    });
}

void EditorModel::exportConverted(const ConvertResult& result, const QString& fileExtension,
                                  bool keepCaptureDate) {
    if (exportJob_) {
        exportJob_->cancel();
    }
    const TaskHandle handle;
    setExportJob(handle);
    setIsPreparingExport(true);
    writeExport(
        *this, handle, ExportFiles::convertedFileName(sourceName_, fileExtension).toStdString(),
        [result, keepCaptureDate](const fs::path& url) { Converter::write(result, url, keepCaptureDate); });
}

void EditorModel::exportImageResult() {
    if (resultInfo_ && resultInfo_->hasAlpha && format_ == ExportFormat::jpeg) {
        setFormat(ExportFormat::png);
    } else {
        prepareExport();
    }
}

ConvertInput EditorModel::conversionInput(const std::optional<ConvertInput>& sourceInput,
                                          const Bitmap& source) {
    if (sourceInput) {
        return *sourceInput;
    }
    auto png =
        std::make_shared<const Bytes>(Converter::encode(source, ImageProperties{}, ConvertFormat::png, 1.0));
    return ConvertInputData{std::move(png), std::nullopt};
}

} // namespace orvane
