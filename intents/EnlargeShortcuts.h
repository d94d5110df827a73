#pragma once

#include <string>
#include <vector>

namespace orvane {

// The four actions as ready-made shortcuts: what a desktop shows for them and the phrases a person
// may use to find them. A phrase is its text followed by the application's name.
struct AppShortcut {
    std::string action; // the command-line action
    std::string shortTitle;
    std::vector<std::string> phrases; // each ends in a space; the application's name follows
    std::string systemSymbol;
    std::string iconName; // the freedesktop icon standing in for the symbol
};

namespace EnlargeShortcuts {
constexpr const char* applicationName = "Orvane";
// Enlarge, Convert, Remove Background, Enhance, in that order.
const std::vector<AppShortcut>& appShortcuts();
// A phrase with the application's name in place of its token.
std::string spoken(const std::string& phrase);
} // namespace EnlargeShortcuts

} // namespace orvane
