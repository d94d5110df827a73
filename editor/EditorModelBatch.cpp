#include "editor/BatchConversion.h"
#include "editor/EditorModel.h"

namespace orvane {

namespace fs = std::filesystem;

std::vector<BatchState::Item> EditorModel::collectBatchItems(const std::vector<fs::path>& urls) {
    return BatchConversion::collectItems(urls);
}

void EditorModel::beginBatch(std::vector<BatchState::Item> items, std::optional<fs::path> outputDir) {
    switch (BatchConversion::decide(items)) {
    case BatchConversion::Decision::nothing:
        return;
    case BatchConversion::Decision::singlePhoto:
        setTool(Tool::convert);
        loadFile(std::get<BatchState::FileSource>(items.front().source).url);
        return;
    case BatchConversion::Decision::batch:
        break;
    }
    if (outputDir) {
        pendingBatch_.reset();
        startBatch(std::move(items), std::move(*outputDir));
        return;
    }
    // The folder panel must not run inside this call: a nested event loop here would let the
    // window change the editor under a half-made decision. The window asks and answers later.
    const std::size_t count = items.size();
    pendingBatch_ = std::move(items);
    emit batchFolderRequested(count);
}

void EditorModel::answerBatchFolder(std::optional<fs::path> folder) {
    if (!pendingBatch_) {
        return;
    }
    auto items = std::move(*pendingBatch_);
    pendingBatch_.reset();
    if (folder) {
        startBatch(std::move(items), std::move(*folder));
    }
}

void EditorModel::startBatch(std::vector<BatchState::Item> items, fs::path outputDir) {
    setTool(Tool::convert);
    // Left running, the replaced batch would go on writing files that no sheet counts.
    if (batchJob_) {
        batchJob_->cancel();
    }
    setBatch(BatchState::fresh(items, outputDir));
    setBatchJob(BatchConversion::start(
        std::move(items), convert_, std::move(outputDir), this,
        [this](const TaskHandle& run, const BatchConversion::ItemResult& result) {
            // A cancelled run still reports the file it was converting; by then a newer batch may
            // hold `batch`.
            if (run != batchJob_) {
                return;
            }
            modifyBatch([&](BatchState& state) { BatchConversion::record(state, result); });
        },
        [this](const TaskHandle& run) {
            if (run != batchJob_) {
                return;
            }
            modifyBatch([](BatchState& state) { state.finished = true; });
        }));
}

void EditorModel::stopBatch() {
    if (batchJob_) {
        batchJob_->cancel();
    }
    modifyBatch([](BatchState& state) { state.finished = true; });
}

void EditorModel::cancelBatch() {
    if (batchJob_) {
        batchJob_->cancel();
    }
    setBatch(std::nullopt);
}

} // namespace orvane
