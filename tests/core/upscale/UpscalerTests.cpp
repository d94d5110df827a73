#include "core/UpscaleError.h"
#include "core/upscale/DeviceLimits.h"
#include "core/upscale/TilePlan.h"
#include "core/upscale/Upscaler.h"
#include "platform/filters/LazyImage.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"
#include "tests/support/TestNetworks.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

std::shared_ptr<const Upscaler> nearest4x() {
    static const auto upscaler = Upscaler::load(test::nearest4xBundle());
    return upscaler;
}

Bitmap nearestNeighbour(const Bitmap& image, int scale) {
    return test::drawn(image.width() * scale, image.height() * scale, AlphaInfo::noneSkipLast,
                       [&](int x, int y) -> std::array<std::uint8_t, 4> {
                           const std::uint8_t* p = image.pixel(x / scale, y / scale);
                           return {p[0], p[1], p[2], 255};
                       });
}

std::shared_ptr<const Upscaler> withDescription(const test::TemporaryDirectory& folder,
                                                const std::function<void(NetworkDescription&)>& change) {
    static int count = 0;
    return std::make_shared<const Upscaler>(Network::load(
        test::bundleVariant(folder.path(), "variant" + std::to_string(++count) + ".mlmodelc", change)));
}

// A pass at `factor` as the nearest-neighbour network makes it: each tile's owned part enlarged
// 4× by repeating pixels and resized by the image library to the tile's output rectangle.
Bitmap tileByTile(const Bitmap& source, double factor) {
    const TilePlan plan(source.width(), source.height(), 256, Upscaler::pad, factor);
    const Bitmap enlarged = nearestNeighbour(source, 4);
    const auto width = static_cast<int>(plan.outputSize().width);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * plan.outputSize().height * 4);
    for (const TilePlan::Tile& tile : plan.tiles()) {
        const auto inner = tile.innerRect;
        const Bitmap owned =
            test::drawn(static_cast<int>(inner.width * 4), static_cast<int>(inner.height * 4),
                        AlphaInfo::noneSkipLast, [&](int x, int y) -> std::array<std::uint8_t, 4> {
                            const std::uint8_t* p = enlarged.pixel(static_cast<int>(inner.x * 4 + x),
                                                                   static_cast<int>(inner.y * 4 + y));
                            return {p[0], p[1], p[2], 255};
                        });
        const Bitmap part =
            LazyImage::fromBitmap(owned)
                .resized(static_cast<int>(tile.outputRect.width), static_cast<int>(tile.outputRect.height))
                .render(AlphaInfo::noneSkipLast);
        for (int y = 0; y < part.height(); ++y) {
            std::copy_n(part.pixel(0, y), part.bytesPerRow(),
                        pixels.data() + ((tile.outputRect.y + y) * width + tile.outputRect.x) * 4);
        }
    }
    return Bitmap(width, static_cast<int>(plan.outputSize().height), AlphaInfo::noneSkipLast,
                  std::move(pixels));
}

} // namespace

TEST(Upscaler, ResampledPassesKeepTheImageLibrarysLanczosOfEveryOwnedPart) {
    // Half (2×), a quarter (enhance's scale 1), an eighth, three quarters and 1.5 of 4 (the second
    // pass of 6×), on sizes whose edge tiles are odd.
    const Bitmap noise = test::noise(513, 297, 5);
    const Bitmap photo = test::gradient(230, 451);
    for (const double factor : {2.0, 1.0, 0.5, 3.0, 1.5}) {
        for (const Bitmap* source : {&noise, &photo}) {
            const Bitmap result = nearest4x()->upscale(*source, factor, 256);
            const Bitmap expected = tileByTile(*source, factor);
            ASSERT_EQ(result.width(), expected.width());
            ASSERT_EQ(result.height(), expected.height());
            EXPECT_LE(test::maxChannelDifference(result, expected), 1) << factor << " of " << source->width();
        }
    }
    // 8×: the second pass halves each tile of the first pass's (exact) result.
    const Bitmap small = test::noise(130, 71, 9);
    EXPECT_LE(test::maxChannelDifference(nearest4x()->upscale(small, 8, 256),
                                         tileByTile(nearestNeighbour(small, 4), 2)),
              1);
}

TEST(Upscaler, TilingIsSeamlessAtEverySize) {
    // A nearest-neighbour network makes any seam or misplaced tile show as a wrong pixel.
    for (const auto& [width, height] :
         std::vector<std::pair<int, int>>{{1, 1}, {7, 5}, {224, 224}, {225, 300}, {513, 97}}) {
        const Bitmap source = test::noise(width, height, static_cast<std::uint32_t>(width * 31 + height));
        const Bitmap enlarged = nearest4x()->upscale(source, 4, 256);
        ASSERT_EQ(enlarged.width(), width * 4);
        ASSERT_EQ(enlarged.height(), height * 4);
        EXPECT_EQ(enlarged.alphaInfo(), AlphaInfo::noneSkipLast);
        EXPECT_EQ(test::maxChannelDifference(enlarged, nearestNeighbour(source, 4)), 0)
            << width << "×" << height;
    }
}

TEST(Upscaler, ReportsEveryTileInOrder) {
    std::vector<UpscaleProgress> reports;
    nearest4x()->upscale(test::gradient(1000, 600), 4, 256,
                         [&](const UpscaleProgress& p) { reports.push_back(p); });
    ASSERT_EQ(reports.size(), 15u);
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(reports[i], (UpscaleProgress{.pass = 1,
                                               .passes = 1,
                                               .tile = static_cast<int>(i + 1),
                                               .tiles = 15,
                                               .fraction = static_cast<double>(i + 1) / 15}));
    }
}

TEST(Upscaler, SixTimesRunsTwoPassesTheSecondResampled) {
    std::vector<UpscaleProgress> reports;
    const Bitmap source = test::gradient(120, 80);
    const Bitmap enlarged =
        nearest4x()->upscale(source, 6, 256, [&](const UpscaleProgress& p) { reports.push_back(p); });
    EXPECT_EQ(enlarged.width(), 720);
    EXPECT_EQ(enlarged.height(), 480);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.front().passes, 2);
    EXPECT_EQ(reports.back().pass, 2);
    EXPECT_EQ(reports.back().fraction, 1.0);
    // 480 × 320 after the first pass: 3 × 2 tiles in the second.
    EXPECT_EQ(reports.back().tiles, 6);
    // Resampling keeps the picture: compare with a plain enlargement of the source.
    const Bitmap reference =
        test::drawn(720, 480, AlphaInfo::noneSkipLast, [&](int x, int y) -> std::array<std::uint8_t, 4> {
            const std::uint8_t* p = source.pixel(x / 6, y / 6);
            return {p[0], p[1], p[2], 255};
        });
    EXPECT_LT(test::meanChannelDifference(enlarged, reference), 3.0);
}

TEST(Upscaler, ScaleOneKeepsTheSize) {
    const Bitmap source = test::gradient(300, 200);
    const Bitmap same = nearest4x()->upscale(source, 1, 256);
    EXPECT_EQ(same.width(), 300);
    EXPECT_EQ(same.height(), 200);
    EXPECT_LT(test::meanChannelDifference(same, source), 2.0);
}

TEST(Upscaler, StopsBeforeTheFirstTileOrBetweenTiles) {
    std::stop_source stopped;
    stopped.request_stop();
    int reports = 0;
    EXPECT_THROW(nearest4x()->upscale(
                     test::gradient(300, 300), 4, 256, [&](const UpscaleProgress&) { ++reports; },
                     stopped.get_token()),
                 Cancelled);
    EXPECT_EQ(reports, 0);

    std::stop_source midway;
    EXPECT_THROW(nearest4x()->upscale(
                     test::gradient(1000, 600), 4, 256,
                     [&](const UpscaleProgress& p) {
                         ++reports;
                         if (p.tile == 3) {
                             midway.request_stop();
                         }
                     },
                     midway.get_token()),
                 Cancelled);
    EXPECT_EQ(reports, 3);
}

TEST(Upscaler, TileSizeIsTheLargestNotAboveTheCap) {
    const auto upscaler = nearest4x(); // accepts 32, 64 and 256
    EXPECT_EQ(upscaler->supportedTiles(), (std::vector<int>{32, 64, 256}));
    EXPECT_EQ(upscaler->tileSize(256), 256);
    EXPECT_EQ(upscaler->tileSize(1000), 256);
    EXPECT_EQ(upscaler->tileSize(100), 64);
    EXPECT_EQ(upscaler->tileSize(10), 32);
    // A tile no larger than twice the pad cannot be used; the next size up serves.
    const Bitmap source = test::noise(50, 40);
    EXPECT_EQ(test::maxChannelDifference(upscaler->upscale(source, 4, 10), nearestNeighbour(source, 4)), 0);
}

TEST(Upscaler, ReadsTheFactorFromTheNetworksMetadata) {
    test::TemporaryDirectory folder;
    const auto factorFor = [&](std::optional<std::string> text) {
        return withDescription(folder,
                               [&](NetworkDescription& d) {
                                   if (text) {
                                       d.creatorDefined["scale"] = *text;
                                   } else {
                                       d.creatorDefined.erase("scale");
                                   }
                               })
            ->modelScale();
    };
    EXPECT_EQ(factorFor("2"), 2);
    EXPECT_EQ(factorFor("+3"), 3);
    EXPECT_EQ(factorFor(std::nullopt), 4);
    for (const char* text : {" 3", "3.0", "three", "", "+", "99999999999999999999"}) {
        EXPECT_EQ(factorFor(text), 4) << text;
    }
    try {
        factorFor("1");
        FAIL();
    } catch (const UpscaleError& error) {
        EXPECT_EQ(error.errorCase(), UpscaleError::Case::badModel);
    }
}

// The network's own metadata is text to text: one holding anything else counts as none, so the
// network still loads, with the default factor.
TEST(Upscaler, MetadataHoldingSomethingOtherThanTextCountsAsNone) {
    test::TemporaryDirectory folder;
    for (const nlohmann::json& creatorDefined : {nlohmann::json{{"scale", "2"}, {"layers", 72}},
                                                 nlohmann::json{{"scale", 2}}, nlohmann::json("2")}) {
        const fs::path bundle = folder / "metadata.mlmodelc";
        fs::remove_all(bundle);
        fs::copy(test::nearest4xBundle(), bundle, fs::copy_options::recursive);
        nlohmann::json description = nlohmann::json::parse(std::ifstream(bundle / "description.json"));
        description["creatorDefined"] = creatorDefined;
        std::ofstream(bundle / "description.json") << description.dump(4);
        const auto upscaler = Upscaler::load(bundle);
        EXPECT_EQ(upscaler->modelScale(), 4) << creatorDefined.dump();
        EXPECT_TRUE(upscaler->model().description().creatorDefined.empty());
    }
}

// Memory for a pass's pixels that cannot be had is the upscaler's own failure: here a network
// that takes tiles of 2^24 pixels a side, a petabyte each, more than any address space holds.
TEST(Upscaler, APixelBufferThatCannotBeAllocatedIsSaidSo) {
    test::TemporaryDirectory folder;
    const auto huge =
        withDescription(folder, [](NetworkDescription& d) { d.inputs.front().image->sizes = {1 << 24}; });
    try {
        huge->upscale(test::gradient(8, 8), 4, 256);
        FAIL();
    } catch (const UpscaleError& error) {
        EXPECT_EQ(error.errorCase(), UpscaleError::Case::pixelBuffer);
        EXPECT_STREQ(error.what(), "Could not allocate a pixel buffer");
    }
}

TEST(Upscaler, EightTimesWithAFactorOfTwoRunsThreePasses) {
    test::TemporaryDirectory folder;
    // The network still enlarges 4×; told it is 2×, the upscaler cuts and checks by 2 and fails.
    const auto twice =
        withDescription(folder, [](NetworkDescription& d) { d.creatorDefined["scale"] = "2"; });
    int passes = 0;
    EXPECT_THROW(
        twice->upscale(test::gradient(20, 20), 8, 256, [&](const UpscaleProgress& p) { passes = p.passes; }),
        UpscaleError);
    EXPECT_EQ(passes, 0);
}

TEST(Upscaler, RefusesNetworksItCannotTile) {
    test::TemporaryDirectory folder;
    try {
        withDescription(folder, [](NetworkDescription& d) { d.inputs.front().name = "image"; });
        FAIL();
    } catch (const UpscaleError& error) {
        EXPECT_STREQ(error.what(), "Model problem: missing image input named 'input'");
    }
    try {
        withDescription(folder, [](NetworkDescription& d) { d.inputs.front().image.reset(); });
        FAIL();
    } catch (const UpscaleError& error) {
        EXPECT_STREQ(error.what(), "Model problem: missing image input named 'input'");
    }
    EXPECT_THROW(withDescription(folder,
                                 [](NetworkDescription& d) {
                                     d.inputs.front().image->sizes = {16, 32};
                                 }),
                 UpscaleError);
}

TEST(Upscaler, TransparentAndWideGamutSourcesComeOutOpaqueSrgb) {
    const Bitmap enlarged = nearest4x()->upscale(test::gradient(40, 30, AlphaInfo::last), 2, 256);
    EXPECT_EQ(enlarged.alphaInfo(), AlphaInfo::noneSkipLast);
    EXPECT_TRUE(enlarged.colorProfile().isSrgb());
    EXPECT_EQ(enlarged.width(), 80);
}

// An enlargement whose result the device cannot hold is refused before its first tile, not after
// minutes of work; one that the budget allows exactly starts.
TEST(Upscaler, AResultBeyondTheDevicesBudgetIsRefusedBeforeTheFirstTile) {
    const Bitmap source = test::gradient(301, 199);
    const double exact = std::sqrt(static_cast<double>(DeviceLimits::maxPixels()) / (301.0 * 199.0));
    int reports = 0;
    std::stop_source stop;
    const auto stopAtOnce = [&](const UpscaleProgress&) {
        ++reports;
        stop.request_stop();
    };
    EXPECT_THROW(nearest4x()->upscale(source, exact * 1.01, 256, stopAtOnce, stop.get_token()), UpscaleError);
    EXPECT_EQ(reports, 0);
    EXPECT_THROW(nearest4x()->upscale(source, exact, 256, stopAtOnce, stop.get_token()), Cancelled);
    EXPECT_EQ(reports, 1);
}
