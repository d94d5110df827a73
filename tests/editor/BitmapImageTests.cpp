#include "editor/BitmapImage.h"
#include "tests/support/TestImages.h"

#include <QColorSpace>
#include <gtest/gtest.h>

using namespace orvane;

TEST(BitmapImage, SharesThePixelsAndKeepsThemAlive) {
    QImage image;
    const std::uint8_t* pixels = nullptr;
    {
        const Bitmap bitmap = test::gradient(7, 5);
        pixels = bitmap.pixels().data();
        image = qImage(bitmap);
    }
    // The bitmap's last handle outside the image is gone; the image still reads the same pixels.
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.constBits(), pixels);
    EXPECT_EQ(image.width(), 7);
    EXPECT_EQ(image.height(), 5);
    EXPECT_EQ(image.bytesPerLine(), 7 * 4);

    const QImage copy = image;
    image = QImage();
    EXPECT_EQ(copy.constBits(), pixels);
    EXPECT_EQ(copy.pixelColor(0, 0).alpha(), 255);
}

TEST(BitmapImage, ReadsEveryAlphaLayout) {
    const Bitmap straight = test::solid(2, 2, 200, 100, 50, 128);
    EXPECT_EQ(qImage(straight).format(), QImage::Format_RGBA8888);
    EXPECT_EQ(qImage(straight).pixelColor(1, 1), QColor(200, 100, 50, 128));
    EXPECT_EQ(qImage(straight.premultiplied()).format(), QImage::Format_RGBA8888_Premultiplied);
    EXPECT_EQ(qImage(test::solid(2, 2, 1, 2, 3)).format(), QImage::Format_RGBX8888);
}

TEST(BitmapImage, CarriesAProfileOtherThanSrgbWithoutCopying) {
    const Bitmap srgb = test::gradient(4, 4);
    EXPECT_FALSE(qImage(srgb).colorSpace().isValid());

    const QByteArray p3 = QColorSpace(QColorSpace::DisplayP3).iccProfile();
    ASSERT_FALSE(p3.isEmpty());
    const Bitmap wide(4, 4, AlphaInfo::noneSkipLast,
                      std::vector<std::uint8_t>(srgb.pixels().begin(), srgb.pixels().end()),
                      ColorProfile(std::vector<std::uint8_t>(p3.begin(), p3.end())));
    const QImage image = qImage(wide);
    EXPECT_EQ(image.colorSpace().primaries(), QColorSpace::Primaries::DciP3D65);
    EXPECT_EQ(image.constBits(), wide.pixels().data());
}
