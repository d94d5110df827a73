#include "core/UpscaleError.h"
#include "core/upscale/ModelLibrary.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestNetworks.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

std::shared_ptr<const Upscaler> realUpscaler() {
    static const auto upscaler = Upscaler::load(test::nearest4xBundle());
    return upscaler;
}

void place(const fs::path& folder, const std::string& name) {
    fs::create_directories(folder / name);
}

} // namespace

TEST(UpscaleModel, CasesTitlesAndRawValues) {
    EXPECT_EQ(allCases<UpscaleModel>(),
              (std::array{UpscaleModel::fast, UpscaleModel::detail, UpscaleModel::art}));
    // The raw values name the network files.
    EXPECT_EQ(rawValue(UpscaleModel::fast), "realesr-general-x4v3");
    EXPECT_EQ(fromRawValue<UpscaleModel>("RealESRGAN_x4plus"), UpscaleModel::detail);
    EXPECT_EQ(fromRawValue<UpscaleModel>("RealESRGAN_x4plus_anime_6B"), UpscaleModel::art);
    EXPECT_FALSE(fromRawValue<UpscaleModel>("realesrgan_x4plus").has_value());
    EXPECT_FALSE(fromRawValue<UpscaleModel>("detail").has_value());
    EXPECT_EQ(title(UpscaleModel::detail), "Photo · max detail");
    EXPECT_EQ(title(UpscaleModel::art), "Art & anime");
    EXPECT_EQ(subtitle(UpscaleModel::fast), "Fast, natural results");
    EXPECT_EQ(subtitle(UpscaleModel::detail), "Sharper detail, slower");
    EXPECT_EQ(subtitle(UpscaleModel::art), "Drawings, logos, anime");
}

TEST(ModelLibrary, LocatesResourcesFirstThenExtraFoldersInOrder) {
    test::TemporaryDirectory resources;
    test::TemporaryDirectory first;
    test::TemporaryDirectory second;
    ModelLibrary library(resources.path());
    EXPECT_FALSE(library.isInstalled(UpscaleModel::fast));

    place(second.path(), "realesr-general-x4v3.mlmodelc");
    place(first.path(), "realesr-general-x4v3.mlpackage");
    place(first.path(), "realesr-general-x4v3.onnx");
    library.setExtraDirectories({first.path(), second.path()});
    EXPECT_EQ(library.locate(UpscaleModel::fast), first / "realesr-general-x4v3.mlpackage");
    place(first.path(), "realesr-general-x4v3.mlmodelc");
    EXPECT_EQ(library.locate(UpscaleModel::fast), first / "realesr-general-x4v3.mlmodelc");
    place(resources.path(), "realesr-general-x4v3.mlmodelc");
    EXPECT_EQ(library.locate(UpscaleModel::fast), resources / "realesr-general-x4v3.mlmodelc");
    EXPECT_FALSE(library.isInstalled(UpscaleModel::art));
}

TEST(ModelLibrary, AMissingNetworkFailsAtOnce) {
    test::TemporaryDirectory resources;
    ModelLibrary library(resources.path());
    try {
        library.upscaler(UpscaleModel::detail);
        FAIL();
    } catch (const UpscaleError& error) {
        EXPECT_STREQ(error.what(), "Model problem: RealESRGAN_x4plus is not installed");
    }
}

TEST(ModelLibrary, ConcurrentRequestsShareOneLoad) {
    test::TemporaryDirectory resources;
    place(resources.path(), "RealESRGAN_x4plus.mlmodelc");
    ModelLibrary library(resources.path());
    std::atomic<int> loads = 0;
    library.setLoader([&](const fs::path&) {
        ++loads;
        std::this_thread::sleep_for(std::chrono::milliseconds(200)); // long enough for every caller to join
        return realUpscaler();
    });
    std::vector<std::shared_ptr<const Upscaler>> results(4);
    std::vector<std::thread> callers;
    for (auto& result : results) {
        callers.emplace_back([&] { result = library.upscaler(UpscaleModel::detail); });
    }
    for (auto& caller : callers) {
        caller.join();
    }
    EXPECT_EQ(loads, 1);
    for (const auto& result : results) {
        EXPECT_EQ(result, realUpscaler());
    }
    EXPECT_EQ(library.upscaler(UpscaleModel::detail), realUpscaler());
    EXPECT_EQ(loads, 1);
}

TEST(ModelLibrary, AFailedLoadIsTriedAgain) {
    test::TemporaryDirectory resources;
    place(resources.path(), "RealESRGAN_x4plus_anime_6B.mlmodelc");
    ModelLibrary library(resources.path());
    int attempts = 0;
    library.setLoader([&](const fs::path&) -> std::shared_ptr<const Upscaler> {
        if (++attempts == 1) {
            throw UpscaleError::badModel("broken");
        }
        return realUpscaler();
    });
    EXPECT_THROW(library.upscaler(UpscaleModel::art), UpscaleError);
    EXPECT_EQ(library.upscaler(UpscaleModel::art), realUpscaler());
    EXPECT_EQ(attempts, 2);
}

TEST(ModelLibrary, LoadsAPackageFromAnExtraFolderThroughTheCache) {
    test::TemporaryDirectory resources;
    test::TemporaryDirectory extra;
    test::TemporaryDirectory caches;
    const char* previous = std::getenv("XDG_CACHE_HOME");
    const std::optional<std::string> saved = previous ? std::optional<std::string>(previous) : std::nullopt;
    ::setenv("XDG_CACHE_HOME", caches.path().c_str(), 1);
    fs::copy(test::nearest4xPackage(), extra / "RealESRGAN_x4plus_anime_6B.mlpackage",
             fs::copy_options::recursive);
    ModelLibrary library(resources.path());
    library.setExtraDirectories({extra.path()});
    const auto upscaler = library.upscaler(UpscaleModel::art);
    EXPECT_EQ(upscaler->modelScale(), 4);
    EXPECT_FALSE(fs::is_empty(caches / "Zentrel" / "compiled"));
    if (saved) {
        ::setenv("XDG_CACHE_HOME", saved->c_str(), 1);
    } else {
        ::unsetenv("XDG_CACHE_HOME");
    }
}
