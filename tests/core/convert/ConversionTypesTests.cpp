#include "core/convert/ConvertError.h"
#include "core/convert/ConvertInput.h"
#include "core/convert/ConvertOptions.h"

#include <cmath>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace orvane;

TEST(ConvertFormat, TableOfNamesExtensionsAndTypes) {
    EXPECT_EQ(allCases<ConvertFormat>(),
              (std::array{ConvertFormat::jpeg, ConvertFormat::png, ConvertFormat::heic, ConvertFormat::avif,
                          ConvertFormat::webp, ConvertFormat::tiff}));
    const std::vector<std::string> titles = {"JPG", "PNG", "HEIC", "AVIF", "WebP", "TIFF"};
    const std::vector<std::string> extensions = {"jpg", "png", "heic", "avif", "webp", "tiff"};
    const std::vector<std::string> types = {"public.jpeg", "public.png",           "public.heic",
                                            "public.avif", "org.webmproject.webp", "public.tiff"};
    const std::vector<bool> lossy = {true, false, true, true, true, false};
    for (std::size_t i = 0; i < 6; ++i) {
        const ConvertFormat format = allCases<ConvertFormat>()[i];
        EXPECT_EQ(title(format), titles[i]);
        EXPECT_EQ(fileExtension(format), extensions[i]);
        EXPECT_EQ(utType(format).identifier(), types[i]);
        EXPECT_EQ(isLossy(format), lossy[i]);
    }
    EXPECT_EQ(rawValue(ConvertFormat::jpeg), "jpeg");
}

TEST(ConvertFormat, OnlyTheExactRawValuesAreAccepted) {
    EXPECT_EQ(fromRawValue<ConvertFormat>("webp"), ConvertFormat::webp);
    for (const char* word : {"jpg", "JPEG", "Png", "webp ", "", "gif"}) {
        EXPECT_FALSE(fromRawValue<ConvertFormat>(word).has_value()) << word;
    }
    EXPECT_EQ(fromRawValue<MetadataPolicy>("removeLocation"), MetadataPolicy::removeLocation);
    EXPECT_FALSE(fromRawValue<MetadataPolicy>("removelocation").has_value());
}

TEST(ConvertOptions, EqualityComparesEveryFieldIncludingAbsence) {
    const ConvertOptions base{ConvertFormat::heic,       0.8,  std::nullopt, 2000,
                              MetadataPolicy::removeAll, true, false};
    ConvertOptions zeroKB = base;
    zeroKB.maxKB = 0;
    EXPECT_NE(base, zeroKB);
    EXPECT_EQ(base, base);
    ConvertOptions nan = base;
    nan.quality = std::nan("");
    EXPECT_NE(nan, nan);
    EXPECT_EQ(ConvertOptions{}.quality, 0.85);
}

TEST(ConvertOptions, JsonUsesTheFieldNamesAndOmitsAbsentLimits) {
    const ConvertOptions plain{ConvertFormat::webp,  0.7,   std::nullopt, std::nullopt,
                               MetadataPolicy::keep, false, true};
    const auto json = nlohmann::json::parse(encodeJson(plain));
    EXPECT_EQ(json.size(), 5u);
    EXPECT_EQ(json["format"], "webp");
    EXPECT_EQ(json["metadata"], "keep");
    EXPECT_EQ(json["neverLarger"], true);
    EXPECT_EQ(decodeConvertOptions(encodeJson(plain)), plain);

    const ConvertOptions limited{
        ConvertFormat::jpeg, 0.5, 500, 1024, MetadataPolicy::removeLocation, true, false};
    EXPECT_EQ(nlohmann::json::parse(encodeJson(limited))["maxKB"], 500);
    EXPECT_EQ(decodeConvertOptions(encodeJson(limited)), limited);
}

TEST(ConvertOptions, DecodingRefusesMissingOrWrongValues) {
    EXPECT_THROW(
        decodeConvertOptions(R"({"format":"jpeg","quality":0.8,"metadata":"keep","keepCaptureDate":true})"),
        std::invalid_argument);
    EXPECT_THROW(
        decodeConvertOptions(
            R"({"format":"jpg","quality":0.8,"metadata":"keep","keepCaptureDate":true,"neverLarger":false})"),
        std::invalid_argument);
    EXPECT_THROW(decodeConvertOptions("not json"), std::invalid_argument);
}

TEST(ConvertError, Descriptions) {
    EXPECT_STREQ(ConvertError::encodeFailed("HEIC").what(), "Couldn't write HEIC.");
    EXPECT_STREQ(ConvertError::cannotReachSize(1500).what(),
                 "Couldn't get the file under 1500 KB, even at a small size.");
    EXPECT_EQ(ConvertError::cannotReachSize(1500).kilobytes(), 1500);
    EXPECT_STREQ(ConvertError::unreadable().what(), "This file couldn't be read as an image.");
}

TEST(ConvertInput, DataEqualityComparesBytesAndHint) {
    const auto bytes = std::make_shared<const Bytes>(Bytes{1, 2, 3});
    const ConvertInput a = ConvertInputData{bytes, "public.jpeg"};
    const ConvertInput b = ConvertInputData{std::make_shared<const Bytes>(Bytes{1, 2, 3}), "public.jpeg"};
    const ConvertInput c = ConvertInputData{bytes, std::nullopt};
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_NE(a, ConvertInput(ConvertInputURL{"a.jpg"}));
}
