#include "platform/image/UniformType.h"

#include <gtest/gtest.h>

using namespace orvane;

TEST(UniformType, CameraRawExtensionsConformToRawImageAndImage) {
    for (const char* extension : {"dng", "CR2", "cr3", "nef", "NRW", "arw", "raf", "orf", "rw2", "pef", "srw",
                                  "3fr", "iiq", "x3f", "ari", "mdc"}) {
        const auto type = UniformType::fromFilenameExtension(extension);
        ASSERT_TRUE(type.has_value()) << extension;
        EXPECT_TRUE(type->conforms(UniformType::rawImage())) << extension;
        EXPECT_TRUE(type->conforms("public.image")) << extension;
        EXPECT_TRUE(type->conforms("public.data")) << extension;
    }
}

TEST(UniformType, ExtensionsIdentifiersAndPreferredExtensions) {
    EXPECT_EQ(UniformType::fromFilenameExtension("JPG")->identifier(), "public.jpeg");
    EXPECT_EQ(UniformType::fromFilenameExtension("jpeg")->preferredFilenameExtension(), "jpeg");
    EXPECT_EQ(UniformType::fromFilenameExtension("tif")->identifier(), "public.tiff");
    EXPECT_EQ(UniformType::fromFilenameExtension("webp")->identifier(), "org.webmproject.webp");
    EXPECT_EQ(UniformType::fromIdentifier("public.avif")->preferredFilenameExtension(), "avif");
    EXPECT_TRUE(UniformType::heic().conforms(UniformType::image()));
    EXPECT_FALSE(UniformType::jpeg().conforms(UniformType::rawImage()));
    EXPECT_FALSE(UniformType::fromFilenameExtension("txt").has_value());
    EXPECT_FALSE(UniformType::fromIdentifier("public.nonsense").has_value());
    EXPECT_FALSE(UniformType::fromFilenameExtension("jpg", "public.camera-raw-image").has_value());
    EXPECT_FALSE(UniformType::rawImage().preferredFilenameExtension().has_value());
    EXPECT_EQ(UniformType::jpeg().localizedDescription(), "JPEG image");
}
