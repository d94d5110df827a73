#include "editor/JobPreset.h"

#include <algorithm>
#include <utility>

namespace orvane {

namespace {

// The print tile promises A4; should the paper list ever lose it, its first paper stands in.
EnlargeTarget a4Print() {
    const auto& sizes = PrintSize::presets();
    const auto a4 =
        std::find_if(sizes.begin(), sizes.end(), [](const PrintSize& size) { return size.name == "A4"; });
    return EnlargePrint{a4 != sizes.end() ? *a4 : sizes.front()};
}

JobPreset::Options enlargeOptions(EnlargeTarget target, UpscaleModel model = UpscaleModel::fast) {
    return {.target = std::move(target), .model = model};
}

JobPreset::Options backdropOptions(BackdropChoice choice) {
    return {.backdrop = choice};
}

JobPreset::Options convertOptions(ConvertOptions options) {
    return {.convert = std::move(options)};
}

// The to-jpg and batch presets convert for the widest reach at a high quality.
const ConvertOptions toJPEG{.format = ConvertFormat::jpeg,
                            .quality = 0.9,
                            .maxKB = std::nullopt,
                            .maxLongEdge = std::nullopt,
                            .metadata = MetadataPolicy::removeLocation,
                            .keepCaptureDate = true};

} // namespace

const std::vector<JobPreset>& JobPreset::all() {
    using S = Section;
    const char* const enlarge = "arrow.up.left.and.arrow.down.right";
    static const std::vector<JobPreset> presets{
        {.id = "enlarge-2",
         .section = S::enlarge,
         .title = "Enlarge 2×",
         .subtitle = "Double the size, sharper",
         .symbol = enlarge,
         .tool = Tool::enlarge,
         .options = enlargeOptions(EnlargeFactor{2.0})},
        {.id = "enlarge-4",
         .section = S::enlarge,
         .title = "Enlarge 4×",
         .subtitle = "Four times bigger",
         .symbol = enlarge,
         .tool = Tool::enlarge,
         .options = enlargeOptions(EnlargeFactor{4.0})},
        {.id = "enlarge-8",
         .section = S::enlarge,
         .title = "Enlarge 8×",
         .subtitle = "Huge — posters and prints",
         .symbol = enlarge,
         .tool = Tool::enlarge,
         .options = enlargeOptions(EnlargeFactor{8.0})},
        {.id = "enlarge-print",
         .section = S::enlarge,
         .title = "Enlarge for print",
         .subtitle = "A4 to 70×100 cm at 300 dpi",
         .symbol = "printer",
         .tool = Tool::enlarge,
         .showsSize = true,
         .options = enlargeOptions(a4Print())},
        {.id = "enlarge-screen",
         .section = S::enlarge,
         .title = "Wallpaper",
         .subtitle = "Sharp at this screen's size",
         .symbol = "display",
         .tool = Tool::enlarge,
         .options = enlargeOptions(EnlargeScreen{})},
        {.id = "enlarge-art",
         .section = S::enlarge,
         .title = "Enlarge art & logos",
         .subtitle = "Drawings, logos, AI images",
         .symbol = "paintbrush.pointed",
         .tool = Tool::enlarge,
         .showsSize = true,
         .showsStyle = false,
         .options = enlargeOptions(EnlargeFactor{4.0}, UpscaleModel::art)},
        {.id = "bg-remove",
         .section = S::background,
         .title = "Remove background",
         .subtitle = "Transparent PNG, stickers",
         .symbol = "person.crop.rectangle",
         .tool = Tool::background,
         .options = backdropOptions(BackdropChoice::transparent)},
        {.id = "bg-white",
         .section = S::background,
         .title = "White background",
         .subtitle = "Product & listing photos",
         .symbol = "rectangle.portrait",
         .tool = Tool::background,
         .options = backdropOptions(BackdropChoice::white)},
        {.id = "bg-blur",
         .section = S::background,
         .title = "Blur background",
         .subtitle = "Portrait look",
         .symbol = "camera.aperture",
         .tool = Tool::background,
         .options = backdropOptions(BackdropChoice::blur)},
        {.id = "enhance",
         .section = S::fix,
         .title = "Enhance",
         .subtitle = "Light, colour, noise, detail",
         .symbol = "wand.and.stars",
         .tool = Tool::enhance,
         .options = {.enhance = EnhanceOptions{.autoLight = true,
                                               .reduceNoise = true,
                                               .sharpen = true,
                                               .aiDetail = true,
                                               .strength = 0.5}}},
        {.id = "to-jpg",
         .section = S::convert,
         .title = "To JPG",
         .subtitle = "HEIC, RAW, WebP → opens anywhere",
         .symbol = "arrow.triangle.2.circlepath",
         .tool = Tool::convert,
         .options = convertOptions(toJPEG)},
        {.id = "compress",
         .section = S::convert,
         .title = "Shrink file size",
         .subtitle = "Under 500 KB for forms & email",
         .symbol = "arrow.down.right.and.arrow.up.left",
         .tool = Tool::convert,
         .options = convertOptions({.format = ConvertFormat::jpeg,
                                    .quality = 0.85,
                                    .maxKB = 500,
                                    .maxLongEdge = std::nullopt,
                                    .metadata = MetadataPolicy::removeLocation,
                                    .keepCaptureDate = true,
                                    .neverLarger = true})},
        {.id = "to-web",
         .section = S::convert,
         .title = "For websites",
         .subtitle = "Small WebP, no location",
         .symbol = "globe",
         .tool = Tool::convert,
         .options = convertOptions({.format = ConvertFormat::webp,
                                    .quality = 0.82,
                                    .maxKB = std::nullopt,
                                    .maxLongEdge = 2048,
                                    .metadata = MetadataPolicy::removeAll,
                                    .keepCaptureDate = true})},
        {.id = "batch",
         .section = S::convert,
         .title = "Convert many",
         .subtitle = "A folder or hundreds of photos",
         .symbol = "square.stack.3d.down.right",
         .tool = Tool::convert,
         .isBatch = true,
         .options = convertOptions(toJPEG)},
    };
    return presets;
}

std::optional<JobPreset> JobPreset::find(const QString& id) {
    const auto& presets = all();
    const auto found =
        std::find_if(presets.begin(), presets.end(), [&](const JobPreset& p) { return p.id == id; });
    if (found == presets.end()) {
        return std::nullopt;
    }
    return *found;
}

} // namespace orvane
