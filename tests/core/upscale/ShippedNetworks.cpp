#include "tests/core/upscale/ShippedNetworks.h"

#include <sstream>
#include <string>

namespace orvane::test {

bool isShippedInInt8(UpscaleModel model) {
    // The build's list, separated by commas.
    std::istringstream list(ORVANE_INT8_NETWORKS);
    std::string name;
    while (std::getline(list, name, ',')) {
        if (name == rawValue(model)) {
            return true;
        }
    }
    return false;
}

std::filesystem::path floatBundle(UpscaleModel model) {
    return std::filesystem::path(ORVANE_FLOAT_NETWORKS) / (std::string(rawValue(model)) + ".mlmodelc");
}

PixelBuffer networkInput(const Bitmap& image) {
    PixelBuffer buffer(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const std::uint8_t* in = image.pixel(x, y);
            std::uint8_t* out = buffer.row(y) + x * 4;
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = 255;
        }
    }
    return buffer;
}

} // namespace orvane::test
