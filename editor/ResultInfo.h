#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace orvane {

// The description of a finished result.
struct ResultInfo {
    int width = 0;
    int height = 0;
    // From the start of the run to the end of the job.
    double seconds = 0;
    // The result carries transparency that the export must keep.
    bool hasAlpha = false;
    // 300 for print targets, otherwise none.
    std::optional<int> dpi = std::nullopt;
    // One line saying what was done.
    QString label = {};
    // The converted file's size and the source's size as the converter measured it; convert
    // tool only.
    std::optional<std::int64_t> convertedBytes = std::nullopt;
    std::optional<std::int64_t> sourceBytes = std::nullopt;

    friend bool operator==(const ResultInfo&, const ResultInfo&) = default;
};

} // namespace orvane
