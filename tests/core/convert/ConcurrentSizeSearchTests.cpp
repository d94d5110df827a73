#include "core/Render.h"
#include "core/convert/ConvertError.h"
#include "core/convert/detail/ConverterSteps.h"
#include "tests/support/TestImages.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <set>

using namespace orvane;

namespace {

constexpr int workers = 6;

// A file whose bytes tell which quality and size made it.
Bytes marked(std::size_t size, double quality, int longEdge) {
    return Bytes(size, static_cast<std::uint8_t>(static_cast<int>(quality * 1000) + longEdge));
}

// An encoder whose sizes follow `size`, safe to call from several threads.
Converter::EncodeFunction fake(std::function<std::size_t(double quality, int longEdge)> size) {
    auto calls = std::make_shared<std::mutex>();
    return [size = std::move(size), calls](const Bitmap& image, const ImageProperties&, ConvertFormat,
                                           double quality) {
        const std::lock_guard lock(*calls);
        const int longEdge = std::max(image.width(), image.height());
        return marked(size(quality, longEdge), quality, longEdge);
    };
}

// Runs both searches; returns the error description when they fail (alike), "" when they agree.
std::string expectSameOutcome(
    const Bitmap& image, ConvertFormat format, std::int64_t budget, const Converter::EncodeFunction& encoder,
    const std::function<double(double)>& setting = [](double q) { return q; }) {
    std::optional<Converter::BudgetResult> oneByOne;
    std::string oneByOneError;
    try {
        oneByOne = Converter::encodeWithinBudget(image, {}, format, budget, encoder);
    } catch (const std::exception& error) {
        oneByOneError = error.what();
    }
    try {
        const auto ahead =
            Converter::encodeWithinBudgetConcurrently(image, {}, format, budget, workers, encoder, setting);
        EXPECT_TRUE(oneByOne) << "only the concurrent search succeeded";
        if (oneByOne) {
            EXPECT_EQ(ahead.data, oneByOne->data);
            EXPECT_EQ(ahead.quality, oneByOne->quality);
            EXPECT_EQ(ahead.image.width(), oneByOne->image.width());
            EXPECT_EQ(ahead.image.height(), oneByOne->image.height());
            EXPECT_EQ(test::maxChannelDifference(ahead.image, oneByOne->image), 0);
        }
    } catch (const std::exception& error) {
        EXPECT_EQ(error.what(), oneByOneError);
    }
    return oneByOneError;
}

} // namespace

TEST(ConcurrentSizeSearch, TakesTheFileTheOneByOneSearchTakesWhateverTheSizes) {
    const Bitmap image = test::gradient(400, 300);
    // Monotone sizes met at various qualities and image sizes, sizes that jump about with
    // quality (a file may shrink as quality rises), a budget nothing meets, and a lossless
    // format.
    for (const std::int64_t budget : {50, 400, 1000, 2500, 9000}) {
        expectSameOutcome(image, ConvertFormat::webp, budget,
                          fake([](double q, int edge) { return static_cast<std::size_t>(q * edge * 20); }));
    }
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        expectSameOutcome(image, ConvertFormat::heic, 1000, fake([seed](double q, int edge) {
                              const auto hash = static_cast<std::uint32_t>(q * 1e6) * 2654435761U ^
                                                static_cast<std::uint32_t>(edge) * 40503U ^ seed * 97U;
                              return static_cast<std::size_t>(hash % 1500 + edge);
                          }));
    }
    EXPECT_EQ(expectSameOutcome(image, ConvertFormat::avif, 10, fake([](double, int) { return 10'000; })),
              "Couldn't get the file under 0 KB, even at a small size.");
    expectSameOutcome(image, ConvertFormat::png, 700, fake([](double, int edge) { return edge * 3; }));
    // A width whose reductions come out a pixel short of 0.85 of the one before: each reduction
    // starts from the image the last one really gave.
    expectSameOutcome(test::gradient(282, 200), ConvertFormat::jpeg, 1000,
                      fake([](double q, int edge) { return edge < 150 && q < 0.6 ? 900 : 5000; }));
}

TEST(ConcurrentSizeSearch, OnlyFailuresTheSearchReachesCount) {
    const Bitmap image = test::gradient(400, 300);
    // Forgiven at the first try; never reached (the bisection climbs from 0.5); reached.
    expectSameOutcome(image, ConvertFormat::heic, 1000, fake([](double q, int) -> std::size_t {
                          if (q == 0.95) {
                              throw ConvertError::encodeFailed("HEIC");
                          }
                          return 10;
                      }));
    expectSameOutcome(image, ConvertFormat::avif, 1000, fake([](double q, int) -> std::size_t {
                          if (q < 0.3) {
                              throw ConvertError::encodeFailed("AVIF");
                          }
                          return q == 0.95 ? 5000 : 10;
                      }));
    EXPECT_EQ(expectSameOutcome(image, ConvertFormat::webp, 1000, fake([](double q, int) -> std::size_t {
                                    if (q < 0.2) {
                                        throw ConvertError::encodeFailed("WebP");
                                    }
                                    return 5000;
                                })),
              "Couldn't write WebP.");
}

TEST(ConcurrentSizeSearch, RealEncodersGiveByteIdenticalFiles) {
    // A small photo-like image, with budgets that need the whole bisection, and for the quick
    // encoders a reduction in size too.
    const Bitmap image = test::noise(240, 180);
    for (const ConvertFormat format :
         {ConvertFormat::jpeg, ConvertFormat::webp, ConvertFormat::heic, ConvertFormat::avif}) {
        const auto setting = [format](double q) { return Converter::encoderSetting(format, q); };
        const auto size = [&](const Bitmap& of, double q) {
            return static_cast<std::int64_t>(Converter::encode(of, {}, format, q).size());
        };
        EXPECT_EQ(expectSameOutcome(image, format, size(image, 0.3), Converter::encode, setting), "")
            << rawValue(format);
        if (format == ConvertFormat::jpeg || format == ConvertFormat::webp) {
            // Met once the image is reduced, never at full size.
            const std::int64_t budget = size(Render::downscaled(image, 204), 0.06);
            ASSERT_LT(budget, size(image, 0.05));
            EXPECT_EQ(expectSameOutcome(image, format, budget, Converter::encode, setting), "")
                << rawValue(format);
        }
    }
}

TEST(ConcurrentSizeSearch, QualitiesTheEncoderTreatsAlikeAreEncodedOnce) {
    // JPEG, HEIC and AVIF take whole percents: 0.0640625 and 0.05703125 are both 6.
    EXPECT_EQ(Converter::encoderSetting(ConvertFormat::heic, 0.0640625),
              Converter::encoderSetting(ConvertFormat::heic, 0.05703125));
    EXPECT_EQ(Converter::encoderSetting(ConvertFormat::jpeg, 0.05703125), 6);
    EXPECT_NE(Converter::encoderSetting(ConvertFormat::webp, 0.0640625),
              Converter::encoderSetting(ConvertFormat::webp, 0.05703125));

    std::mutex mutex;
    std::vector<std::pair<int, double>> made;
    const Converter::EncodeFunction recording = [&](const Bitmap& image, const ImageProperties&,
                                                    ConvertFormat, double q) {
        const std::lock_guard lock(mutex);
        made.emplace_back(image.width(), std::round(q * 100));
        return Bytes(5000);
    };
    EXPECT_THROW(Converter::encodeWithinBudgetConcurrently(test::gradient(300, 200), {}, ConvertFormat::jpeg,
                                                           1000, workers, recording,
                                                           [](double q) { return std::round(q * 100); }),
                 ConvertError);
    std::ranges::sort(made);
    EXPECT_EQ(std::ranges::adjacent_find(made), made.end()) << "one setting encoded twice";
    EXPECT_GE(made.size(), 7U * 6U); // 8 qualities, 7 settings, at each of the 6 sizes tried
}

TEST(ConcurrentSizeSearch, AsManyEncodingsAtOnceAsCoresAndMemoryAllow) {
    constexpr std::uint64_t gigabyte = 1ULL << 30;
    EXPECT_EQ(Converter::searchWorkers(18'000'000, 8, 24 * gigabyte), 8);
    EXPECT_EQ(Converter::searchWorkers(18'000'000, 32, 64 * gigabyte), 8);
    EXPECT_EQ(Converter::searchWorkers(18'000'000, 2, 24 * gigabyte), 2);
    EXPECT_EQ(Converter::searchWorkers(18'000'000, 8, 4 * gigabyte), 2);
    // A 100 MP panorama on an 8 GB machine: one at a time, as the search always could.
    EXPECT_EQ(Converter::searchWorkers(100'000'000, 8, 8 * gigabyte), 1);
    EXPECT_EQ(Converter::searchWorkers(0, 0, 0), 1);
}

// At each size at most the eight encodings of one quality search (one for a lossless format), and
// no size beyond those the one-by-one search reaches, whatever the files' sizes.
TEST(ConcurrentSizeSearch, EncodesNoMoreThanTheOneByOneSearchAtAnySize) {
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        for (const ConvertFormat format : {ConvertFormat::jpeg, ConvertFormat::heic, ConvertFormat::png}) {
            for (const std::int64_t budget : {300, 2000, 6000}) {
                std::mutex mutex;
                std::map<int, int> encodingsAt; // by long edge, concurrently
                std::set<int> reachedEdges;     // one by one
                std::map<int, int>* counting = nullptr;
                const Converter::EncodeFunction encode = [&](const Bitmap& image, const ImageProperties&,
                                                             ConvertFormat, double q) {
                    const int edge = std::max(image.width(), image.height());
                    const std::lock_guard lock(mutex);
                    if (counting) {
                        ++(*counting)[edge];
                    } else {
                        reachedEdges.insert(edge);
                    }
                    const auto hash = static_cast<std::uint32_t>(q * 1e6) * 2654435761U ^
                                      static_cast<std::uint32_t>(edge) * 40503U ^ seed * 97U;
                    return Bytes(static_cast<std::size_t>(edge * 10 + hash % 2000));
                };
                bool answered = true;
                try {
                    Converter::encodeWithinBudget(test::gradient(400, 300), {}, format, budget, encode);
                } catch (const ConvertError&) {
                    answered = false;
                }
                counting = &encodingsAt;
                try {
                    Converter::encodeWithinBudgetConcurrently(test::gradient(400, 300), {}, format, budget,
                                                              workers, encode, [](double q) { return q; });
                } catch (const ConvertError&) {
                }
                for (const auto& [edge, count] : encodingsAt) {
                    EXPECT_LE(count, isLossy(format) ? 8 : 1) << rawValue(format) << " at " << edge;
                    // Sizes past the answer may be begun ahead; never past the search's limits.
                    EXPECT_GE(edge, 64);
                    EXPECT_TRUE(answered || reachedEdges.contains(edge)) << edge;
                }
                EXPECT_LE(encodingsAt.size(), 14U);
            }
        }
    }
}
