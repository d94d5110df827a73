#include "core/convert/Converter.h"
#include "editor/EditorModel.h"
#include "editor/ExportFiles.h"
#include "platform/Error.h"

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

    // The write is atomic (a temporary file renamed over the name), so a file of the same name is
    // replaced without ever being missing, and two writes of one name leave one whole file.
    QtConcurrent::run(QThreadPool::globalInstance(), [image, name, fileFormat, dpi] {
        ExportOutcome outcome;
        try {
            const fs::path url = ExportFiles::exportFolder() / name;
            ImageFiles::save(image, url, fileFormat, 0.92, dpi);
            outcome.url = url;
        } catch (const Cancelled&) {
        } catch (const std::exception& error) {
            outcome.error = QString::fromUtf8(error.what());
        }
        return outcome;
    }).then(this, [this, handle](const ExportOutcome& outcome) {
        // A superseded or cleared export publishes nothing, not even its failure.
        if (!handle.isCancelled()) {
            if (outcome.url) {
                setExportURL(outcome.url);
            } else if (outcome.error) {
                setErrorMessage(preparePrefix + *outcome.error);
            }
        }
        // Only the latest export may lower the flag: an older one ending first would say the
        // export is ready while the newer one is still being written.
        if (exportJob_ == handle) {
            setIsPreparingExport(false);
        }
    });
}

void EditorModel::exportConverted(const ConvertResult& result, const QString& fileExtension,
                                  bool keepCaptureDate) {
    fs::path url;
    try {
        url = ExportFiles::exportFolder() /
              ExportFiles::convertedFileName(sourceName_, fileExtension).toStdString();
    } catch (const std::exception& error) {
        setErrorMessage(preparePrefix + QString::fromUtf8(error.what()));
        return;
    }
    // Written atomically, replacing a file of the same name in one step.
    try {
        Converter::write(result, url, keepCaptureDate);
    } catch (const std::exception& error) {
        setErrorMessage(preparePrefix + QString::fromUtf8(error.what()));
        return;
    }
    setExportURL(url);
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
