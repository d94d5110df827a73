#include "platform/networks/SubjectDetection.h"
#include "platform/networks/detail/MaskRegions.h"
#include "platform/networks/detail/MaskScaling.h"
#include "platform/networks/detail/SubjectNetwork.h"
#include "tests/platform/networks/SubjectScenes.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"

#include <algorithm>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <random>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

Mask maskOf(int width, int height, const std::vector<std::string>& rows) {
    Mask mask{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            mask.values[static_cast<std::size_t>(y) * width + x] = rows[y][x] == '#' ? 255 : 0;
        }
    }
    return mask;
}

void expectFound(const Bitmap& photo, const Mask& truth, int instances) {
    const auto result = SubjectDetection::foregroundInstances(photo);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->mask.width, photo.width());
    EXPECT_EQ(result->mask.height, photo.height());
    ASSERT_EQ(result->mask.values.size(), static_cast<std::size_t>(photo.width()) * photo.height());
    EXPECT_GE(test::intersectionOverUnion(result->mask, truth), 0.9);
    EXPECT_EQ(result->instanceCount, instances);
}

// Every case runs the real network, whose loading and forward pass take about a second each:
// the cases are grouped so that each test program loads it once.

TEST(SubjectDetection, FindsTheSubjectOfPhotoLikeScenesAtTheirExactSize) {
    using test::SceneObject;
    struct Case {
        int width, height;
        test::Placement object;
    };
    // Odd sizes and both orientations, so that the mask must be stretched back unevenly.
    const Case cases[] = {
        {641, 481, {SceneObject::person, 0.5, 0.8}},
        {479, 720, {SceneObject::person, 0.45, 0.7}},
        {1601, 899, {SceneObject::vase, 0.35, 0.6}},
        {300, 300, {SceneObject::ball, 0.5, 0.5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " × " + std::to_string(c.height));
        const auto scene = test::scene(c.width, c.height, {c.object});
        expectFound(scene.photo, scene.truth, 1);
    }
}

TEST(SubjectDetection, SeesThroughTransparencyToTheSubject) {
    // A cut-out: outside the subject nothing is visible, but the invisible pixels hold noise that
    // would look like clutter if the network saw it.
    const auto scene = test::scene(500, 400, {{test::SceneObject::person, 0.5, 0.8}}, 3);
    std::mt19937 random(5);
    const auto cutOut =
        test::drawn(500, 400, AlphaInfo::last, [&](int x, int y) -> std::array<std::uint8_t, 4> {
            const bool inside = scene.truth.at(x, y) != 0;
            const std::uint8_t* pixel = scene.photo.pixel(x, y);
            if (inside) {
                return {pixel[0], pixel[1], pixel[2], 255};
            }
            return {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                    static_cast<std::uint8_t>(random()), 0};
        });
    expectFound(cutOut, scene.truth, 1);
    expectFound(cutOut.premultiplied(), scene.truth, 1);
}

TEST(SubjectDetection, CountsSeparateSubjectsAndKeepsThemAll) {
    const auto scene =
        test::scene(900, 600, {{test::SceneObject::ball, 0.25, 0.4}, {test::SceneObject::vase, 0.72, 0.6}});
    expectFound(scene.photo, scene.truth, 2);
}

TEST(SubjectDetection, FindsNothingInFeaturelessPhotos) {
    // Asked from two threads at once, which also has them race to load the network.
    auto grey = std::async(std::launch::async, [] {
        return SubjectDetection::foregroundInstances(test::solid(640, 480, 128, 128, 128));
    });
    auto clear = std::async(std::launch::async, [] {
        return SubjectDetection::foregroundInstances(test::solid(480, 640, 20, 200, 90, 0));
    });
    EXPECT_FALSE(grey.get().has_value());
    EXPECT_FALSE(clear.get().has_value());
}

TEST(SubjectNetwork, IsUnavailableWhenMissingDamagedOrForeign) {
    const test::TemporaryDirectory folder;
    try {
        SubjectNetwork::Model::load(folder.path() / "subject.onnx");
        ADD_FAILURE() << "a missing model loaded";
    } catch (const SubjectDetection::Unavailable& e) {
        EXPECT_STREQ(e.what(), "the subject model isn't installed");
    }

    const fs::path damaged = folder.path() / "damaged.onnx";
    std::ofstream(damaged) << "not a network";
    try {
        SubjectNetwork::Model::load(damaged);
        ADD_FAILURE() << "a damaged model loaded";
    } catch (const SubjectDetection::Unavailable& e) {
        EXPECT_EQ(std::string(e.what()).rfind("the subject model can't be loaded: ", 0), 0u) << e.what();
    }

    // A valid network with other inputs and outputs.
    const fs::path foreign = fs::path(ORVANE_TEST_NETWORKS) / "nearest4x.mlpackage" / "network.onnx";
    try {
        SubjectNetwork::Model::load(foreign);
        ADD_FAILURE() << "a foreign network loaded";
    } catch (const SubjectDetection::Unavailable& e) {
        EXPECT_EQ(std::string(e.what()).rfind("the subject model isn't the expected network: ", 0), 0u)
            << e.what();
    }
}

TEST(MaskRegions, CountsEightConnectedRegionsAboveTheThresholdIgnoringSpecks) {
    const Mask mask = maskOf(12, 7,
                             {
                                 "##.......#..",
                                 "..#.....#...", // a diagonal joins this to the row above
                                 "...#...#....", "............", "#.....####..", "......####..",
                                 "......####.#", // the last is a speck of 1
                             });
    const auto regions = MaskRegions::measure(mask, 127, 2);
    EXPECT_EQ(regions.area, 21u);
    // The two diagonal strokes and the block; the lone pixels are specks.
    EXPECT_EQ(regions.regionCount, 3);
    EXPECT_EQ(MaskRegions::measure(mask, 127, 1).regionCount, 5);

    Mask halfway = mask;
    std::replace(halfway.values.begin(), halfway.values.end(), std::uint8_t{255}, std::uint8_t{127});
    EXPECT_EQ(MaskRegions::measure(halfway, 127, 1).area, 0u);
}

TEST(MaskScaling, EnlargesToTheExactSizeWithSmoothEdges) {
    // A hard vertical edge in an 8 × 8 map, enlarged 25 times unevenly.
    std::vector<float> values(64);
    for (int i = 0; i < 64; ++i) {
        values[i] = i % 8 < 4 ? 0.0f : 1.0f;
    }
    const Mask mask = MaskScaling::resized(values, 8, 8, 203, 197);
    ASSERT_EQ(mask.width, 203);
    ASSERT_EQ(mask.height, 197);
    ASSERT_EQ(mask.values.size(), 203u * 197u);
    int previous = -1, steps = 0, intermediate = 0;
    for (int x = 0; x < mask.width; ++x) {
        const int value = mask.at(x, 100);
        EXPECT_EQ(value, mask.at(x, 3)) << "the edge is not vertical at x = " << x;
        steps += value != previous;
        intermediate += value > 10 && value < 245;
        previous = value;
    }
    EXPECT_EQ(mask.at(0, 0), 0);
    EXPECT_EQ(mask.at(202, 196), 255);
    // Blocky (nearest-neighbour) enlargement would jump from 0 to 255 in one step.
    EXPECT_GE(intermediate, 10);
    EXPECT_GE(steps, 10);
}

} // namespace
