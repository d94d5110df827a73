#include "core/upscale/PrintSize.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {
const PrintSize& preset(const std::string& name) {
    for (const auto& size : PrintSize::presets()) {
        if (size.name == name) {
            return size;
        }
    }
    throw std::out_of_range(name);
}
} // namespace

TEST(PrintSize, PresetsAndTheirPixels) {
    ASSERT_EQ(PrintSize::presets().size(), 7u);
    EXPECT_EQ(PrintSize::presets()[2].name, "A4");
    EXPECT_EQ(PrintSize::presets()[0].id(), "10×15 cm");
    const std::vector<std::pair<std::int64_t, std::int64_t>> portrait = {
        {1181, 1772}, {1535, 2126}, {2480, 3508}, {3543, 4724}, {3508, 4961}, {5906, 8268}, {8268, 11811}};
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(PrintSize::presets()[i].pixels(300, false), portrait[i]) << PrintSize::presets()[i].name;
    }
    EXPECT_EQ(preset("A3").pixels(300, true), (std::pair<std::int64_t, std::int64_t>{4961, 3508}));
    EXPECT_EQ(preset("A4").pixels(150, false), (std::pair<std::int64_t, std::int64_t>{1240, 1754}));
    EXPECT_EQ(preset("A4"), (PrintSize{"A4", 21.0, 29.7}));
}

TEST(PrintSize, RequiredScaleFollowsTheSourcesOrientation) {
    EXPECT_NEAR(preset("A4").requiredScale(1000, 1500, 300), 2.48, 1e-12);
    EXPECT_EQ(preset("A4").requiredScale(4000, 3000, 300), 1);
    EXPECT_NEAR(preset("A4").requiredScale(2000, 2000, 300), 1.754, 1e-12);
}
