#include "intents/BackgroundOption.h"

#include "core/background/StandardBackdrop.h"

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
        return StandardBackdrop::white;
    case BackgroundOption::blur:
        return StandardBackdrop::blur;
    }
    return BackdropTransparent{};
}

} // namespace orvane
