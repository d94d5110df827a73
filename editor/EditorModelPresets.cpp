#include "editor/EditorModel.h"

#include <algorithm>

namespace orvane {

namespace {

// The to-jpg and batch presets convert for the widest reach at a high quality.
ConvertOptions toJPEG() {
    return {
        ConvertFormat::jpeg, 0.9, std::nullopt, std::nullopt, MetadataPolicy::removeLocation, true, false};
}

} // namespace

void EditorModel::apply(const JobPreset& preset) {
    setTool(preset.tool);
    const QString& id = preset.id;
    if (id == u"enlarge-2") {
        setTarget(EnlargeFactor{2.0});
        setModel(UpscaleModel::fast);
    } else if (id == u"enlarge-4") {
        setTarget(EnlargeFactor{4.0});
        setModel(UpscaleModel::fast);
    } else if (id == u"enlarge-8") {
        setTarget(EnlargeFactor{8.0});
        setModel(UpscaleModel::fast);
    } else if (id == u"enlarge-print") {
        const auto& sizes = PrintSize::presets();
        const auto a4 =
            std::find_if(sizes.begin(), sizes.end(), [](const PrintSize& size) { return size.name == "A4"; });
        if (a4 != sizes.end()) {
            setTarget(EnlargePrint{*a4});
        } else if (!sizes.empty()) {
            setTarget(EnlargePrint{sizes.front()});
        }
        setModel(UpscaleModel::fast);
    } else if (id == u"enlarge-screen") {
        setTarget(EnlargeScreen{});
        setModel(UpscaleModel::fast);
    } else if (id == u"enlarge-art") {
        setTarget(EnlargeFactor{4.0});
        setModel(UpscaleModel::art);
    } else if (id == u"bg-remove") {
        setBackdrop(BackdropChoice::transparent);
    } else if (id == u"bg-white") {
        setBackdrop(BackdropChoice::white);
    } else if (id == u"bg-blur") {
        setBackdrop(BackdropChoice::blur);
    } else if (id == u"enhance") {
        setEnhance(EnhanceOptions{true, true, true, true, 0.5});
    } else if (id == u"to-jpg" || id == u"batch") {
        setConvert(toJPEG());
    } else if (id == u"compress") {
        setConvert(
            {ConvertFormat::jpeg, 0.85, 500, std::nullopt, MetadataPolicy::removeLocation, true, true});
    } else if (id == u"to-web") {
        setConvert({ConvertFormat::webp, 0.82, std::nullopt, 2048, MetadataPolicy::removeAll, true, false});
    }
}

} // namespace orvane
