#include "core/convert/ConvertError.h"
#include "core/convert/detail/ConverterSteps.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

struct Call {
    double quality;
    int longEdge;
};

// An encoder whose output size is a chosen function of quality and size; it records every call.
struct FakeEncoder {
    std::function<std::size_t(double quality, int longEdge)> size;
    std::vector<Call> calls = {};

    Converter::EncodeFunction function() {
        return [this](const Bitmap& image, const ImageProperties&, ConvertFormat, double quality) {
            const int longEdge = std::max(image.width(), image.height());
            calls.push_back({quality, longEdge});
            return Bytes(size(quality, longEdge));
        };
    }
    std::vector<double> qualities() const {
        std::vector<double> q;
        for (const auto& c : calls) {
            q.push_back(c.quality);
        }
        return q;
    }
    std::vector<int> distinctLongEdges() const {
        std::vector<int> edges;
        for (const auto& c : calls) {
            if (edges.empty() || edges.back() != c.longEdge) {
                edges.push_back(c.longEdge);
            }
        }
        return edges;
    }
};

void expectQualities(const std::vector<double>& actual, const std::vector<double>& expected) {
    ASSERT_GE(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(actual[i], expected[i], 1e-12) << "quality " << i;
    }
}

const Bitmap& photo() {
    static const Bitmap image = test::gradient(4000, 3000);
    return image;
}

} // namespace

TEST(SizeBudget, AFileThatFitsAtTheFirstQualityIsTakenAtFullSize) {
    FakeEncoder encoder{[](double, int) { return 100; }};
    const auto result =
        Converter::encodeWithinBudget(photo(), {}, ConvertFormat::jpeg, 1000, encoder.function());
    EXPECT_EQ(result.quality, 0.95);
    EXPECT_EQ(result.image, photo());
    EXPECT_EQ(encoder.qualities(), std::vector<double>{0.95});
}

TEST(SizeBudget, BisectionTriesTheListedQualities) {
    FakeEncoder tooLarge{[](double q, int) { return q > 0.94 ? 2000 : (q >= 0.5 ? 2000 : 500); }};
    // Fits only below 0.5: the search walks down, then up again.
    const auto result =
        Converter::encodeWithinBudget(photo(), {}, ConvertFormat::heic, 1000, tooLarge.function());
    expectQualities(tooLarge.qualities(),
                    {0.95, 0.5, 0.275, 0.3875, 0.44375, 0.471875, 0.4859375, 0.49296875});
    EXPECT_EQ(tooLarge.calls.size(), 8u);
    EXPECT_NEAR(result.quality.value_or(0), 0.49296875, 1e-12);

    FakeEncoder nothingFits{[](double q, int edge) { return edge > 3000 ? 5000 : 10; }};
    Converter::encodeWithinBudget(photo(), {}, ConvertFormat::jpeg, 1000, nothingFits.function());
    expectQualities(nothingFits.qualities(),
                    {0.95, 0.5, 0.275, 0.1625, 0.10625, 0.078125, 0.0640625, 0.05703125, 0.95});

    FakeEncoder everythingFitsButTheTop{[](double q, int) { return q == 0.95 ? 5000 : 10; }};
    const auto top = Converter::encodeWithinBudget(photo(), {}, ConvertFormat::avif, 1000,
                                                   everythingFitsButTheTop.function());
    EXPECT_NEAR(top.quality.value_or(0), 0.94296875, 1e-12);
    expectQualities(everythingFitsButTheTop.qualities(),
                    {0.95, 0.5, 0.725, 0.8375, 0.89375, 0.921875, 0.9359375, 0.94296875});
    EXPECT_EQ(everythingFitsButTheTop.calls.size(), 8u);
}

TEST(SizeBudget, ReducingA4000PixelPhotoTriesTheListedLongEdgesThenFails) {
    FakeEncoder never{[](double, int) { return 10'000; }};
    try {
        Converter::encodeWithinBudget(photo(), {}, ConvertFormat::webp, 1000, never.function());
        FAIL();
    } catch (const ConvertError& error) {
        EXPECT_EQ(error.errorCase(), ConvertError::Case::cannotReachSize);
        EXPECT_EQ(error.kilobytes(), 1);
    }
    EXPECT_EQ(never.distinctLongEdges(), (std::vector<int>{4000, 3400, 2890, 2456, 2087, 1773, 1507, 1280,
                                                           1088, 924, 785, 667, 566, 481}));
    EXPECT_EQ(never.calls.size(), 14u * 8u);
}

TEST(SizeBudget, ASmallImageFailsAsSoonAsItWouldDropBelow64Pixels) {
    FakeEncoder never{[](double, int) { return 10'000; }};
    EXPECT_THROW(
        Converter::encodeWithinBudget(test::gradient(70, 70), {}, ConvertFormat::jpeg, 0, never.function()),
        ConvertError);
    EXPECT_EQ(never.distinctLongEdges(), std::vector<int>{70});
}

TEST(SizeBudget, AZeroBudgetFailsWithZero) {
    try {
        Converter::encodeWithinBudget(test::gradient(200, 100), {}, ConvertFormat::jpeg, 0);
        FAIL();
    } catch (const ConvertError& error) {
        EXPECT_EQ(error.kilobytes(), 0);
        EXPECT_STREQ(error.what(), "Couldn't get the file under 0 KB, even at a small size.");
    }
}

TEST(SizeBudget, LosslessFormatsShrinkInSizeNeverInQuality) {
    FakeEncoder fits{[](double, int) { return 10; }};
    const auto result = Converter::encodeWithinBudget(photo(), {}, ConvertFormat::png, 1000, fits.function());
    EXPECT_FALSE(result.quality.has_value());
    EXPECT_EQ(fits.qualities(), std::vector<double>{1.0});

    FakeEncoder small{[](double, int edge) { return edge > 3000 ? 5000 : 10; }};
    const auto reduced =
        Converter::encodeWithinBudget(photo(), {}, ConvertFormat::tiff, 1000, small.function());
    EXPECT_EQ(small.qualities(), (std::vector<double>{1.0, 1.0, 1.0}));
    EXPECT_EQ(reduced.image.width(), 2890);
    EXPECT_EQ(reduced.image.height(), 2167);
}

TEST(SizeBudget, EncoderErrorsEndTheSearchExceptAtTheFirstLossyTry) {
    int calls = 0;
    const Converter::EncodeFunction failsFirst = [&](const Bitmap&, const ImageProperties&, ConvertFormat,
                                                     double q) {
        ++calls;
        if (q == 0.95) {
            throw ConvertError::encodeFailed("HEIC");
        }
        return Bytes(10);
    };
    EXPECT_NEAR(
        Converter::encodeWithinBudget(photo(), {}, ConvertFormat::heic, 100, failsFirst).quality.value_or(0),
        0.94296875, 1e-12);
    const Converter::EncodeFunction failsInBisection = [](const Bitmap&, const ImageProperties&,
                                                          ConvertFormat, double q) -> Bytes {
        if (q < 0.9) {
            throw ConvertError::encodeFailed("HEIC");
        }
        return Bytes(1000);
    };
    try {
        Converter::encodeWithinBudget(photo(), {}, ConvertFormat::heic, 100, failsInBisection);
        FAIL();
    } catch (const ConvertError& error) {
        EXPECT_EQ(error.errorCase(), ConvertError::Case::encodeFailed);
    }
}

TEST(SizeBudget, RealEncodingsStayWithinTheBudget) {
    const Bitmap image = test::noise(600, 400);
    for (const ConvertFormat format : {ConvertFormat::jpeg, ConvertFormat::webp, ConvertFormat::png}) {
        const auto result = Converter::encodeWithinBudget(image, {}, format, 60'000);
        EXPECT_LE(result.data.size(), 60'000u) << rawValue(format);
        EXPECT_GT(result.data.size(), 0u);
    }
}
