#include "editor/JobPreset.h"

#include <algorithm>

namespace orvane {

const std::vector<JobPreset>& JobPreset::all() {
    using S = Section;
    static const std::vector<JobPreset> presets{
        {"enlarge-2", S::enlarge, "Enlarge 2×", "Double the size, sharper",
         "arrow.up.left.and.arrow.down.right", Tool::enlarge, false, false, true},
        {"enlarge-4", S::enlarge, "Enlarge 4×", "Four times bigger", "arrow.up.left.and.arrow.down.right",
         Tool::enlarge, false, false, true},
        {"enlarge-8", S::enlarge, "Enlarge 8×", "Huge — posters and prints",
         "arrow.up.left.and.arrow.down.right", Tool::enlarge, false, false, true},
        {"enlarge-print", S::enlarge, "Enlarge for print", "A4 to 70×100 cm at 300 dpi", "printer",
         Tool::enlarge, false, true, true},
        {"enlarge-screen", S::enlarge, "Wallpaper", "Sharp at this screen's size", "display", Tool::enlarge,
         false, false, true},
        {"enlarge-art", S::enlarge, "Enlarge art & logos", "Drawings, logos, AI images", "paintbrush.pointed",
         Tool::enlarge, false, true, false},
        {"bg-remove", S::background, "Remove background", "Transparent PNG, stickers",
         "person.crop.rectangle", Tool::background, false, false, true},
        {"bg-white", S::background, "White background", "Product & listing photos", "rectangle.portrait",
         Tool::background, false, false, true},
        {"bg-blur", S::background, "Blur background", "Portrait look", "camera.aperture", Tool::background,
         false, false, true},
        {"enhance", S::fix, "Enhance", "Light, colour, noise, detail", "wand.and.stars", Tool::enhance, false,
         false, true},
        {"to-jpg", S::convert, "To JPG", "HEIC, RAW, WebP → opens anywhere", "arrow.triangle.2.circlepath",
         Tool::convert, false, false, true},
        {"compress", S::convert, "Shrink file size", "Under 500 KB for forms & email",
         "arrow.down.right.and.arrow.up.left", Tool::convert, false, false, true},
        {"to-web", S::convert, "For websites", "Small WebP, no location", "globe", Tool::convert, false,
         false, true},
        {"batch", S::convert, "Convert many", "A folder or hundreds of photos", "square.stack.3d.down.right",
         Tool::convert, true, false, true},
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
