#include "editor/BatchConversion.h"

#include "core/convert/Converter.h"
#include "platform/files/AtomicFile.h"
#include "platform/files/FileBytes.h"
#include "platform/files/FileError.h"
#include "platform/files/FileNameLength.h"
#include "platform/image/UniformType.h"

#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace orvane::BatchConversion {

namespace fs = std::filesystem;

namespace {

QString fromPath(const fs::path& path) {
    return QString::fromStdString(path.string());
}

std::string extensionOf(const fs::path& path) {
    const std::string extension = path.extension().string();
    return extension.empty() ? extension : extension.substr(1);
}

std::optional<UniformType> dataType(const fs::path& path) {
    const std::string extension = extensionOf(path);
    if (extension.empty()) {
        return std::nullopt;
    }
    return UniformType::fromFilenameExtension(extension);
}

bool isImageName(const fs::path& path) {
    const auto type = dataType(path);
    return type && type->conforms(UniformType::image());
}

// Whether the nearest existing folder at or above `folder` is on the same disk as `outputDir`.
bool onTheSameDisk(const fs::path& outputDir, fs::path folder) {
    struct stat output {};
    struct stat below {};
    if (::stat(outputDir.c_str(), &output) != 0) {
        return false;
    }
    while (::stat(folder.c_str(), &below) != 0) {
        if (!folder.has_relative_path()) {
            return false;
        }
        folder = folder.parent_path();
    }
    return output.st_dev == below.st_dev;
}

// Why the chosen output folder itself can take no file, once an item's write into `folder` (the
// output folder or one of its sub-folders) failed with `error`; 0 when the fault is the item's own:
// its sub-folder read-only or refused by the disk, its file too large for the space left on
// another disk. The output folder is asked again, as the error alone can't tell which folder it
// concerns.
int outputFolderFault(const fs::path& outputDir, const fs::path& folder, int error) {
    if (error == 0) {
        return 0;
    }
    try {
        AtomicFile::checkWritable(outputDir / "x");
    } catch (const FileError& fault) {
        return fault.systemError() != 0 ? fault.systemError() : error;
    }
    if ((error == ENOSPC || error == EDQUOT) && onTheSameDisk(outputDir, folder)) {
        return error;
    }
    return 0;
}

bool isHidden(const fs::path& path) {
    return path.filename().string().starts_with('.');
}

BatchState::Item itemFor(const fs::path& path, QString relativeDir) {
    return {fromPath(path.stem()), BatchState::FileSource{path}, std::move(relativeDir)};
}

// Entries by name, so that the same folder always gives the same order (and a rerun gives each
// source the same numbered output name as before).
std::vector<fs::directory_entry> sortedEntries(const fs::path& folder) {
    std::vector<fs::directory_entry> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error)) {
        entries.push_back(*it);
    }
    std::sort(entries.begin(), entries.end(),
              [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });
    return entries;
}

void collectFolder(const fs::path& folder, const fs::path& base, std::vector<BatchState::Item>& items) {
    for (const auto& entry : sortedEntries(folder)) {
        const fs::path& path = entry.path();
        if (isHidden(path)) {
            continue;
        }
        if (isImageName(path)) {
            QString relativeDir =
                QString::fromStdString(path.parent_path().lexically_relative(base).generic_string());
            while (relativeDir.startsWith('/')) {
                relativeDir.remove(0, 1);
            }
            while (relativeDir.endsWith('/')) {
                relativeDir.chop(1);
            }
            items.push_back(itemFor(path, std::move(relativeDir)));
        }
        // Symbolic links to folders are not followed, so a link loop cannot trap the walk.
        std::error_code error;
        if (entry.is_directory(error) && !entry.is_symlink(error)) {
            collectFolder(path, base, items);
        }
    }
}

struct Run {
    TaskHandle handle;
    std::vector<BatchState::Item> items;
    ItemWork work;
    QPointer<QObject> context;
    ResultHandler onResult;
    FinishHandler onFinish;
};

// On the context's thread. One item at a time: the next starts only once the last was reported.
void step(const std::shared_ptr<Run>& run, std::size_t index) {
    if (!run->context) {
        return;
    }
    if (index >= run->items.size() || run->handle.isCancelled()) {
        run->onFinish(run->handle);
        return;
    }
    QtConcurrent::run([run, index] {
        try {
            return run->work(run->items[index], index);
        } catch (...) {
            return ItemResult{run->items[index].name, std::nullopt, 0, 0};
        }
    }).then(run->context.get(), [run, index](ItemResult result) {
        run->onResult(run->handle, result);
        step(run, index + 1);
    });
}

} // namespace

std::vector<BatchState::Item> collectItems(const std::vector<fs::path>& urls) {
    std::vector<BatchState::Item> items;
    for (const auto& url : urls) {
        fs::path path = fs::absolute(url).lexically_normal();
        // "Trip/" names the folder Trip, whose parent is the base of its items.
        if (path.filename().empty() && path.has_relative_path()) {
            path = path.parent_path();
        }
        std::error_code error;
        const auto status = fs::status(path, error);
        if (error || !fs::exists(status)) {
            continue;
        }
        if (fs::is_directory(status)) {
            collectFolder(path, path.parent_path(), items);
        } else if (isImageName(path)) {
            items.push_back(itemFor(path, {}));
        }
    }
    return items;
}

Decision decide(const std::vector<BatchState::Item>& items) {
    switch (items.size()) {
    case 0:
        return Decision::nothing;
    case 1:
        return Decision::singlePhoto;
    default:
        return Decision::batch;
    }
}

QString folderPanelPrompt() {
    return QStringLiteral("Save Here");
}

QString folderPanelMessage(std::size_t itemCount) {
    return QStringLiteral("Choose where to save %1 converted files").arg(itemCount);
}

fs::path destinationFolder(const fs::path& outputDir, const QString& relativeDir) {
    return relativeDir.isEmpty() ? outputDir : outputDir / relativeDir.toStdString();
}

void record(BatchState& state, const ItemResult& result) {
    if (result.output) {
        state.outputs.push_back(*result.output);
        state.bytesIn += result.bytesIn;
        state.bytesOut += result.bytesOut;
    } else {
        state.failed.push_back(result.name);
        if (result.outputFolderError != 0 && !state.folderProblem) {
            state.folderProblem =
                QString::fromStdString(FileError::writeFailureReason(result.outputFolderError));
        }
    }
    state.done += 1;
}

std::error_code MadeFolders::make(const fs::path& outputDir, const fs::path& folder) {
    std::vector<fs::path> missing;
    std::error_code error;
    for (fs::path level = folder;
         level != outputDir && level.has_relative_path() && !fs::exists(level, error);
         level = level.parent_path()) {
        missing.push_back(level);
    }
    // FUSE and network file systems can answer that a call was interrupted; it is made again.
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::create_directories(folder, error);
        if (error != std::errc::interrupted) {
            break;
        }
    }
    const std::lock_guard lock(mutex_);
    for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
        std::error_code ignored;
        if (fs::is_directory(*level, ignored)) {
            made_.push_back(*level);
        }
    }
    return error;
}

void MadeFolders::removeEmpty() {
    const std::lock_guard lock(mutex_);
    for (auto folder = made_.rbegin(); folder != made_.rend(); ++folder) {
        std::error_code error;
        if (fs::is_empty(*folder, error) && !error) {
            fs::remove(*folder, error);
        }
    }
    made_.clear();
}

ItemResult convertItem(const BatchState::Item& item, const ConvertOptions& options, const fs::path& outputDir,
                       MadeFolders* made) {
    ItemResult failed{item.name, std::nullopt, 0, 0};
    try {
        const fs::path& source = std::get<BatchState::FileSource>(item.source).url;
        auto bytes = FileBytes::read(source);
        if (!bytes) {
            return failed;
        }
        std::optional<std::string> typeHint;
        if (const auto type = dataType(source)) {
            typeHint = type->identifier();
        }
        const ConvertResult result = Converter::convert(
            ConvertInputData{std::make_shared<const Bytes>(std::move(*bytes)), typeHint}, options);

        const fs::path folder = destinationFolder(outputDir, item.relativeDir);
        std::error_code error;
        if (made != nullptr) {
            error = made->make(outputDir, folder);
        } else {
            fs::create_directories(folder, error);
        }
        if (error) {
            failed.outputFolderError = outputFolderFault(outputDir, folder, error.value());
            return failed;
        }
        // The numbered name is taken at the moment of the rename, so a file that appears between
        // choosing a name and writing it is never replaced.
        // A source name that fitted with its own extension may not with a longer one.
        try {
            const fs::path written = AtomicFile::writeNew(
                folder / FileNameLength::fittedName(item.name.toStdString(),
                                                    "." + std::string(fileExtension(options.format))),
                result.data, options.keepCaptureDate ? result.captureDate : std::nullopt);
            return {item.name, written, result.sourceBytes, static_cast<std::int64_t>(result.data.size())};
        } catch (const FileError& error) {
            failed.outputFolderError = outputFolderFault(outputDir, folder, error.systemError());
            return failed;
        }
    } catch (...) {
        return failed;
    }
}

TaskHandle start(std::vector<BatchState::Item> items, ConvertOptions options, fs::path outputDir,
                 QObject* context, ResultHandler onResult, FinishHandler onFinish) {
    auto made = std::make_shared<MadeFolders>();
    ItemWork work = [options = std::move(options), outputDir = std::move(outputDir),
                     made](const BatchState::Item& item, std::size_t) {
        return convertItem(item, options, outputDir, made.get());
    };
    FinishHandler finish = [made, onFinish = std::move(onFinish)](const TaskHandle& run) {
        made->removeEmpty();
        onFinish(run);
    };
    return start(std::move(items), std::move(work), context, std::move(onResult), std::move(finish));
}

TaskHandle start(std::vector<BatchState::Item> items, ItemWork work, QObject* context, ResultHandler onResult,
                 FinishHandler onFinish) {
    auto run = std::make_shared<Run>(Run{TaskHandle{}, std::move(items), std::move(work), context,
                                         std::move(onResult), std::move(onFinish)});
    // Even the first step waits for the event loop, so that the caller holds the handle before
    // anything (an empty batch's finish, say) is reported.
    QMetaObject::invokeMethod(
        context, [run] { step(run, 0); }, Qt::QueuedConnection);
    return run->handle;
}

} // namespace orvane::BatchConversion
