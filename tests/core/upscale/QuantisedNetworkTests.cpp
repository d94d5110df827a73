#include "core/ImageFiles.h"
#include "core/upscale/ModelLibrary.h"
#include "platform/networks/Network.h"
#include "tests/core/upscale/ShippedNetworks.h"
#include "tests/support/TestImages.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

using namespace orvane;

namespace {

class QuantisedNetwork : public testing::TestWithParam<UpscaleModel> {};

double psnr(const PixelBuffer& a, const PixelBuffer& b) {
    double squaredError = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width() * 4; x += 4) {
            for (int c = 0; c < 3; ++c) {
                const double difference = static_cast<double>(a.row(y)[x + c]) - b.row(y)[x + c];
                squaredError += difference * difference;
            }
        }
    }
    const double mse = squaredError / (a.width() * a.height() * 3.0);
    return mse == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 / mse);
}

// Pictures unlike the generated landscape the int8 networks were calibrated on, passed through
// JPEG as camera photos are: hard edges, saturated colours, thin lines, deep shadows, bright
// highlights and noise; and a smooth gradient.
std::vector<Bitmap> heldOutPictures() {
    const Bitmap scene = test::drawn(128, 128, AlphaInfo::noneSkipLast, [](int x, int y) {
        std::array<double, 3> c{40 + y * 1.2, 90 + y * 0.8, 200 - y * 0.6};
        if (std::hypot(x - 40, y - 44) < 22) {
            c = {230, 25, 30};
        } else if (x > 76 && y > 20 && y < 70) {
            c = ((x / 4 + y / 4) % 2 == 0) ? std::array<double, 3>{250, 250, 245}
                                           : std::array<double, 3>{8, 8, 12};
        } else if (y > 92) {
            c = {20 + 10 * std::sin(x * 0.9), 28 + 8 * std::cos(y * 1.3), 15};
        }
        if (x % 23 == 0 && y > 70) {
            c = {255, 220, 60};
        }
        const double noise = ((x * 7919 + y * 104729) % 17) - 8;
        return std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(std::clamp(c[0] + noise, 0.0, 255.0)),
                                           static_cast<std::uint8_t>(std::clamp(c[1] + noise, 0.0, 255.0)),
                                           static_cast<std::uint8_t>(std::clamp(c[2] + noise, 0.0, 255.0)),
                                           255};
    });
    std::vector<Bitmap> pictures;
    for (const Bitmap& picture : {scene, test::gradient(128, 128)}) {
        pictures.push_back(ImageFiles::loadFromData(test::encoded(picture, ConvertFormat::jpeg, {}, 0.75)));
    }
    return pictures;
}

} // namespace

// An int8 network ships only while its output stays within 38 dB PSNR of its float original's, run
// through ONNX Runtime as the application runs both.
TEST_P(QuantisedNetwork, StaysCloseToItsFloatOriginal) {
    const UpscaleModel model = GetParam();
    if (!test::isShippedInInt8(model)) {
        GTEST_SKIP() << rawValue(model) << " ships in float";
    }
    ModelLibrary library;
    const auto bundle = library.locate(model);
    ASSERT_TRUE(bundle.has_value()) << "the build installs the shipped networks";
    const auto shipped = Network::load(*bundle);
    const auto original = Network::load(test::floatBundle(model));
    for (const Bitmap& picture : heldOutPictures()) {
        const PixelBuffer input = test::networkInput(picture);
        const auto fromInt8 = shipped->predict("input", input, "output");
        const auto fromFloat = original->predict("input", input, "output");
        ASSERT_TRUE(fromInt8.has_value() && fromFloat.has_value());
        ASSERT_EQ(fromInt8->width(), fromFloat->width());
        ASSERT_EQ(fromInt8->height(), fromFloat->height());
        const double value = psnr(*fromInt8, *fromFloat);
        EXPECT_GE(value, 38.0) << rawValue(model);
        // Identical output would mean the build shipped the float network under the int8 label.
        EXPECT_LT(value, 80.0) << rawValue(model) << " is not the int8 network";
        RecordProperty("psnr", std::to_string(value));
    }
}

INSTANTIATE_TEST_SUITE_P(EveryStyle, QuantisedNetwork,
                         testing::Values(UpscaleModel::fast, UpscaleModel::art, UpscaleModel::detail),
                         [](const auto& info) {
                             std::string name(rawValue(info.param));
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });
