#include "platform/filters/detail/ImageFiltersInternal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace orvane::ImageFilters::detail {

using vips::VImage;

namespace {
// The histogram and the large-scale light are measured on a preview about this wide: enough for
// percentiles and for light that varies over a tenth of the picture.
constexpr int previewSide = 512;
// The tone curve is tabulated per tenth of an L* unit.
constexpr int curveSteps = 1000;

struct Preview {
    int width = 0;
    int height = 0;
    std::vector<float> lab;    // L*, a*, b* per pixel
    std::vector<float> weight; // how much each pixel counts: its coverage, 0 to 1
};

std::vector<float> pixelsOf(const VImage& image) {
    std::size_t size = 0;
    void* memory = image.write_to_memory(&size);
    std::unique_ptr<void, decltype(&g_free)> owned(memory, &g_free);
    std::vector<float> values(size / sizeof(float));
    std::memcpy(values.data(), memory, values.size() * sizeof(float));
    return values;
}

VImage imageOf(const std::vector<float>& values, int width, int height, int bands) {
    return copiedImage(values.data(), values.size() * sizeof(float), width, height, bands, VIPS_FORMAT_FLOAT);
}

Preview previewOf(const VImage& rgb, const std::optional<VImage>& coverage) {
    const int factor = std::max(1, std::max(rgb.width(), rgb.height()) / previewSide);
    // A side shorter than the factor is kept whole: a picture a few pixels high still has rows.
    const int across = std::min(factor, rgb.width());
    const int down = std::min(factor, rgb.height());
    const VImage small =
        rgb.shrink(across, down).colourspace(VIPS_INTERPRETATION_LAB).cast(VIPS_FORMAT_FLOAT);
    std::vector<float> weight;
    if (coverage) {
        weight =
            pixelsOf(coverage->shrink(across, down).cast(VIPS_FORMAT_FLOAT).linear({1.0 / 255.0}, {0.0}));
    } else {
        weight.assign(static_cast<std::size_t>(small.width()) * small.height(), 1.0f);
    }
    return {.width = small.width(),
            .height = small.height(),
            .lab = pixelsOf(small),
            .weight = std::move(weight)};
}

struct Statistics {
    double low = 0; // L* of the darkest 0.5 %
    double median = 50;
    double high = 100; // L* of the brightest 0.5 %
    double meanChroma = 0;
};

// Over the visible pixels only: what lies under transparency is no part of the picture.
Statistics statisticsOf(const Preview& preview) {
    std::array<double, curveSteps + 1> histogram{};
    double chroma = 0;
    double count = 0;
    for (std::size_t i = 0; i < preview.weight.size(); ++i) {
        const float* p = &preview.lab[i * 3];
        const double weight = preview.weight[i];
        histogram[static_cast<std::size_t>(std::clamp(std::lround(p[0] * 10.0f), 0L, long{curveSteps}))] +=
            weight;
        chroma += weight * std::hypot(p[1], p[2]);
        count += weight;
    }
    if (!(count > 0)) {
        return {};
    }
    auto percentile = [&](double fraction) {
        const double wanted = fraction * count;
        double seen = 0;
        for (int i = 0; i <= curveSteps; ++i) {
            seen += histogram[i];
            if (seen >= wanted) {
                return i / 10.0;
            }
        }
        return 100.0;
    };
    return {.low = percentile(0.005),
            .median = percentile(0.5),
            .high = percentile(0.995),
            .meanChroma = chroma / count};
}

// Maps L* (0 to 100) to L*: levels from the robust black and white points, a toe and a shoulder
// that compress what lies beyond them instead of clipping it, and a gamma that moves the median
// part of the way to middle grey.
class ToneCurve {
public:
    explicit ToneCurve(const Statistics& statistics) {
        // Limits keep a dark or foggy scene from being stretched into noise, and a photo whose
        // extremes are already near black and white nearly untouched.
        constexpr double maximumGain = 2.8;
        // Near-black shadows are left as they are: a photo may well have nothing quite black.
        black_ = std::clamp(statistics.low - 2.5, 0.0, 15.0);
        white_ = std::clamp(statistics.high + 0.5, black_ + 100.0 / maximumGain, 100.0);
        // The brightest tones are taken most of the way to white, not all of it: a scene without
        // highlights (dusk, an overcast day) should not be made to look sunlit.
        reach_ = (white_ + 0.6 * (100.0 - white_)) / 100.0;
        lowest_ = stretched(0.0);
        highest_ = stretched(100.0);
        // A median anywhere in the middle band is a choice of the photo (low or high key); only
        // half of what lies beyond it is corrected.
        const double median = std::clamp(beforeGamma(statistics.median), 0.02, 0.98);
        const double target = median + 0.5 * (std::clamp(median, 0.38, 0.6) - median);
        gamma_ = std::clamp(std::log(target) / std::log(median), 0.6, 1.5);
    }

    // Lightness a rounding error outside 0 to 100 counts as black or white: below black the toe
    // would turn negative, and its power not a number.
    double operator()(double lightness) const {
        return 100.0 * std::pow(beforeGamma(std::clamp(lightness, 0.0, 100.0)), gamma_);
    }

private:
    static constexpr double toe = 0.08;
    static constexpr double shoulder = 0.9;

    double stretched(double lightness) const { return reach_ * (lightness - black_) / (white_ - black_); }

    // u / (1 + c u) has slope 1 at 0 and reaches 1 at `extent`: the curve stays smooth where the
    // compression starts and ends exactly at black or white.
    static double compressed(double u, double extent) {
        const double c = extent > 1.0 ? (extent - 1.0) / extent : 0.0;
        return u / (1.0 + c * u);
    }

    double beforeGamma(double lightness) const {
        const double t = stretched(lightness);
        if (t > shoulder) {
            const double span = 1.0 - shoulder;
            return shoulder + span * compressed((t - shoulder) / span, (highest_ - shoulder) / span);
        }
        if (t < toe) {
            return toe * (1.0 - compressed((toe - t) / toe, (toe - lowest_) / toe));
        }
        return t;
    }

    double black_ = 0;
    double white_ = 100;
    double reach_ = 1;
    double lowest_ = 0;
    double highest_ = 1;
    double gamma_ = 1;
};

// How much a pixel may move with the local recovery: little at pure black and white, so that
// they stay black and white.
double movable(double lightness) {
    return std::clamp(lightness / 10.0, 0.0, 1.0) * std::clamp((100.0 - lightness) / 10.0, 0.0, 1.0);
}

// Shadow and highlight recovery: an L* offset from the large-scale light around each pixel
// (so local contrast is kept), lifting dark regions and lowering bright ones in proportion to how
// much of the picture is in them. Computed on the preview; smooth enough to be enlarged. Only
// visible pixels count, and the light around a pixel is that of the visible ones near it.
VImage recoveryOffset(const Preview& preview, const ToneCurve& curve) {
    const std::size_t count = preview.weight.size();
    std::vector<float> weighted(count * 2);
    double shadows = 0;
    double highlights = 0;
    double n = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double l = curve(preview.lab[i * 3]);
        const double weight = preview.weight[i];
        weighted[i * 2] = static_cast<float>(l * weight);
        weighted[i * 2 + 1] = static_cast<float>(weight);
        shadows += l < 15.0 ? weight : 0.0;
        highlights += l > 95.0 ? weight : 0.0;
        n += weight;
    }
    n = std::max(n, 1.0);
    const double shadowAmount = std::clamp((shadows / n - 0.05) * 3.0, 0.0, 1.0);
    const double highlightAmount = std::clamp((highlights / n - 0.02) * 4.0, 0.0, 1.0);
    const double sigma = std::max(preview.width, preview.height) / 50.0;
    const std::vector<float> spread =
        pixelsOf(clampedBlur(imageOf(weighted, preview.width, preview.height, 2), std::max(sigma, 1.0)));
    std::vector<float> base(count);
    for (std::size_t i = 0; i < count; ++i) {
        // Far from anything visible there is no light to speak of; nothing there is seen either.
        base[i] = spread[i * 2 + 1] > 1e-4f ? spread[i * 2] / spread[i * 2 + 1] : 50.0f;
    }
    for (float& value : base) {
        const double dark = std::pow(std::clamp(1.0 - value / 40.0, 0.0, 1.0), 2.0);
        const double bright = std::pow(std::clamp((value - 60.0) / 40.0, 0.0, 1.0), 2.0);
        value = static_cast<float>(12.0 * shadowAmount * dark - 10.0 * highlightAmount * bright);
    }
    return imageOf(base, preview.width, preview.height, 1);
}

VImage enlarged(const VImage& small, int width, int height) {
    const double sx = static_cast<double>(width) / small.width();
    const double sy = static_cast<double>(height) / small.height();
    return small.affine({sx, 0.0, 0.0, sy},
                        VImage::option()
                            ->set("interpolate", vips::VInterpolate::new_from_name("bilinear"))
                            ->set("odx", (sx - 1.0) / 2.0)
                            ->set("ody", (sy - 1.0) / 2.0)
                            ->set("oarea", std::vector<int>{0, 0, width, height})
                            ->set("extend", VIPS_EXTEND_COPY));
}

// Vibrance strength: dull pictures get up to this much more chroma in their dull colours, vivid
// ones none.
double vibranceFor(double meanChroma) {
    return 0.35 * std::clamp((30.0 - meanChroma) / 18.0, 0.0, 1.0);
}
} // namespace

VImage autoAdjusted(const VImage& rgb, const std::optional<VImage>& coverage) {
    const VImage srgb = rgb.copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    const Preview preview = previewOf(srgb, coverage);
    const Statistics statistics = statisticsOf(preview);
    const ToneCurve curve(statistics);

    // Two tables indexed by L* in tenths: the curve, and how movable its result is. Rounding can
    // take L* a hair past 100, so the tables run on a little beyond it.
    constexpr int tableSize = curveSteps + 24;
    std::vector<float> table(tableSize * 2);
    for (int i = 0; i < tableSize; ++i) {
        const double l = curve(std::min(i, curveSteps) / 10.0);
        table[i * 2] = static_cast<float>(l);
        table[i * 2 + 1] = static_cast<float>(movable(l));
    }
    const VImage lut = imageOf(table, tableSize, 1, 2);

    const VImage lab = srgb.colourspace(VIPS_INTERPRETATION_LAB);
    const VImage lightness = lab.extract_band(0);
    const VImage mapped = lightness.linear({10.0}, {0.5}).cast(VIPS_FORMAT_USHORT).maplut(lut);
    const VImage offset = enlarged(recoveryOffset(preview, curve), rgb.width(), rgb.height());
    const VImage adjusted = mapped.extract_band(0) + offset * mapped.extract_band(1);

    // Chroma follows lightness part of the way (as it would with the light itself changed), by
    // 2r / (1 + r): slope ½ at no change, never beyond double.
    const VImage ratio = (adjusted + 5.0) / (lightness + 5.0);
    VImage chromaScale = ratio * 2.0 / (ratio + 1.0);
    const double vibrance = vibranceFor(statistics.meanChroma);
    const VImage a = lab.extract_band(1);
    const VImage b = lab.extract_band(2);
    if (vibrance > 0.0) {
        // Dull colours gain the most; colours past about 30 of chroma hardly change.
        constexpr double dull = 25.0;
        const VImage t = (a * a + b * b) * (1.0 / (dull * dull));
        chromaScale = chromaScale * (vibrance / (t * t + 1.0) + 1.0);
    }
    const VImage result = VImage::bandjoin({adjusted, a * chromaScale, b * chromaScale})
                              .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_LAB));
    return result.colourspace(VIPS_INTERPRETATION_sRGB).cast(VIPS_FORMAT_UCHAR);
}

} // namespace orvane::ImageFilters::detail
