#include "core/background/BackgroundRemover.h"

#include "core/Render.h"
#include "core/UpscaleError.h"
#include "core/background/BackgroundError.h"
#include "platform/filters/ImageFilters.h"
#include "platform/networks/SubjectDetection.h"

#include <algorithm>

namespace orvane::BackgroundRemover {

Mask subjectMask(const Bitmap& image) {
    std::optional<SubjectDetection::Result> found;
    try {
        found = SubjectDetection::foregroundInstances(image);
    } catch (const SubjectDetection::Unavailable& error) {
        throw BackgroundError::visionUnavailable(error.description());
    }
    if (!found || found->instanceCount == 0) {
        throw BackgroundError::noSubject();
    }
    return std::move(found->mask);
}

Bitmap composite(const Bitmap& image, const Backdrop& backdrop, const std::optional<Mask>& given) {
    const Mask mask = given ? *given : subjectMask(image);
    if (mask.width != image.width() || mask.height != image.height()) {
        throw UpscaleError::output();
    }
    try {
        const LazyImage photo = LazyImage::fromBitmap(image);
        const int width = image.width();
        const int height = image.height();
        const LazyImage behind = std::visit(
            [&](const auto& choice) -> LazyImage {
                using Choice = std::decay_t<decltype(choice)>;
                if constexpr (std::is_same_v<Choice, BackdropColor>) {
                    return ImageFilters::solidColor(width, height, choice.red, choice.green, choice.blue,
                                                    1.0);
                } else if constexpr (std::is_same_v<Choice, BackdropBlur>) {
                    return ImageFilters::gaussianBlur(photo,
                                                      std::max(width, height) * choice.radius / 1000.0);
                } else {
                    return ImageFilters::solidColor(width, height, 0, 0, 0, 0);
                }
            },
            backdrop);
        const LazyImage blended = ImageFilters::blendWithMask(photo, behind, ImageFilters::fromMask(mask));
        return Render::cgImage(blended, std::holds_alternative<BackdropTransparent>(backdrop));
    } catch (const Error&) {
        throw;
    } catch (const std::exception&) {
        // The image library's own words are not the user's: a failed composite is a failed render.
        throw UpscaleError::output();
    }
}

} // namespace orvane::BackgroundRemover
