#include "editor/EditorModel.h"

namespace orvane {

void EditorModel::apply(const JobPreset& preset) {
    setTool(preset.tool);
    // The options come from the table's row, not from the value handed in, so that a preset
    // whose id the table doesn't know sets nothing but its tool.
    const auto row = JobPreset::find(preset.id);
    if (!row) {
        return;
    }
    const JobPreset::Options& options = row->options;
    if (options.target) {
        setTarget(*options.target);
    }
    if (options.model) {
        setModel(*options.model);
    }
    if (options.backdrop) {
        setBackdrop(*options.backdrop);
    }
    if (options.enhance) {
        setEnhance(*options.enhance);
    }
    if (options.convert) {
        setConvert(*options.convert);
    }
}

} // namespace orvane
