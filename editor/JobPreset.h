#pragma once

#include "core/RawRepresentable.h"
#include "core/convert/ConvertOptions.h"
#include "core/enhance/EnhanceOptions.h"
#include "core/upscale/UpscaleModel.h"
#include "editor/BackdropChoice.h"
#include "editor/EnlargeTarget.h"
#include "editor/Tool.h"

#include <QString>
#include <optional>
#include <vector>

namespace orvane {

// One entry of the home screen's job table: which tool a job opens and how the tile reads.
struct JobPreset {
    // Raw values are the section titles on the home screen.
    enum class Section { enlarge, background, fix, convert };

    // What `EditorModel::apply` sets besides the tool; whatever is absent keeps the user's choice.
    struct Options {
        std::optional<EnlargeTarget> target = std::nullopt;
        std::optional<UpscaleModel> model = std::nullopt;
        std::optional<BackdropChoice> backdrop = std::nullopt;
        std::optional<EnhanceOptions> enhance = std::nullopt;
        std::optional<ConvertOptions> convert = std::nullopt;
        friend bool operator==(const Options&, const Options&) = default;
    };

    // Stable: the key of `find` and of `EditorModel::apply`.
    QString id;
    Section section = Section::enlarge;
    // Also the title of the jobs recorded from it.
    QString title;
    QString subtitle;
    // A system symbol name, for the tile and for recorded jobs.
    QString symbol;
    Tool tool = Tool::enlarge;
    // Stands for converting many files rather than one photo.
    bool isBatch = false;
    // The output size is still chosen on the job screen.
    bool showsSize = false;
    // The enlarge options offer their style choices.
    bool showsStyle = true;
    Options options = {};

    // Every preset, grouped by section, in display order.
    static const std::vector<JobPreset>& all();
    // The first preset with exactly this id (case-sensitive).
    static std::optional<JobPreset> find(const QString& id);

    friend bool operator==(const JobPreset&, const JobPreset&) = default;
};

template <> struct RawValues<JobPreset::Section> {
    static constexpr std::array<std::pair<JobPreset::Section, std::string_view>, 4> table{{
        {JobPreset::Section::enlarge, "Enlarge"},
        {JobPreset::Section::background, "Background"},
        {JobPreset::Section::fix, "Fix"},
        {JobPreset::Section::convert, "Convert"},
    }};
};

} // namespace orvane
