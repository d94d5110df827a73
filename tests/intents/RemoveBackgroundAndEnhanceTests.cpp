#include "intents/BackgroundOption.h"
#include "intents/CommandLine.h"
#include "intents/EnhanceImageIntent.h"
#include "intents/EnlargeIntentError.h"
#include "intents/EnlargeShortcuts.h"
#include "intents/RemoveBackgroundIntent.h"
#include "platform/image/ImageSource.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"
#include "tests/support/TestNetworks.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

const IntentFile text{Bytes{'h', 'e', 'l', 'l', 'o'}, "notes.txt", std::nullopt};

// A bold disc with shading on a soft, darker backdrop: something a subject network finds.
Bitmap subjectPhoto() {
    return test::drawn(480, 360, AlphaInfo::noneSkipLast, [](int x, int y) -> std::array<std::uint8_t, 4> {
        const double dx = x - 240.0;
        const double dy = y - 180.0;
        const double r = std::sqrt(dx * dx + dy * dy);
        if (r < 110) {
            const double light = 0.6 + 0.4 * (1 - r / 110) - dx / 600;
            return {static_cast<std::uint8_t>(230 * light), static_cast<std::uint8_t>(60 * light),
                    static_cast<std::uint8_t>(40 * light), 255};
        }
        const auto v = static_cast<std::uint8_t>(70 + 30.0 * y / 360);
        return {v, static_cast<std::uint8_t>(v + 10), static_cast<std::uint8_t>(v + 20), 255};
    });
}

} // namespace

TEST(BackgroundOption, RawValuesTextsAndBackdrops) {
    EXPECT_EQ(fromRawValue<BackgroundOption>("blur"), BackgroundOption::blur);
    EXPECT_FALSE(fromRawValue<BackgroundOption>("Transparent").has_value());
    EXPECT_EQ(displayText(BackgroundOption::none), "Transparent");
    EXPECT_EQ(displayText(BackgroundOption::blur), "Blurred");
    EXPECT_EQ(typeDisplayName(BackgroundOption::white), "Background");
    EXPECT_EQ(backdrop(BackgroundOption::none), Backdrop(BackdropTransparent{}));
    EXPECT_EQ(backdrop(BackgroundOption::white), Backdrop(BackdropColor{1, 1, 1}));
    EXPECT_EQ(backdrop(BackgroundOption::blur), Backdrop(BackdropBlur{25}));
}

TEST(RemoveBackgroundIntent, TransparentGivesAPngAndTheOthersAJpeg) {
    RemoveBackgroundIntent intent;
    intent.image = IntentFile{test::encoded(subjectPhoto(), ConvertFormat::jpeg, test::cameraProperties()),
                              "holiday.jpeg", UniformType::jpeg()};
    const IntentFile cutout = intent.perform();
    EXPECT_EQ(cutout.filename, "holiday-cutout.png");
    const auto png = ImageSource::create(cutout.data);
    EXPECT_EQ(png->typeIdentifier(), "public.png");
    EXPECT_EQ(png->createThumbnail(std::nullopt)->alphaInfo(), AlphaInfo::last);
    EXPECT_FALSE(png->properties().exif.has_value());

    // Enhancing the cut-out keeps its shape: the subject shows where it was visible, white where
    // it was not.
    test::TemporaryDirectory resources;
    fs::create_directories(resources / "realesr-general-x4v3.mlmodelc");
    ModelLibrary library(resources.path());
    library.setLoader([](const fs::path&) { return Upscaler::load(test::nearest4xBundle()); });
    EnhanceImageIntent enhance;
    enhance.image = cutout;
    const IntentFile enhanced = enhance.perform({}, {}, &library);
    const test::ShapeKept kept =
        test::shapeKept(*png->createThumbnail(std::nullopt),
                        *ImageSource::create(enhanced.data)->createThumbnail(std::nullopt));
    EXPECT_LT(kept.lostInside, 0.01);
    EXPECT_LT(kept.shownOutside, 0.01);

    intent.background = BackgroundOption::white;
    const IntentFile white = intent.perform();
    EXPECT_EQ(white.filename, "holiday-cutout.jpg");
    const Bitmap decoded = *ImageSource::create(white.data)->createThumbnail(std::nullopt);
    EXPECT_EQ(decoded.alphaInfo(), AlphaInfo::noneSkipLast);
    EXPECT_GT(decoded.pixel(10, 10)[0], 245);

    intent.background = BackgroundOption::blur;
    EXPECT_EQ(intent.perform().filename, "holiday-cutout.jpg");
}

TEST(RemoveBackgroundIntent, FailuresSpeakTheirOwnWords) {
    RemoveBackgroundIntent intent;
    intent.image = text;
    try {
        intent.perform();
        FAIL();
    } catch (const EnlargeIntentError& error) {
        EXPECT_STREQ(error.what(), "That file isn't an image Orvane can read.");
    }
    intent.image = IntentFile{test::encoded(test::solid(300, 200, 120, 120, 120), ConvertFormat::png),
                              "grey.png", std::nullopt};
    try {
        intent.perform();
        FAIL();
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "No clear subject found in this photo.");
    }
}

TEST(EnhanceImageIntent, GivesAJpegNamedEnhanced) {
    test::TemporaryDirectory resources;
    fs::create_directories(resources / "realesr-general-x4v3.mlmodelc");
    ModelLibrary library(resources.path());
    std::vector<std::string> asked;
    library.setLoader([&](const fs::path& url) {
        asked.push_back(url.stem().string());
        return Upscaler::load(test::nearest4xBundle());
    });
    EnhanceImageIntent intent;
    intent.image = IntentFile{test::encoded(test::gradient(90, 60, AlphaInfo::last), ConvertFormat::png), "",
                              std::nullopt};
    const IntentFile result = intent.perform({}, {}, &library);
    EXPECT_EQ(result.filename, "photo-enhanced.jpg");
    const auto source = ImageSource::create(result.data);
    EXPECT_EQ(source->typeIdentifier(), "public.jpeg");
    EXPECT_EQ(source->properties().pixelWidth, 90);
    EXPECT_EQ(asked, std::vector<std::string>{"realesr-general-x4v3"});

    intent.image = text;
    asked.clear();
    EXPECT_THROW(intent.perform({}, {}, &library), EnlargeIntentError);
    EXPECT_TRUE(asked.empty());
}

// A picture a pixel or a few high is enhanced like any other, at its own size, rather than
// refused in the image library's words.
TEST(EnhanceImageIntent, EnhancesAThinPicture) {
    test::TemporaryDirectory resources;
    fs::create_directories(resources / "realesr-general-x4v3.mlmodelc");
    ModelLibrary library(resources.path());
    library.setLoader([&](const fs::path&) { return Upscaler::load(test::nearest4xBundle()); });
    for (const auto& [width, height, format] : std::vector<std::tuple<int, int, ConvertFormat>>{
             {2000, 1, ConvertFormat::png}, {20000, 3, ConvertFormat::jpeg}}) {
        EnhanceImageIntent intent;
        intent.image = IntentFile{test::encoded(test::gradient(width, height), format), "line", std::nullopt};
        const auto source = ImageSource::create(intent.perform({}, {}, &library).data);
        ASSERT_TRUE(source);
        EXPECT_EQ(source->properties().pixelWidth, width);
        EXPECT_EQ(source->properties().pixelHeight, height);
    }
}

TEST(AppShortcuts, FourShortcutsInOrderWithTheirPhrases) {
    const auto& shortcuts = EnlargeShortcuts::appShortcuts();
    ASSERT_EQ(shortcuts.size(), 4u);
    EXPECT_EQ(shortcuts[0].shortTitle, "Enlarge Image");
    EXPECT_EQ(shortcuts[1].shortTitle, "Convert Image");
    EXPECT_EQ(shortcuts[2].shortTitle, "Remove Background");
    EXPECT_EQ(shortcuts[3].shortTitle, "Enhance Image");
    EXPECT_EQ(shortcuts[0].phrases.size(), 2u);
    EXPECT_EQ(shortcuts[1].phrases.size(), 2u);
    EXPECT_EQ(shortcuts[2].phrases.size(), 1u);
    EXPECT_EQ(shortcuts[3].phrases.size(), 1u);
    EXPECT_EQ(EnlargeShortcuts::spoken(shortcuts[0].phrases[1]), "Make a photo bigger with Orvane");
    EXPECT_EQ(shortcuts[3].systemSymbol, "wand.and.stars");
}

TEST(AppShortcuts, TheDesktopEntryDeclaresThemAll) {
    std::ifstream file(fs::path(ORVANE_SOURCE_DIR) / "app" / "orvane.desktop");
    const std::string entry{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::string actions = "Actions=";
    std::string keywords = "Keywords=";
    for (const AppShortcut& shortcut : EnlargeShortcuts::appShortcuts()) {
        actions += shortcut.action + ";";
        for (const std::string& phrase : shortcut.phrases) {
            keywords += EnlargeShortcuts::spoken(phrase) + ";";
        }
        const std::string group = "[Desktop Action " + shortcut.action + "]\nName=" + shortcut.shortTitle +
                                  "\nIcon=" + shortcut.iconName + "\nExec=orvane " + shortcut.action;
        EXPECT_NE(entry.find(group), std::string::npos) << shortcut.action;
    }
    EXPECT_NE(entry.find(actions + "\n"), std::string::npos);
    EXPECT_NE(entry.find(keywords + "\n"), std::string::npos);
}

TEST(CommandLine, HelpListsTheFourActionsWithTheirPhrases) {
    const std::string help = CommandLine::helpText();
    std::size_t last = 0;
    for (const char* title :
         {"Enlarge Image — Enlarge IMAGE SIZE", "Convert Image — Convert IMAGE to FORMAT",
          "Remove Background — Remove background from IMAGE", "Enhance Image — Enhance IMAGE"}) {
        const std::size_t at = help.find(title);
        ASSERT_NE(at, std::string::npos) << title;
        EXPECT_GT(at, last);
        last = at;
    }
    EXPECT_NE(help.find("“Convert to JPG with Orvane”"), std::string::npos);
}

TEST(CommandLine, RemovingABackgroundNeedsAChoice) {
    test::TemporaryDirectory folder;
    const Bytes png = test::encoded(subjectPhoto(), ConvertFormat::png);
    std::ofstream(folder / "ball.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(CommandLine::run({"remove-background", (folder / "ball.png").string()}, out, err),
              CommandLine::usageError);
    EXPECT_NE(err.str().find("--background"), std::string::npos);
    EXPECT_EQ(CommandLine::run({"remove-background", (folder / "ball.png").string(), "--background", "white",
                                "--output", folder.path().string()},
                               out, err),
              CommandLine::success);
    EXPECT_TRUE(fs::exists(folder / "ball-cutout.jpg"));
}
