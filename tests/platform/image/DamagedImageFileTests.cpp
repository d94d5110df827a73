// A damaged file is refused wherever its decoder can tell, rather than decoded with the lost part
// filled in with grey; the harmless oddities that good files carry are not taken for damage.

#include "platform/image/ImageSource.h"
#include "platform/image/detail/JpegDamage.h"
#include "platform/image/detail/VipsRuntime.h"
#include "tests/support/TestImages.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>

using namespace orvane;

namespace {

// `image` as its suffix (with options, as ".jpg[interlace]") says to save it.
Bytes saved(const vips::VImage& image, const char* suffix) {
    void* buffer = nullptr;
    std::size_t length = 0;
    image.write_to_buffer(suffix, &buffer, &length);
    Bytes bytes(static_cast<std::uint8_t*>(buffer), static_cast<std::uint8_t*>(buffer) + length);
    g_free(buffer);
    return bytes;
}

Bytes saved(const Bitmap& image, const char* suffix) {
    return saved(VipsRuntime::viewForEncoding(image), suffix);
}

// The first half of the file, followed by `tail`: a partial download or a recovered file, often
// closed by whatever ends a file of its kind.
Bytes cutShort(const Bytes& whole, const Bytes& tail = {}) {
    Bytes bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

Bytes lastTwoThirdsZeroed(Bytes bytes) {
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 3), bytes.end(), 0);
    return bytes;
}

// A WebP's RIFF header gives the file's size: set it to the bytes there are.
Bytes withRiffSizeMended(Bytes webp) {
    const auto size = static_cast<std::uint32_t>(webp.size() - 8);
    for (int i = 0; i < 4; ++i) {
        webp[4 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    }
    return webp;
}

// Bytes of padding in front of the first `marker` segment, as many cameras and editors leave.
Bytes withStrayBytesBefore(Bytes jpeg, std::uint8_t marker) {
    for (std::size_t i = 2; i + 1 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == marker) {
            jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(i), {0x00, 0x00, 0x00});
            return jpeg;
        }
    }
    ADD_FAILURE() << "no marker " << int{marker};
    return jpeg;
}

const Bytes jpegEnd{0xFF, 0xD9};
const Bytes pngEnd{0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
const Bytes gifEnd{0x3B};

long peakResidentKB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmHWM:")) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

} // namespace

TEST(DamagedImageFile, IsRefusedWhereItsDecoderCanTell) {
    VipsRuntime::ensure();
    const Bitmap photo = test::gradient(384, 256);
    const Bytes baseline = saved(photo, ".jpg");
    const Bytes progressive = saved(photo, ".jpg[interlace]");
    const Bytes png = test::encoded(photo, ConvertFormat::png);
    const Bytes gif = saved(photo, ".gif");
    const Bytes webp = test::encoded(photo, ConvertFormat::webp);
    const std::vector<std::pair<std::string, Bytes>> damaged{
        {"jpeg cut short, then an end marker", cutShort(baseline, jpegEnd)},
        {"progressive jpeg cut short, then an end marker", cutShort(progressive, jpegEnd)},
        {"png cut short, then its end chunk", cutShort(png, pngEnd)},
        {"png whose last two-thirds are zeros", lastTwoThirdsZeroed(png)},
        {"gif cut short, then its trailer", cutShort(gif, gifEnd)},
        {"gif whose last two-thirds are zeros", lastTwoThirdsZeroed(gif)},
        {"webp cut short, its size mended", withRiffSizeMended(cutShort(webp))},
        {"lossless webp whose last two-thirds are zeros",
         lastTwoThirdsZeroed(saved(photo, ".webp[lossless]"))},
        {"heic cut short", cutShort(test::encoded(photo, ConvertFormat::heic))},
        {"avif cut short", cutShort(test::encoded(photo, ConvertFormat::avif))},
    };
    for (const auto& [name, bytes] : damaged) {
        if (name.find("jpeg") != std::string::npos) {
            EXPECT_TRUE(JpegDamage::found(bytes)) << name;
        }
        const auto source = ImageSource::create(bytes);
        if (!source) {
            continue; // not even taken for an image
        }
        EXPECT_FALSE(source->createThumbnail(std::nullopt).has_value()) << name;
        EXPECT_FALSE(source->createThumbnail(64).has_value()) << name;
        EXPECT_FALSE(source->createImage().has_value()) << name;
    }
    EXPECT_FALSE(JpegDamage::found(baseline));
    EXPECT_FALSE(JpegDamage::found(progressive));
    for (const auto& whole : {baseline, progressive, png, gif, webp}) {
        EXPECT_TRUE(ImageSource::create(whole)->createImage().has_value());
    }
}

TEST(DamagedImageFile, HarmlessJpegOdditiesStillDecodeToTheSamePixels) {
    VipsRuntime::ensure();
    // A plain grey picture packs into nearly as few bytes as a picture of its size can.
    const vips::VImage grey = (vips::VImage::black(2048, 2048) + 250).cast(VIPS_FORMAT_UCHAR);
    const Bytes blank = saved(grey, ".jpg[interlace,optimize_coding]");
    EXPECT_LT(blank.size(), 2048u * 2048 / 200);
    EXPECT_FALSE(JpegDamage::found(blank));
    const auto blankDecoded = ImageSource::create(blank)->createThumbnail(64);
    ASSERT_TRUE(blankDecoded.has_value());
    EXPECT_EQ(blankDecoded->pixel(10, 10)[0], 250);

    const Bitmap photo = test::gradient(300, 200);
    for (const bool progressive : {false, true}) {
        const Bytes clean = saved(photo, progressive ? ".jpg[interlace]" : ".jpg");
        const auto expected = ImageSource::create(clean)->createImage();
        ASSERT_TRUE(expected.has_value());
        // Before the quantisation tables, and before the scan.
        for (const Bytes& odd : {withStrayBytesBefore(clean, 0xDB), withStrayBytesBefore(clean, 0xDA)}) {
            EXPECT_FALSE(JpegDamage::found(odd)) << progressive;
            const auto decoded = ImageSource::create(odd)->createImage();
            ASSERT_TRUE(decoded.has_value()) << progressive;
            EXPECT_EQ(test::maxChannelDifference(*decoded, *expected), 0) << progressive;
        }
    }
}

// A few kilobytes whose header says 19000 × 19000 and whose data ends after 16 rows with an end
// marker: decoded in full it filled gigabytes with grey before anything noticed.
TEST(DamagedImageFile, AJpegClaimingFarMoreRowsThanItHoldsIsRefusedBeforeItsPixelsAreMade) {
    VipsRuntime::ensure();
    constexpr int side = 19000;
    for (const bool progressive : {false, true}) {
        Bytes bomb = saved(test::gradient(side, 16), progressive ? ".jpg[interlace]" : ".jpg");
        const std::uint8_t frame = progressive ? 0xC2 : 0xC0; // its header: length, precision, height
        bool patched = false;
        for (std::size_t i = 2; i + 7 < bomb.size() && !patched; ++i) {
            if (bomb[i] == 0xFF && bomb[i + 1] == frame) {
                bomb[i + 5] = side >> 8;
                bomb[i + 6] = side & 0xFF;
                patched = true;
            }
        }
        ASSERT_TRUE(patched) << progressive;
        const auto source = ImageSource::create(bomb);
        ASSERT_TRUE(source.has_value()) << progressive;
        ASSERT_EQ(source->properties().pixelHeight, side) << progressive;
        // Measured from here: the peak so far is set back to what the process holds now.
        std::ofstream("/proc/self/clear_refs") << "5";
        const long before = peakResidentKB();
        EXPECT_FALSE(source->createImage().has_value()) << progressive;
        EXPECT_FALSE(source->createThumbnail(2048).has_value()) << progressive;
        // A full decoding would hold over a gigabyte (19000² × 3 bytes, or twice that in
        // coefficients for a progressive file) before its bitmap.
        EXPECT_LT(peakResidentKB() - before, 200 * 1024) << progressive;
    }
}
