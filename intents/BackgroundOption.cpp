#include "intents/BackgroundOption.h"

namespace orvane {

std::string typeDisplayName(BackgroundOption) {
    return "Background";
}

std::string displayText(BackgroundOption option) {
    switch (option) {
    case BackgroundOption::none:
        return "Transparent";
    case BackgroundOption::white:
        return "White";
    case BackgroundOption::blur:
        return "Blurred";
    }
    return {};
}

Backdrop backdrop(BackgroundOption option) {
    switch (option) {
    case BackgroundOption::none:
        return BackdropTransparent{};
    case BackgroundOption::white:
        return BackdropColor{1.0, 1.0, 1.0};
    case BackgroundOption::blur:
        return BackdropBlur{25.0};
    }
    return BackdropTransparent{};
}

} // namespace orvane
