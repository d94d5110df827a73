#include "platform/networks/detail/MaskScaling.h"

#include "platform/image/detail/VipsRuntime.h"

#include <stdexcept>

namespace orvane::MaskScaling {

using vips::VImage;

Mask resized(std::span<const float> values, int width, int height, int targetWidth, int targetHeight) {
    if (width < 1 || height < 1 || targetWidth < 1 || targetHeight < 1 ||
        values.size() != static_cast<std::size_t>(width) * height) {
        throw std::invalid_argument("MaskScaling::resized: sizes do not match");
    }
    VipsRuntime::ensure();
    const VImage source = VImage::new_from_memory(const_cast<float*>(values.data()), values.size_bytes(),
                                                  width, height, 1, VIPS_FORMAT_FLOAT);
    const VImage bytes = VipsRuntime::resizeExactly(source, targetWidth, targetHeight)
                             .linear(255.0, 0.0)
                             .rint()
                             .cast(VIPS_FORMAT_UCHAR);
    Mask mask{targetWidth, targetHeight,
              std::vector<std::uint8_t>(static_cast<std::size_t>(targetWidth) * targetHeight)};
    bytes.write(VImage::new_from_memory(mask.values.data(), mask.values.size(), targetWidth, targetHeight, 1,
                                        VIPS_FORMAT_UCHAR));
    return mask;
}

} // namespace orvane::MaskScaling
