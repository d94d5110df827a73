#pragma once

#include <QString>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace orvane {

// The state of one batch conversion: what to convert, how far it got and what it wrote.
struct BatchState {
    // Where an item's bytes come from. A file is the only kind of source there is today; the
    // variant keeps room for others without changing the item.
    struct FileSource {
        std::filesystem::path url;
        friend bool operator==(const FileSource&, const FileSource&) = default;
    };
    using Source = std::variant<FileSource>;

    struct Item {
        // The file name without its extension.
        QString name;
        Source source;
        // The file's sub-folder below the dropped folder's parent, starting with the dropped
        // folder's own name, "/"-separated with no leading or trailing "/"; empty for files
        // dropped or chosen directly.
        QString relativeDir;
        friend bool operator==(const Item&, const Item&) = default;
    };

    // In processing order.
    std::vector<Item> items;
    // Items processed so far, converted or failed.
    int done = 0;
    // The name of every item that failed, in processing order.
    std::vector<QString> failed;
    // Every file written, in processing order.
    std::vector<std::filesystem::path> outputs;
    // Always set while a batch exists.
    std::optional<std::filesystem::path> outputDir;
    // All items processed, or stopped.
    bool finished = false;
    // The converter's source byte counts, summed over converted items.
    std::int64_t bytesIn = 0;
    // Bytes written for converted items.
    std::int64_t bytesOut = 0;
    // Why the chosen output folder itself could take no file (its disk read-only, full or gone, or no
    // permission), "the disk is read-only", once an item failed for that. Such items are listed in
    // `failed` all the same, as every item that wasn't written is.
    std::optional<QString> folderProblem;

    // A batch that has not started yet: nothing done, nothing written.
    static BatchState fresh(std::vector<Item> items, std::filesystem::path outputDir) {
        return BatchState{std::move(items), 0, {}, {}, std::move(outputDir), false, 0, 0, std::nullopt};
    }

    friend bool operator==(const BatchState&, const BatchState&) = default;
};

} // namespace orvane
