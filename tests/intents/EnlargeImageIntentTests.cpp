#include "core/UpscaleError.h"
#include "intents/ConvertImageIntent.h"
#include "intents/EnhanceImageIntent.h"
#include "intents/EnlargeImageIntent.h"
#include "intents/EnlargeIntentError.h"
#include "intents/RemoveBackgroundIntent.h"
#include "platform/image/ImageSource.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"
#include "tests/support/TestNetworks.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

// A library whose every style is the build's 4× nearest-neighbour test network, and which notes
// which styles it was asked for.
struct TestLibrary {
    TestLibrary()
        : library(resources.path()) {
        library.setLoader([this](const fs::path& url) {
            asked.push_back(url.stem().string());
            static const auto upscaler =
                Upscaler::load(fs::path(ORVANE_TEST_NETWORKS) / "nearest4x.mlpackage");
            return upscaler;
        });
        for (const char* name : {"realesr-general-x4v3", "RealESRGAN_x4plus", "RealESRGAN_x4plus_anime_6B"}) {
            fs::create_directories(resources / (std::string(name) + ".mlmodelc"));
        }
    }
    test::TemporaryDirectory resources;
    ModelLibrary library;
    std::vector<std::string> asked;
};

IntentFile photo(const std::string& name, const Bitmap& image, ConvertFormat format = ConvertFormat::png) {
    return IntentFile{test::encoded(image, format, test::cameraProperties()), name, std::nullopt};
}

} // namespace

TEST(EnlargeOptions, RawValuesTextsAndMappings) {
    EXPECT_EQ(fromRawValue<EnlargeSizeOption>("x4"), EnlargeSizeOption::x4);
    EXPECT_FALSE(fromRawValue<EnlargeSizeOption>("X4").has_value());
    EXPECT_FALSE(fromRawValue<EnlargeSizeOption>("4×").has_value());
    EXPECT_EQ(displayText(EnlargeSizeOption::x2), "2×");
    EXPECT_EQ(displayText(EnlargeSizeOption::x8), "8×");
    EXPECT_EQ(factor(EnlargeSizeOption::x8), 8.0);
    EXPECT_EQ(model(StyleOption::photo), UpscaleModel::fast);
    EXPECT_EQ(model(StyleOption::art), UpscaleModel::art);
    EXPECT_EQ(displayText(StyleOption::detail), "Photo (max detail)");
    EXPECT_EQ(typeDisplayName(StyleOption::photo), "Style");
    EXPECT_EQ(typeDisplayName(EnlargeSizeOption::x2), "Size");
}

TEST(EnlargeImageIntent, ThePixelBudgetCapsTheFactor) {
    EXPECT_NEAR(EnlargeImageIntent::scaleFor(4000, 3000, 8, 400'000'000), std::sqrt(400.0 / 12.0), 1e-12);
    EXPECT_EQ(EnlargeImageIntent::scaleFor(4000, 3000, 4, 400'000'000), 4);
    EXPECT_LT(EnlargeImageIntent::scaleFor(30000, 30000, 2, 400'000'000), 1);
}

TEST(EnlargeImageIntent, EnlargesIntoAJpegNamedAfterTheSize) {
    TestLibrary test;
    EnlargeImageIntent intent;
    intent.image = photo("holiday.heic", test::gradient(60, 40, AlphaInfo::last));
    const IntentFile result = intent.perform({}, {}, &test.library);
    EXPECT_EQ(result.filename, "holiday-4x.jpg");
    EXPECT_EQ(result.type, UniformType::jpeg());
    const auto source = ImageSource::create(result.data);
    ASSERT_TRUE(source.has_value());
    EXPECT_EQ(source->typeIdentifier(), "public.jpeg");
    EXPECT_EQ(source->properties().pixelWidth, 240);
    EXPECT_FALSE(source->properties().exif.has_value());
    EXPECT_FALSE(source->properties().gps.has_value());
    EXPECT_EQ(test.asked, std::vector<std::string>{"realesr-general-x4v3"});
}

TEST(EnlargeImageIntent, SizeStyleAndBudgetReachTheNetwork) {
    TestLibrary test;
    EnlargeImageIntent intent;
    intent.image = photo("", test::gradient(50, 50));
    intent.size = EnlargeSizeOption::x8;
    intent.style = StyleOption::art;
    // A budget of 250 × 250 pixels allows 5×, not 8×; the name still says 8x.
    const IntentFile result = intent.perform({}, {}, &test.library, 62'500);
    EXPECT_EQ(result.filename, "photo-8x.jpg");
    EXPECT_EQ(ImageSource::create(result.data)->properties().pixelWidth, 250);
    EXPECT_EQ(test.asked, std::vector<std::string>{"RealESRGAN_x4plus_anime_6B"});
}

// A dark logo on transparency stays visible: where it was transparent the enlargement and the
// enhancement are white, as the conversion to JPEG is.
TEST(EnlargeImageIntent, TransparencyComesOutWhiteAsInAConversionToJpeg) {
    TestLibrary test;
    const IntentFile logo{test::encoded(test::logoOnTransparency(64, 48), ConvertFormat::png), "logo.png",
                          std::nullopt};
    EnlargeImageIntent enlarge;
    enlarge.image = logo;
    enlarge.size = EnlargeSizeOption::x2;
    EnhanceImageIntent enhance;
    enhance.image = logo;
    ConvertImageIntent convert;
    convert.image = logo;
    const std::vector<std::pair<std::string, IntentFile>> results{
        {"enlarged", enlarge.perform({}, {}, &test.library)},
        {"enhanced", enhance.perform({}, {}, &test.library)},
        {"converted", convert.perform()}};
    for (const auto& [name, file] : results) {
        const Bitmap image = *ImageSource::create(file.data)->createThumbnail(std::nullopt);
        const int w = image.width();
        const int h = image.height();
        for (const auto& [x, y] :
             std::vector<std::pair<int, int>>{{w * 3 / 4, h / 2}, {w - 1, 0}, {w - 1, h - 1}}) {
            const std::uint8_t* p = image.pixel(x, y);
            EXPECT_GE(std::min({p[0], p[1], p[2]}), 250) << name << " at " << x << "," << y;
        }
        EXPECT_LT(image.pixel(w / 4, h / 2)[0], 60) << name;
    }
}

TEST(EnlargeImageIntent, TextIsRefusedBeforeAnyNetworkIsAskedFor) {
    TestLibrary test;
    EnlargeImageIntent intent;
    intent.image = IntentFile{Bytes{'h', 'e', 'l', 'l', 'o'}, "notes.txt", std::nullopt};
    try {
        intent.perform({}, {}, &test.library);
        FAIL();
    } catch (const EnlargeIntentError& error) {
        EXPECT_STREQ(error.what(), "That file isn't an image Orvane can read.");
    }
    EXPECT_TRUE(test.asked.empty());
}

// A file whose header declares more pixels than the device can hold is refused before any
// network is asked for, by every action, saying why.
TEST(EnlargeImageIntent, APictureTooLargeForTheDeviceIsRefusedSayingSo) {
    TestLibrary test;
    const IntentFile bomb{test::pngDeclaring(30000, 30000), "bomb.png", std::nullopt};
    const auto expectTooLarge = [](const std::function<void()>& perform) {
        try {
            perform();
            ADD_FAILURE() << "performed";
        } catch (const Error& error) {
            EXPECT_STREQ(error.what(), "This image is too large to open on this device.");
        }
    };
    EnlargeImageIntent enlarge;
    enlarge.image = bomb;
    expectTooLarge([&] { enlarge.perform({}, {}, &test.library); });
    EnhanceImageIntent enhance;
    enhance.image = bomb;
    expectTooLarge([&] { enhance.perform({}, {}, &test.library); });
    RemoveBackgroundIntent cutOut;
    cutOut.image = bomb;
    expectTooLarge([&] { cutOut.perform(); });
    ConvertImageIntent convert;
    convert.image = bomb;
    expectTooLarge([&] { convert.perform(); });
    EXPECT_TRUE(test.asked.empty());
}

// The network loads while the photo decodes, but the photo still speaks first: a photo whose data
// is damaged is unreadable even when the network can't be had, and a network that fails to load
// fails a readable photo with its own error.
TEST(EnlargeImageIntent, ThePhotosErrorComesBeforeTheNetworksWhileBothAreUnderWay) {
    TestLibrary test;
    test.library.setLoader([&](const fs::path& url) -> std::shared_ptr<const Upscaler> {
        test.asked.push_back(url.stem().string());
        throw UpscaleError::badModel("broken on purpose");
    });
    Bytes damaged = test::encoded(test::gradient(300, 200), ConvertFormat::jpeg);
    damaged.resize(damaged.size() / 2);
    EnlargeImageIntent enlarge;
    enlarge.image = IntentFile{damaged, "damaged.jpg", std::nullopt};
    EXPECT_THROW(enlarge.perform({}, {}, &test.library), EnlargeIntentError);

    enlarge.image = photo("fine.png", test::gradient(30, 20));
    try {
        enlarge.perform({}, {}, &test.library);
        ADD_FAILURE() << "performed";
    } catch (const UpscaleError& error) {
        EXPECT_STREQ(error.what(), "Model problem: broken on purpose");
    }
}
