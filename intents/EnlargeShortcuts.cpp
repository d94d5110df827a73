#include "intents/EnlargeShortcuts.h"

#include "intents/ConvertImageIntent.h"
#include "intents/EnhanceImageIntent.h"
#include "intents/EnlargeImageIntent.h"
#include "intents/RemoveBackgroundIntent.h"

namespace orvane::EnlargeShortcuts {

const std::vector<AppShortcut>& appShortcuts() {
    static const std::vector<AppShortcut> shortcuts = {
        {"enlarge",
         EnlargeImageIntent::title,
         {"Enlarge a photo with ", "Make a photo bigger with "},
         "arrow.up.left.and.arrow.down.right",
         "zoom-in"},
        {"convert",
         ConvertImageIntent::title,
         {"Convert a photo with ", "Convert to JPG with "},
         "arrow.triangle.2.circlepath",
         "view-refresh"},
        {"remove-background",
         RemoveBackgroundIntent::title,
         {"Remove background with "},
         "person.crop.rectangle",
         "edit-cut"},
        {"enhance", EnhanceImageIntent::title, {"Enhance a photo with "}, "wand.and.stars", "starred"},
    };
    return shortcuts;
}

std::string spoken(const std::string& phrase) {
    return phrase + applicationName;
}

} // namespace orvane::EnlargeShortcuts
