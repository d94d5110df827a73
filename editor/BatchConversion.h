#pragma once

#include "core/convert/ConvertOptions.h"
#include "editor/BatchState.h"
#include "editor/TaskHandle.h"

#include <QObject>
#include <QString>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

// Converting many files, or whole folders of them, with one set of options into one output folder
// that mirrors the dropped folders.
//
// How the editor model drives it (everything on the main thread):
//
//   items = BatchConversion::collectItems(urls);
//   switch (BatchConversion::decide(items)) { ... }  // nothing / load the one photo / a batch
//   setBatch(BatchState::fresh(items, folder));
//   setBatchJob(BatchConversion::start(items, convert(), folder, this,
//       [this](const TaskHandle& run, const BatchConversion::ItemResult& result) {
//           if (run != batchJob()) return;            // a late result of an older run
//           modifyBatch([&](BatchState& b) { BatchConversion::record(b, result); });
//       },
//       [this](const TaskHandle& run) {
//           if (run != batchJob()) return;
//           modifyBatch([](BatchState& b) { b.finished = true; });
//       }));
//   Stop:   batchJob()->cancel(); modifyBatch(finished = true);
//   Close:  batchJob()->cancel(); setBatch(none);
//
// The identity test matters: a cancelled run still reports the file it was converting, and by
// then a newer batch may hold `batch`. Starting a new batch should also cancel the run it
// replaces; otherwise that run goes on writing files into its own folder that nobody sees counted.
namespace orvane::BatchConversion {

// Every image among the given files and folders, in the given order; folders are walked
// recursively, each folder's entries by name, a folder before its contents. Hidden entries
// (names beginning with ".") are skipped, and a hidden folder's contents with them. Files and
// folders alike are judged by their extension alone, so a folder named "old.png" is an item (that
// fails to read) and its contents are collected too. Paths that do not exist are skipped.
std::vector<BatchState::Item> collectItems(const std::vector<std::filesystem::path>& urls);

enum class Decision {
    nothing,     // no items
    singlePhoto, // exactly one: it is loaded as the editor's photo for the convert tool
    batch,       // two or more: ask for an output folder and start a batch
};
Decision decide(const std::vector<BatchState::Item>& items);

// The output-folder chooser's texts.
QString folderPanelPrompt();
QString folderPanelMessage(std::size_t itemCount);

// Where an item's output goes: the output folder, or its sub-folder named by `relativeDir`.
std::filesystem::path destinationFolder(const std::filesystem::path& outputDir, const QString& relativeDir);

// What became of one item.
struct ItemResult {
    QString name;
    // The file written; none when the item failed.
    std::optional<std::filesystem::path> output;
    std::int64_t bytesIn = 0;
    std::int64_t bytesOut = 0;
    // Why the chosen output folder itself could take no file (errno: gone, read-only, full, no
    // permission), when that is why the item wasn't written; 0 when it was written, or failed for a
    // reason of its own (its sub-folder, its name, its size).
    int outputFolderError = 0;

    bool succeeded() const { return output.has_value(); }
    friend bool operator==(const ItemResult&, const ItemResult&) = default;
};

// Counts one processed item into the state: its output and byte counts, or its name as failed and,
// when the output folder itself couldn't take it, why (said once for the batch).
void record(BatchState& state, const ItemResult& result);

// The sub-folders that a batch made below its output folder, so that those it leaves empty (every
// item in them failed) go again when it ends. Safe on any thread.
class MadeFolders {
public:
    // Makes `folder` and the folders up to it below `outputDir`, noting those that were missing.
    std::error_code make(const std::filesystem::path& outputDir, const std::filesystem::path& folder);
    // Removes the noted folders that are empty, the deepest first.
    void removeEmpty();

private:
    std::mutex mutex_;
    std::vector<std::filesystem::path> made_;
};

// Reads, converts and writes one item into `outputDir`, creating its sub-folder (noted in `made`
// when given). The file gets the item's name and the format's extension, with " 2", " 3" and so on
// before the extension when the name is taken; nothing is ever overwritten, even by a file
// appearing meanwhile. Never throws: any failure is a failed result. Safe on any thread; blocks.
ItemResult convertItem(const BatchState::Item& item, const ConvertOptions& options,
                       const std::filesystem::path& outputDir, MadeFolders* made = nullptr);

using ResultHandler = std::function<void(const TaskHandle& run, const ItemResult& result)>;
using FinishHandler = std::function<void(const TaskHandle& run)>;
// The work for one item, run on a worker thread; `index` is its place in the batch.
using ItemWork = std::function<ItemResult(const BatchState::Item& item, std::size_t index)>;

// Converts the items one after another on worker threads, with this copy of the options. Each
// item's result, and at the end the finish, is handed to `context`'s (the main) thread; both
// handlers get the run's handle so that the caller can ignore a run it no longer holds.
// Cancelling takes effect between items: the item being converted is still converted, written
// and reported, and no further item starts; the finish is then reported as well, once the
// sub-folders the run made and left empty are gone. Nothing is reported once `context` is gone.
TaskHandle start(std::vector<BatchState::Item> items, ConvertOptions options, std::filesystem::path outputDir,
                 QObject* context, ResultHandler onResult, FinishHandler onFinish);

// As `start`, with the work for each item given: the seam for tests that need to hold an item
// while it is being converted.
TaskHandle start(std::vector<BatchState::Item> items, ItemWork work, QObject* context, ResultHandler onResult,
                 FinishHandler onFinish);

} // namespace orvane::BatchConversion
