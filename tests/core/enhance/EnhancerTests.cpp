#include "core/enhance/Enhancer.h"
#include "tests/support/TestImages.h"
#include "tests/support/TestNetworks.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace orvane;

namespace {

const EnhanceOptions everythingOff{false, false, false, false, 0.5};

double standardDeviation(const Bitmap& image, int x0, int y0, int x1, int y1) {
    double sum = 0;
    double squares = 0;
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const double v = image.pixel(x, y)[1];
            sum += v;
            squares += v * v;
            ++count;
        }
    }
    const double mean = sum / count;
    return std::sqrt(squares / count - mean * mean);
}

} // namespace

TEST(EnhanceOptions, Defaults) {
    const EnhanceOptions options;
    EXPECT_EQ(options, (EnhanceOptions{true, true, true, true, 0.5}));
    EXPECT_NE(options, (EnhanceOptions{true, true, true, true, 0.6}));
}

TEST(Enhancer, StrengthIsClampedAndScalesTheFilters) {
    const auto strong = Enhancer::filterSettings(3, 4000);
    EXPECT_FLOAT_EQ(strong.noiseLevel, 0.035f);
    EXPECT_FLOAT_EQ(strong.unsharpIntensity, 0.75f);
    const auto none = Enhancer::filterSettings(-1, 4000);
    EXPECT_FLOAT_EQ(none.noiseLevel, 0.005f);
    EXPECT_FLOAT_EQ(none.unsharpIntensity, 0.25f);
    const auto usual = Enhancer::filterSettings(0.5, 4000);
    EXPECT_FLOAT_EQ(usual.noiseLevel, 0.02f);
    EXPECT_FLOAT_EQ(usual.sharpness, 0.4f);
    EXPECT_FLOAT_EQ(usual.unsharpRadius, 3.5f);
    EXPECT_FLOAT_EQ(usual.unsharpIntensity, 0.5f);
}

TEST(Enhancer, WithEverythingOffThePhotoComesBackAsOpaqueSrgb) {
    const Bitmap photo = test::gradient(120, 80);
    const Bitmap same = Enhancer::enhance(photo, everythingOff);
    EXPECT_EQ(same.width(), 120);
    EXPECT_EQ(test::maxChannelDifference(same, photo), 0);
    const Bitmap transparent = Enhancer::enhance(test::gradient(120, 80, AlphaInfo::last), EnhanceOptions{});
    EXPECT_EQ(transparent.alphaInfo(), AlphaInfo::noneSkipLast);
}

TEST(Enhancer, DetailWithoutAnUpscalerIsNoDetail) {
    const Bitmap photo = test::gradient(200, 150);
    EnhanceOptions withDetail;
    EnhanceOptions without;
    without.aiDetail = false;
    EXPECT_EQ(
        test::maxChannelDifference(Enhancer::enhance(photo, withDetail), Enhancer::enhance(photo, without)),
        0);
}

TEST(Enhancer, ReducesNoiseButKeepsEdges) {
    std::uint32_t seed = 7;
    const Bitmap noisy =
        test::drawn(400, 300, AlphaInfo::noneSkipLast, [&](int x, int) -> std::array<std::uint8_t, 4> {
            seed = seed * 1664525u + 1013904223u;
            const int noise = static_cast<int>((seed >> 24) % 25) - 12;
            const int base = x < 200 ? 70 : 180;
            const auto v = static_cast<std::uint8_t>(base + noise);
            return {v, v, v, 255};
        });
    EnhanceOptions options;
    options.autoLight = false;
    options.sharpen = false;
    options.strength = 1;
    const Bitmap cleaned = Enhancer::enhance(noisy, options);
    EXPECT_LT(standardDeviation(cleaned, 20, 20, 180, 280), standardDeviation(noisy, 20, 20, 180, 280) * 0.7);
    EXPECT_GT(cleaned.pixel(215, 150)[1] - cleaned.pixel(185, 150)[1], 90);
}

TEST(Enhancer, CancellingDuringTheDetailPassStopsBeforeTheFilters) {
    const auto upscaler = Upscaler::load(test::nearest4xBundle());
    std::stop_source stop;
    int reports = 0;
    EXPECT_THROW(Enhancer::enhance(
                     test::gradient(600, 300), EnhanceOptions{}, upscaler.get(),
                     [&](const UpscaleProgress&) {
                         ++reports;
                         stop.request_stop();
                     },
                     stop.get_token()),
                 Cancelled);
    EXPECT_EQ(reports, 1);
    // Cancelled after the last tile: the filters still never run.
    std::stop_source late;
    EXPECT_THROW(Enhancer::enhance(
                     test::gradient(100, 100), EnhanceOptions{}, upscaler.get(),
                     [&](const UpscaleProgress& p) {
                         if (p.fraction >= 1) {
                             late.request_stop();
                         }
                     },
                     late.get_token()),
                 Cancelled);
}
