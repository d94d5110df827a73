#include "core/UpscaleError.h"

#include <gtest/gtest.h>

using namespace orvane;

TEST(UpscaleError, Descriptions) {
    EXPECT_STREQ(UpscaleError::badModel("no scale").what(), "Model problem: no scale");
    EXPECT_STREQ(UpscaleError::pixelBuffer().what(), "Could not allocate a pixel buffer");
    EXPECT_STREQ(UpscaleError::prediction().what(), "The model returned no image");
    EXPECT_STREQ(UpscaleError::output().what(), "Could not build the output image");
    EXPECT_EQ(UpscaleError::output().errorCase(), UpscaleError::Case::output);
}
