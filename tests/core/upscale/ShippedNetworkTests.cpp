#include "core/ImageFiles.h"
#include "core/upscale/ModelLibrary.h"
#include "platform/networks/Network.h"
#include "tests/core/upscale/ShippedNetworks.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

struct Shipped {
    UpscaleModel model;
};

class ShippedNetwork : public testing::TestWithParam<Shipped> {};

} // namespace

// Each imported network gives what its ncnn original computes (evaluated in float64 from the ncnn
// files, without the importer) on a small picture, up to rounding to bytes. For a network shipped
// with int8 convolutions that holds for its float original, which the int8 one is compared with
// (QuantisedNetworkTests).
TEST_P(ShippedNetwork, MatchesTheNcnnNetwork) {
    const Shipped shipped = GetParam();
    ModelLibrary library;
    const auto bundle = library.locate(shipped.model);
    ASSERT_TRUE(bundle.has_value()) << "the build installs the shipped networks";
    const auto network =
        Network::load(test::isShippedInInt8(shipped.model) ? test::floatBundle(shipped.model) : *bundle,
                      NetworkPrecision::fp32);
    const fs::path references = fs::path(ORVANE_NCNN_REFERENCES) / rawValue(shipped.model);
    const Bitmap fixture = ImageFiles::loadFromURL(references.string() + ".picture.png");
    const Bitmap expected = ImageFiles::loadFromURL(references.string() + ".reference.png");
    const auto output = network->predict("input", test::networkInput(fixture), "output");
    ASSERT_TRUE(output.has_value());
    ASSERT_EQ(output->width(), expected.width());
    ASSERT_EQ(output->height(), expected.height());
    ASSERT_EQ(output->width(), fixture.width() * 4);
    int largestDifference = 0;
    double squaredError = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const std::uint8_t* want = expected.pixel(x, y);
            const std::uint8_t* got = output->row(y) + x * 4;
            for (int c = 0; c < 3; ++c) {
                const double difference = static_cast<double>(want[c]) - got[2 - c];
                squaredError += difference * difference;
                largestDifference = std::max(largestDifference, static_cast<int>(std::abs(difference)));
            }
        }
    }
    const double mse = squaredError / (expected.width() * expected.height() * 3.0);
    const double psnr = mse == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 / mse);
    // Only values within float error of a rounding boundary may come out one apart.
    EXPECT_LE(largestDifference, 1) << rawValue(shipped.model);
    EXPECT_GT(psnr, 75.0) << rawValue(shipped.model);
    RecordProperty("psnr", std::to_string(psnr));
}

INSTANTIATE_TEST_SUITE_P(EveryStyle, ShippedNetwork,
                         testing::Values(Shipped{UpscaleModel::fast}, Shipped{UpscaleModel::art},
                                         Shipped{UpscaleModel::detail}),
                         [](const auto& info) {
                             std::string name(rawValue(info.param.model));
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });
