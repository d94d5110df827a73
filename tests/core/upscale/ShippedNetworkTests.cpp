#include "core/ImageFiles.h"
#include "core/upscale/ModelLibrary.h"
#include "platform/Network.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

struct Shipped {
    UpscaleModel model;
    const char* npmFolder;
};

class ShippedNetwork : public testing::TestWithParam<Shipped> {};

PixelBuffer toBuffer(const Bitmap& image) {
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

} // namespace

// Each imported network gives what its own package's sample says it gives.
TEST_P(ShippedNetwork, MatchesThePackagesSampleOutput) {
    const Shipped shipped = GetParam();
    ModelLibrary library;
    const auto bundle = library.locate(shipped.model);
    ASSERT_TRUE(bundle.has_value()) << "the build installs the shipped networks";
    const auto network = Network::load(*bundle);
    const fs::path assets = fs::path(ORVANE_NPM_PACKAGES) / shipped.npmFolder / "package" / "assets";
    const Bitmap fixture = ImageFiles::loadFromURL(assets / "fixture.png");
    const Bitmap expected = ImageFiles::loadFromURL(assets / "samples" / "4x" / "result.png");
    const auto output = network->predict("input", toBuffer(fixture), "output");
    ASSERT_TRUE(output.has_value());
    ASSERT_EQ(output->width(), expected.width());
    ASSERT_EQ(output->height(), expected.height());
    double squaredError = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const std::uint8_t* want = expected.pixel(x, y);
            const std::uint8_t* got = output->row(y) + x * 4;
            for (int c = 0; c < 3; ++c) {
                const double difference = static_cast<double>(want[c]) - got[2 - c];
                squaredError += difference * difference;
            }
        }
    }
    const double mse = squaredError / (expected.width() * expected.height() * 3.0);
    const double psnr = mse == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 / mse);
    EXPECT_GT(psnr, 90.0) << rawValue(shipped.model);
    RecordProperty("psnr", std::to_string(psnr));
}

INSTANTIATE_TEST_SUITE_P(EveryStyle, ShippedNetwork,
                         testing::Values(Shipped{UpscaleModel::fast, "upscalerjs-esrgan-slim-1.0.0"},
                                         Shipped{UpscaleModel::art, "upscalerjs-esrgan-medium-1.0.0"},
                                         Shipped{UpscaleModel::detail, "upscalerjs-esrgan-thick-1.0.0"}),
                         [](const auto& info) { return std::string(rawValue(info.param.model)); });
