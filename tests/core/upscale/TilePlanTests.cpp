#include "core/upscale/TilePlan.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace orvane;

namespace {

// Every output pixel is covered by exactly one tile, and so is every source pixel.
void expectExactCover(const TilePlan& plan) {
    std::vector<int> source(static_cast<std::size_t>(plan.sourceSize().width * plan.sourceSize().height), 0);
    std::vector<int> output(static_cast<std::size_t>(plan.outputSize().width * plan.outputSize().height), 0);
    for (const auto& tile : plan.tiles()) {
        for (auto y = tile.innerRect.y; y < tile.innerRect.maxY(); ++y) {
            for (auto x = tile.innerRect.x; x < tile.innerRect.maxX(); ++x) {
                ++source[static_cast<std::size_t>(y * plan.sourceSize().width + x)];
            }
        }
        for (auto y = tile.outputRect.y; y < tile.outputRect.maxY(); ++y) {
            for (auto x = tile.outputRect.x; x < tile.outputRect.maxX(); ++x) {
                ++output[static_cast<std::size_t>(y * plan.outputSize().width + x)];
            }
        }
    }
    EXPECT_TRUE(std::all_of(source.begin(), source.end(), [](int n) { return n == 1; }));
    EXPECT_TRUE(std::all_of(output.begin(), output.end(), [](int n) { return n == 1; }));
}

} // namespace

TEST(TilePlan, WorkedExampleAtFourTimes) {
    const TilePlan plan(1000, 600, 256, 16, 4);
    EXPECT_EQ(plan.outputSize(), (PixelSize{4000, 2400}));
    ASSERT_EQ(plan.tiles().size(), 15u);
    EXPECT_EQ(plan.tiles()[0], (TilePlan::Tile{.inputRect = {-16, -16, 256, 256},
                                               .innerRect = {0, 0, 224, 224},
                                               .outputRect = {0, 0, 896, 896}}));
    EXPECT_EQ(plan.tiles()[4], (TilePlan::Tile{.inputRect = {880, -16, 256, 256},
                                               .innerRect = {896, 0, 104, 224},
                                               .outputRect = {3584, 0, 416, 896}}));
    EXPECT_EQ(plan.tiles()[14], (TilePlan::Tile{.inputRect = {880, 432, 256, 256},
                                                .innerRect = {896, 448, 104, 152},
                                                .outputRect = {3584, 1792, 416, 608}}));
    expectExactCover(plan);
}

TEST(TilePlan, WorkedExampleAtAFractionalScale) {
    const TilePlan plan(301, 100, 256, 16, 1.5);
    EXPECT_EQ(plan.outputSize(), (PixelSize{452, 150}));
    ASSERT_EQ(plan.tiles().size(), 2u);
    EXPECT_EQ(plan.tiles()[0].innerRect, (PixelRect{0, 0, 224, 100}));
    EXPECT_EQ(plan.tiles()[0].outputRect, (PixelRect{0, 0, 336, 150}));
    EXPECT_EQ(plan.tiles()[1].innerRect, (PixelRect{224, 0, 77, 100}));
    EXPECT_EQ(plan.tiles()[1].outputRect, (PixelRect{336, 0, 116, 150}));
    expectExactCover(plan);
    expectExactCover(TilePlan(997, 389, 256, 16, 2.37));
}

TEST(TilePlan, EdgeCases) {
    const TilePlan empty(0, 50, 256, 16, 4);
    EXPECT_TRUE(empty.tiles().empty());
    EXPECT_EQ(empty.outputSize(), (PixelSize{0, 200}));

    const TilePlan small(100, 80, 256, 16, 4);
    ASSERT_EQ(small.tiles().size(), 1u);
    EXPECT_EQ(small.tiles()[0], (TilePlan::Tile{.inputRect = {-16, -16, 256, 256},
                                                .innerRect = {0, 0, 100, 80},
                                                .outputRect = {0, 0, 400, 320}}));

    EXPECT_EQ(TilePlan(448, 10, 256, 16, 1).tiles().size(), 2u);
    const TilePlan oneMore(225, 10, 256, 16, 1);
    ASSERT_EQ(oneMore.tiles().size(), 2u);
    EXPECT_EQ(oneMore.tiles()[1].innerRect.width, 1);

    // Named, so that the tiles outlive the loops that read them.
    const TilePlan unscaled(500, 300, 256, 16, 1);
    for (const auto& tile : unscaled.tiles()) {
        EXPECT_EQ(tile.outputRect, tile.innerRect);
    }
    const TilePlan unpadded(500, 300, 64, 0, 2);
    for (const auto& tile : unpadded.tiles()) {
        EXPECT_EQ(tile.inputRect, (PixelRect{tile.innerRect.x, tile.innerRect.y, 64, 64}));
    }
}

TEST(TilePlan, RefusesCallsOutsideItsContract) {
    EXPECT_THROW(TilePlan(10, 10, 32, 16, 4), std::invalid_argument);
    EXPECT_THROW(TilePlan(10, 10, 256, 16, 0), std::invalid_argument);
    EXPECT_THROW(TilePlan(10, 10, 256, 16, std::nan("")), std::invalid_argument);
    EXPECT_THROW(TilePlan(10, 10, 256, 16, 1e300), std::invalid_argument);
    EXPECT_EQ(TilePlan::round(0.5), 1);
    EXPECT_EQ(TilePlan::round(2.5), 3);
    EXPECT_EQ(TilePlan::round(451.5), 452);
    EXPECT_EQ(TilePlan::round(-0.5), -1);
}

TEST(TilePlan, PassesSplitAtTheNetworkFactor) {
    const auto expectPasses = [](double scale, std::vector<double> expected) {
        const auto passes = TilePlan::passes(scale, 4);
        ASSERT_EQ(passes.size(), expected.size()) << scale;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_NEAR(passes[i], expected[i], 1e-12) << scale;
        }
    };
    expectPasses(0.5, {0.5});
    expectPasses(1, {1});
    expectPasses(2, {2});
    expectPasses(4, {4});
    expectPasses(6, {4, 1.5});
    expectPasses(8, {4, 2});
    expectPasses(12, {4, 3});
    expectPasses(16, {4, 4});
    expectPasses(17, {4, 4, 1.0625});
    expectPasses(4.0000001, {4, 1.000000025});
    expectPasses(4.0000000001, {4.0000000001});
    EXPECT_TRUE(std::isnan(TilePlan::passes(std::nan(""), 4).front()));
    EXPECT_EQ(TilePlan::passes(8, 2), (std::vector<double>{2, 2, 2}));
    EXPECT_THROW(TilePlan::passes(2, 1), std::invalid_argument);
}
