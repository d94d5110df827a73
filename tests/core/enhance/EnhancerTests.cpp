#include "core/enhance/Enhancer.h"
#include "core/upscale/Upscaler.h"
#include "tests/support/TestImages.h"
#include "tests/support/TestNetworks.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace orvane;

namespace {

const EnhanceOptions everythingOff{
    .autoLight = false, .reduceNoise = false, .sharpen = false, .aiDetail = false, .strength = 0.5};

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
    EXPECT_EQ(
        options,
        (EnhanceOptions{
            .autoLight = true, .reduceNoise = true, .sharpen = true, .aiDetail = true, .strength = 0.5}));
    EXPECT_NE(
        options,
        (EnhanceOptions{
            .autoLight = true, .reduceNoise = true, .sharpen = true, .aiDetail = true, .strength = 0.6}));
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

// Transparency comes out white, as in a JPEG conversion, whatever colour lies hidden under it.
TEST(Enhancer, TransparencyIsLaidOverWhite) {
    const Bitmap logo = test::logoOnTransparency(96, 64);
    const auto upscaler = Upscaler::load(test::nearest4xBundle());
    for (const auto& [options, detail] : std::vector<std::pair<EnhanceOptions, const Upscaler*>>{
             {everythingOff, nullptr}, {EnhanceOptions{}, nullptr}, {EnhanceOptions{}, upscaler.get()}}) {
        const Bitmap enhanced = Enhancer::enhance(logo, options, detail);
        EXPECT_EQ(enhanced.alphaInfo(), AlphaInfo::noneSkipLast);
        for (const int x : {60, 80, 95}) {
            const std::uint8_t* p = enhanced.pixel(x, 32);
            EXPECT_EQ(std::min({p[0], p[1], p[2]}), 255) << x << (detail != nullptr ? " with detail" : "");
        }
        EXPECT_LT(enhanced.pixel(20, 32)[2], 100);
    }
}

// A picture a pixel or a few high is enhanced like any other, at its own size.
TEST(Enhancer, AThinPictureIsEnhancedAtItsOwnSize) {
    const auto upscaler = Upscaler::load(test::nearest4xBundle());
    for (const auto& [width, height] :
         std::vector<std::pair<int, int>>{{2000, 1}, {1, 2000}, {20000, 3}, {1, 1}}) {
        const Bitmap photo = test::gradient(width, height);
        const Bitmap enhanced =
            Enhancer::enhance(photo, EnhanceOptions{}, width * height <= 2000 ? upscaler.get() : nullptr);
        EXPECT_EQ(enhanced.width(), width);
        EXPECT_EQ(enhanced.height(), height);
    }
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

namespace {

// A mid-toned picture, and the same cut out as a disc whose hidden colour is black.
Bitmap picture(int width, int height) {
    return test::drawn(
        width, height, AlphaInfo::noneSkipLast, [&](int x, int y) -> std::array<std::uint8_t, 4> {
            return {static_cast<std::uint8_t>(60 + 120 * x / width),
                    static_cast<std::uint8_t>(80 + 100 * y / height),
                    static_cast<std::uint8_t>(128 + 60 * std::sin(x * 0.05) * std::cos(y * 0.05)), 255};
        });
}

double distanceFromCentre(const Bitmap& image, int x, int y) {
    return std::hypot(x + 0.5 - image.width() / 2.0, y + 0.5 - image.height() / 2.0);
}

Bitmap disc(const Bitmap& photo, double radius) {
    return test::drawn(photo.width(), photo.height(), AlphaInfo::last,
                       [&](int x, int y) -> std::array<std::uint8_t, 4> {
                           if (distanceFromCentre(photo, x, y) > radius) {
                               return {0, 0, 0, 0};
                           }
                           const std::uint8_t* p = photo.pixel(x, y);
                           return {p[0], p[1], p[2], 255};
                       });
}

} // namespace

// What is hidden under transparency plays no part: the visible disc comes out as the same part of
// the enhanced photo would, its shape intact, and the output is opaque with white where nothing
// was visible.
TEST(Enhancer, ACutOutComesOutAsTheEnhancedPhotoInItsOwnShape) {
    const Bitmap photo = picture(320, 240);
    const double radius = 90;
    const Bitmap cutOut = disc(photo, radius);
    const auto upscaler = Upscaler::load(test::nearest4xBundle());
    for (const Upscaler* detail : {static_cast<const Upscaler*>(nullptr), upscaler.get()}) {
        const Bitmap reference = Enhancer::enhance(photo, EnhanceOptions{}, detail);
        const Bitmap enhanced = Enhancer::enhance(cutOut, EnhanceOptions{}, detail);
        EXPECT_EQ(enhanced.alphaInfo(), AlphaInfo::noneSkipLast);
        double difference = 0;
        int inside = 0;
        int largest = 0;
        for (int y = 0; y < photo.height(); ++y) {
            for (int x = 0; x < photo.width(); ++x) {
                const double distance = distanceFromCentre(photo, x, y);
                const std::uint8_t* got = enhanced.pixel(x, y);
                if (distance > radius + 1) {
                    EXPECT_EQ(got[0] + got[1] + got[2], 3 * 255) << x << "," << y;
                } else if (distance < radius - 3) {
                    for (int c = 0; c < 3; ++c) {
                        const int d = std::abs(got[c] - reference.pixel(x, y)[c]);
                        difference += d;
                        largest = std::max(largest, d);
                    }
                    ++inside;
                }
            }
        }
        EXPECT_LT(difference / (inside * 3), 12.0) << (detail != nullptr);
        EXPECT_LT(largest, 48) << (detail != nullptr);
    }
}

// A cut-out's soft edge, over a dark colour that was cut away, comes out no darker against the
// subject than it went in: no dark halo where the subject meets the white it is laid on. The
// automatic light is left out: it sets the tones of the whole picture, which this measure would
// read as a change at the edge.
TEST(Enhancer, ASoftEdgedCutOutGetsNoHaloOfTheColourCutAway) {
    const int side = 240;
    const double radius = 80;
    const double ramp = 8;
    const Bitmap cutOut =
        test::drawn(side, side, AlphaInfo::last, [&](int x, int y) -> std::array<std::uint8_t, 4> {
            const double distance = std::hypot(x + 0.5 - side / 2.0, y + 0.5 - side / 2.0);
            const double alpha = std::clamp((radius - distance) / ramp, 0.0, 1.0);
            if (alpha == 0) {
                return {12, 10, 20, 0}; // the background that was cut away
            }
            // A light subject whose edge pixels still carry some of that background, as cut-outs do.
            const double kept = (1 - alpha) * 0.3;
            const auto mix = [&](double subject, double background) {
                return static_cast<std::uint8_t>(std::lround(subject * (1 - kept) + background * kept));
            };
            return {mix(200 + 10 * std::sin(x * 0.2), 12), mix(190, 10), mix(180, 20),
                    static_cast<std::uint8_t>(std::lround(alpha * 255))};
        });
    // Mean darkness of the edge band against the inside (with the cut-out laid over white).
    const auto edgeToInside = [&](const Bitmap& image, bool overWhite) {
        double edge = 0;
        double inside = 0;
        int edgeCount = 0;
        int insideCount = 0;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const double distance = std::hypot(x + 0.5 - side / 2.0, y + 0.5 - side / 2.0);
                const std::uint8_t* p = image.pixel(x, y);
                const double weight = overWhite ? p[3] / 255.0 : 1.0;
                const double dark = (255 - (p[0] + p[1] + p[2]) / 3.0) * weight;
                if (distance > radius - ramp && distance < radius + 2) {
                    edge += dark;
                    ++edgeCount;
                } else if (distance < radius - ramp - 6) {
                    inside += dark;
                    ++insideCount;
                }
            }
        }
        return (edge / edgeCount) / (inside / insideCount);
    };
    const double before = edgeToInside(cutOut, true);
    EnhanceOptions options;
    options.autoLight = false;
    const Bitmap enhanced = Enhancer::enhance(cutOut, options);
    EXPECT_EQ(enhanced.alphaInfo(), AlphaInfo::noneSkipLast);
    EXPECT_LE(edgeToInside(enhanced, false), before * 1.1);
}

// Pure black can come out of the colour conversion a hair below zero lightness; it once turned the
// automatic light into no number at all, blacking out everything near it.
TEST(Enhancer, ABlackFrameLeavesThePhotoInsideAlone) {
    const Bitmap photo = picture(320, 240);
    const Bitmap framed =
        test::drawn(320, 240, AlphaInfo::noneSkipLast, [&](int x, int y) -> std::array<std::uint8_t, 4> {
            if (x < 60 || x >= 260 || y < 50 || y >= 190) {
                return {0, 0, 0, 255};
            }
            const std::uint8_t* p = photo.pixel(x, y);
            return {p[0], p[1], p[2], 255};
        });
    const Bitmap enhanced = Enhancer::applyFilters(framed, EnhanceOptions{});
    int lost = 0;
    for (int y = 55; y < 185; ++y) {
        for (int x = 65; x < 255; ++x) {
            const std::uint8_t* p = enhanced.pixel(x, y);
            lost += std::max({p[0], p[1], p[2]}) < 40 ? 1 : 0;
        }
    }
    EXPECT_EQ(lost, 0);
}
