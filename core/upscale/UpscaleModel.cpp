#include "core/upscale/UpscaleModel.h"

namespace orvane {

std::string title(UpscaleModel model) {
    switch (model) {
    case UpscaleModel::fast:
        return "Photo";
    case UpscaleModel::detail:
        return "Photo · max detail";
    case UpscaleModel::art:
        return "Art & anime";
    }
    return {};
}

std::string subtitle(UpscaleModel model) {
    switch (model) {
    case UpscaleModel::fast:
        return "Fast, natural results";
    case UpscaleModel::detail:
        return "Sharper detail, slower";
    case UpscaleModel::art:
        return "Drawings, logos, anime";
    }
    return {};
}

} // namespace orvane
