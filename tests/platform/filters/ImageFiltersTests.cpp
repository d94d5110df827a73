#include "platform/filters/ImageFilters.h"
#include "platform/filters/detail/ImageFiltersInternal.h"
#include "platform/image/detail/VipsRuntime.h"
#include "tests/support/TestImages.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

using namespace orvane;
using namespace orvane::ImageFilters;

namespace {

using Pixel = std::array<std::uint8_t, 4>;

Bitmap rendered(const LazyImage& image, AlphaInfo layout = AlphaInfo::noneSkipLast) {
    return image.render(layout);
}

std::uint8_t clamped(double value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

double luminance(const std::uint8_t* p) {
    return 0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2];
}

struct Spread {
    double deviation;
    double range; // between the 1st and the 99th percentile
};

Spread luminanceSpread(const Bitmap& image) {
    std::vector<double> values;
    double sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            values.push_back(luminance(image.pixel(x, y)));
            sum += values.back();
        }
    }
    const double mean = sum / values.size();
    double squares = 0;
    for (double v : values) {
        squares += (v - mean) * (v - mean);
    }
    std::sort(values.begin(), values.end());
    return {std::sqrt(squares / values.size()),
            values[values.size() * 99 / 100] - values[values.size() / 100]};
}

// The mean distance of colour from grey: how colourful a picture is.
double colourfulness(const Bitmap& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const std::uint8_t* p = image.pixel(x, y);
            sum += std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]});
        }
    }
    return sum / (static_cast<double>(image.width()) * image.height());
}

// A landscape with sky, a sunlit cloud, a field with texture, a dark trunk and a red object:
// black and white points near the ends of the range, midtones in the middle. `exposure` scales
// the samples, `saturation` the distance of colour from grey.
Bitmap landscape(int width, int height, double exposure = 1.0, double saturation = 1.0) {
    return test::drawn(width, height, AlphaInfo::noneSkipLast, [=](int x, int y) -> Pixel {
        const double u = static_cast<double>(x) / width;
        const double v = static_cast<double>(y) / height;
        double r, g, b;
        if (v < 0.45) {
            const double t = v / 0.45;
            r = 110 + 60 * t, g = 160 + 50 * t, b = 235 - 10 * t;
            const double cloud = std::hypot((u - 0.7) / 0.15, (v - 0.2) / 0.08);
            if (cloud < 1) {
                r = g = b = 248;
            }
        } else {
            const double texture = 18 * std::sin(x * 0.3) * std::cos(y * 0.21);
            const double shade = 1.0 - 0.5 * (v - 0.45);
            r = (90 + texture) * shade, g = (140 + texture) * shade, b = (60 + texture) * shade;
        }
        if (u > 0.15 && u < 0.2 && v > 0.3) {
            r = 22, g = 16, b = 12;
        }
        if (std::hypot(u - 0.5, v - 0.75) < 0.06) {
            r = 205, g = 45, b = 40;
        }
        const double grey = (r + g + b) / 3;
        auto out = [&](double c) { return clamped(exposure * (grey + saturation * (c - grey))); };
        return {out(r), out(g), out(b), 255};
    });
}

double meanOver(const Bitmap& image, int channel, int x0, int x1, int y0, int y1) {
    double sum = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            sum += image.pixel(x, y)[channel];
        }
    }
    return sum / ((x1 - x0) * (y1 - y0));
}

double deviationOver(const Bitmap& image, int channel, int x0, int x1, int y0, int y1) {
    const double mean = meanOver(image, channel, x0, x1, y0, y1);
    double sum = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            sum += std::pow(image.pixel(x, y)[channel] - mean, 2);
        }
    }
    return std::sqrt(sum / ((x1 - x0) * (y1 - y0)));
}

} // namespace

TEST(ImageFilters, SourcesRenderTheirValues) {
    Mask mask{3, 2, {0, 128, 255, 10, 20, 30}};
    const Bitmap grey = rendered(fromMask(mask));
    EXPECT_EQ(grey.width(), 3);
    EXPECT_EQ(grey.pixel(1, 0)[0], 128);
    EXPECT_EQ(grey.pixel(1, 0)[2], 128);
    EXPECT_EQ(grey.pixel(2, 1)[1], 30);
    EXPECT_THROW(fromMask(Mask{3, 3, {1, 2}}), std::invalid_argument);

    const LazyImage opaque = solidColor(5, 4, 1.0, 0.5, 0.0, 1.0);
    EXPECT_FALSE(opaque.hasAlpha());
    const Bitmap orange = rendered(opaque);
    EXPECT_EQ(orange.height(), 4);
    EXPECT_EQ(orange.pixel(4, 3)[0], 255);
    EXPECT_EQ(orange.pixel(4, 3)[1], 128);
    EXPECT_EQ(orange.pixel(4, 3)[2], 0);
    const LazyImage translucent = solidColor(2, 2, 0.0, 0.0, 1.0, 0.25);
    EXPECT_TRUE(translucent.hasAlpha());
    EXPECT_EQ(rendered(translucent, AlphaInfo::last).pixel(0, 0)[3], 64);
}

TEST(ImageFilters, GaussianBlurSpreadsAnEdgeByItsSigmaWithoutDarkeningTheBorders) {
    for (const double sigma : {3.0, 24.0}) {
        SCOPED_TRACE(sigma);
        const int width = 400;
        const Bitmap step = test::drawn(width, 60, AlphaInfo::noneSkipLast, [](int x, int) -> Pixel {
            const std::uint8_t v = x < 200 ? 40 : 220;
            return {v, v, v, 255};
        });
        const Bitmap blurred = rendered(gaussianBlur(LazyImage::fromBitmap(step), sigma));
        ASSERT_EQ(blurred.width(), width);
        // The edge lies between pixels 199 and 200; at a distance d a Gaussian has moved the
        // fraction erfc(d / (sigma √2)) / 2 of the step.
        for (const int d : {0, 2, static_cast<int>(sigma)}) {
            const double moved = 0.5 * std::erfc((d + 0.5) / (sigma * std::sqrt(2.0))) * 180;
            EXPECT_NEAR(blurred.pixel(200 + d, 30)[0], 220 - moved, 1.5);
            EXPECT_NEAR(blurred.pixel(199 - d, 30)[0], 40 + moved, 1.5);
        }
        // Edge pixels repeated outward: the borders keep their value, corners included.
        EXPECT_NEAR(blurred.pixel(0, 0)[0], 40, 1);
        EXPECT_NEAR(blurred.pixel(width - 1, 59)[0], 220, 1);
        EXPECT_NEAR(blurred.pixel(width - 1, 0)[1], 220, 1);
    }
}

TEST(ImageFilters, GaussianBlurAtReducedResolutionMatchesTheFullBlur) {
    // Edges, fine texture and noise: everything a reduced image could get wrong.
    const Bitmap busy = test::drawn(420, 310, AlphaInfo::noneSkipLast, [](int x, int y) -> Pixel {
        const std::uint32_t h = (x * 73856093u) ^ (y * 19349663u);
        const std::uint8_t n = static_cast<std::uint8_t>(h % 64);
        const bool block = (x / 37 + y / 29) % 2 == 0;
        return {static_cast<std::uint8_t>((block ? 200 : 30) + n / 2),
                static_cast<std::uint8_t>((x * 5) % 256), static_cast<std::uint8_t>(n * 4), 255};
    });
    VipsRuntime::ensure();
    const vips::VImage image = VipsRuntime::viewForEncoding(busy);
    for (const double sigma : {detail::reducedBlurThreshold, 11.0, 17.0, 60.0}) {
        SCOPED_TRACE(sigma);
        const vips::VImage difference =
            (detail::clampedBlur(image, sigma) - detail::clampedBlurFullResolution(image, sigma))
                .abs()
                .copy_memory();
        // The worst is where pixel noise meets the border, whose pixels are repeated outward.
        EXPECT_LT(difference.max(), 2.0);
        EXPECT_LT(difference.avg(), 0.2);
    }
}

TEST(ImageFilters, GaussianBlurWeighsColourByAlpha) {
    // Opaque red beside fully transparent pixels whose hidden colour is black.
    const Bitmap half = test::drawn(80, 20, AlphaInfo::last, [](int x, int) -> Pixel {
        return x < 40 ? Pixel{230, 20, 20, 255} : Pixel{0, 0, 0, 0};
    });
    const Bitmap blurred = rendered(gaussianBlur(LazyImage::fromBitmap(half), 4.0), AlphaInfo::last);
    const std::uint8_t* edge = blurred.pixel(41, 10);
    EXPECT_GT(edge[3], 50);
    EXPECT_LT(edge[3], 128);
    EXPECT_NEAR(edge[0], 230, 2); // red, not darkened towards black
    EXPECT_NEAR(blurred.pixel(10, 10)[3], 255, 1);
}

TEST(ImageFilters, BlendWithMaskMixesByTheMask) {
    const LazyImage red = solidColor(3, 1, 1.0, 0.0, 0.0, 1.0);
    const LazyImage blue = solidColor(3, 1, 0.0, 0.0, 1.0, 1.0);
    const LazyImage mask = fromMask(Mask{3, 1, {255, 128, 0}});
    const Bitmap mixed = rendered(blendWithMask(red, blue, mask));
    EXPECT_EQ(mixed.pixel(0, 0)[0], 255);
    EXPECT_EQ(mixed.pixel(0, 0)[2], 0);
    EXPECT_NEAR(mixed.pixel(1, 0)[0], 128, 1);
    EXPECT_NEAR(mixed.pixel(1, 0)[2], 127, 1);
    EXPECT_EQ(mixed.pixel(2, 0)[0], 0);
    EXPECT_EQ(mixed.pixel(2, 0)[2], 255);

    // A transparent background leaves the subject alone on transparency, its colour intact at
    // the soft edge.
    const LazyImage clear = solidColor(3, 1, 0.0, 0.0, 0.0, 0.0);
    const LazyImage cutOut = blendWithMask(red, clear, mask);
    EXPECT_TRUE(cutOut.hasAlpha());
    const Bitmap straight = rendered(cutOut, AlphaInfo::last);
    EXPECT_EQ(straight.pixel(0, 0)[3], 255);
    EXPECT_NEAR(straight.pixel(1, 0)[3], 128, 1);
    EXPECT_EQ(straight.pixel(1, 0)[0], 255);
    EXPECT_EQ(straight.pixel(2, 0)[3], 0);

    EXPECT_THROW(blendWithMask(red, solidColor(4, 1, 0, 0, 0, 1), mask), std::invalid_argument);
    EXPECT_THROW(blendWithMask(red, blue, fromMask(Mask{1, 1, {0}})), std::invalid_argument);
}

TEST(ImageFilters, AutoAdjustLeavesAWellExposedPhotoNearlyAlone) {
    const Bitmap photo = landscape(600, 400);
    const Bitmap adjusted = rendered(autoAdjust(LazyImage::fromBitmap(photo)));
    EXPECT_LT(test::meanChannelDifference(photo, adjusted), 3.0);
}

TEST(ImageFilters, AutoAdjustSpreadsAnUnderExposedHistogramAndLiftsDullColour) {
    const Bitmap dark = landscape(600, 400, 0.35);
    const Spread before = luminanceSpread(dark);
    const Spread after = luminanceSpread(rendered(autoAdjust(LazyImage::fromBitmap(dark))));
    EXPECT_GT(after.deviation, 1.6 * before.deviation);
    EXPECT_GT(after.range, 1.8 * before.range);

    const Bitmap dull = landscape(600, 400, 1.0, 0.3);
    EXPECT_GT(colourfulness(rendered(autoAdjust(LazyImage::fromBitmap(dull)))), 1.15 * colourfulness(dull));
}

TEST(ImageFilters, AutoAdjustKeepsAlpha) {
    const Bitmap withAlpha = test::gradient(64, 48, AlphaInfo::last);
    const Bitmap adjusted = rendered(autoAdjust(LazyImage::fromBitmap(withAlpha)), AlphaInfo::last);
    EXPECT_EQ(adjusted.pixel(0, 10)[3], withAlpha.pixel(0, 10)[3]);
    EXPECT_EQ(adjusted.pixel(40, 10)[3], withAlpha.pixel(40, 10)[3]);
}

TEST(ImageFilters, ReduceNoiseFlattensNoiseButKeepsEdges) {
    // Vertical bands of flat colour with sharp edges, plus Gaussian noise of 5 levels per channel.
    constexpr int width = 240;
    constexpr int height = 120;
    constexpr double noise = 5.0;
    std::mt19937 random(7);
    std::normal_distribution<double> gaussian(0.0, noise);
    const Bitmap noisy = test::drawn(width, height, AlphaInfo::noneSkipLast, [&](int x, int) -> Pixel {
        const bool light = x >= 80 && x < 160;
        const double r = light ? 190 : 70, g = light ? 170 : 60, b = light ? 150 : 80;
        return {clamped(r + gaussian(random)), clamped(g + gaussian(random)), clamped(b + gaussian(random)),
                255};
    });
    const Bitmap cleaned = rendered(reduceNoise(LazyImage::fromBitmap(noisy), 0.02f, 0.4f));
    for (int channel = 0; channel < 3; ++channel) {
        SCOPED_TRACE(channel);
        EXPECT_LT(deviationOver(cleaned, channel, 20, 60, 10, 110),
                  0.5 * deviationOver(noisy, channel, 20, 60, 10, 110));
        EXPECT_LT(deviationOver(cleaned, channel, 100, 140, 10, 110),
                  0.5 * deviationOver(noisy, channel, 100, 140, 10, 110));
        // The step between the two columns either side of an edge, as high as before.
        const double before =
            meanOver(noisy, channel, 80, 81, 0, height) - meanOver(noisy, channel, 79, 80, 0, height);
        const double after =
            meanOver(cleaned, channel, 80, 81, 0, height) - meanOver(cleaned, channel, 79, 80, 0, height);
        EXPECT_NEAR(after, before, 0.1 * std::abs(before));
    }
}

TEST(ImageFilters, UnsharpMaskOvershootsAnEdgeAndLeavesFlatAreasAlone) {
    const Bitmap step = test::drawn(120, 40, AlphaInfo::noneSkipLast, [](int x, int) -> Pixel {
        const std::uint8_t v = x < 60 ? 60 : 180;
        return {v, v, v, 255};
    });
    const LazyImage source = LazyImage::fromBitmap(step);
    const Bitmap sharpened = rendered(unsharpMask(source, 2.0f, 1.0f));
    EXPECT_GT(sharpened.pixel(60, 20)[0], 200);
    EXPECT_LT(sharpened.pixel(59, 20)[0], 40);
    EXPECT_EQ(sharpened.pixel(5, 20)[0], 60);
    EXPECT_EQ(sharpened.pixel(115, 20)[0], 180);
    EXPECT_EQ(sharpened.pixel(5, 0)[0], 60); // the border is no edge

    const Bitmap blurred = rendered(gaussianBlur(source, 2.0));
    for (int x : {57, 58, 61, 62}) {
        const double expected = step.pixel(x, 20)[0] + 1.0 * (step.pixel(x, 20)[0] - blurred.pixel(x, 20)[0]);
        EXPECT_NEAR(sharpened.pixel(x, 20)[0], expected, 1.0);
    }

    // Strong sharpening clamps rather than wrapping around.
    const Bitmap strong = rendered(unsharpMask(source, 2.0f, 6.0f));
    EXPECT_EQ(strong.pixel(59, 20)[0], 0);
    EXPECT_EQ(strong.pixel(60, 20)[0], 255);
}
