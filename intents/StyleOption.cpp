#include "intents/StyleOption.h"

namespace orvane {

std::string typeDisplayName(StyleOption) {
    return "Style";
}

std::string displayText(StyleOption option) {
    switch (option) {
    case StyleOption::photo:
        return "Photo";
    case StyleOption::detail:
        return "Photo (max detail)";
    case StyleOption::art:
        return "Art & anime";
    }
    return {};
}

UpscaleModel model(StyleOption option) {
    switch (option) {
    case StyleOption::photo:
        return UpscaleModel::fast;
    case StyleOption::detail:
        return UpscaleModel::detail;
    case StyleOption::art:
        return UpscaleModel::art;
    }
    return UpscaleModel::fast;
}

} // namespace orvane
