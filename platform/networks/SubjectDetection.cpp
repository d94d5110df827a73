#include "platform/networks/SubjectDetection.h"

#include "platform/application/SystemMemory.h"
#include "platform/networks/detail/MaskRegions.h"
#include "platform/networks/detail/MaskScaling.h"
#include "platform/networks/detail/SubjectInput.h"
#include "platform/networks/detail/SubjectNetwork.h"

namespace orvane::SubjectDetection {

namespace {

// A pixel is foreground when the network gives it more than even odds.
constexpr std::uint8_t foregroundThreshold = 127;
// Regions smaller than this share of the photo are specks of texture or noise, not subjects.
constexpr double speckFraction = 0.001;
// Less foreground than this share of the photo is not a subject worth selecting.
constexpr double minimumForegroundFraction = 0.005;

} // namespace

std::optional<Result> foregroundInstances(const Bitmap& image) {
    const SubjectNetwork::Model& network = SubjectNetwork::shared();
    std::vector<float> likelihood;
    {
        const std::vector<float> input = SubjectInput::tensor(image, SubjectNetwork::normalisation);
        // The network's run is the peak of a background removal: what decoding and preparing the
        // photo freed goes back to the system first rather than sitting beside it.
        SystemMemory::releaseFreeMemory();
        likelihood = network.run(input);
    }
    Mask mask = MaskScaling::resized(likelihood, SubjectNetwork::side, SubjectNetwork::side, image.width(),
                                     image.height());

    const double pixels = static_cast<double>(image.width()) * image.height();
    const auto foreground =
        MaskRegions::measure(mask, foregroundThreshold, static_cast<std::size_t>(pixels * speckFraction));
    if (static_cast<double>(foreground.area) < pixels * minimumForegroundFraction ||
        foreground.regionCount == 0) {
        return std::nullopt;
    }
    return Result{.mask = std::move(mask), .instanceCount = foreground.regionCount};
}

} // namespace orvane::SubjectDetection
