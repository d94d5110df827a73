#include "core/ImageFiles.h"
#include "core/UpscaleError.h"
#include "core/upscale/ModelStore.h"
#include "core/upscale/Upscaler.h"
#include "platform/networks/Network.h"
#include "platform/networks/OnnxNetwork.h"
#include "tests/core/upscale/ShippedNetworks.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"
#include "tests/support/TestNetworks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

// The three planes of a picture in a network's value range (1 for full intensity here).
std::vector<float> planes(const Bitmap& picture) {
    const auto plane = static_cast<std::size_t>(picture.width()) * picture.height();
    std::vector<float> values(plane * 3);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            for (int c = 0; c < 3; ++c) {
                values[c * plane + static_cast<std::size_t>(y) * picture.width() + x] =
                    picture.pixel(x, y)[c] / 255.0f;
            }
        }
    }
    return values;
}

// Pictures with what photos have: smooth skies, hard edges, fine lines, texture and noise, passed
// through JPEG as camera photos are.
std::vector<Bitmap> photos(int side) {
    const Bitmap scene = test::drawn(side, side, AlphaInfo::noneSkipLast, [side](int x, int y) {
        const double v = static_cast<double>(y) / side;
        std::array<double, 3> c{60 + 120 * v, 110 + 80 * v, 210 - 50 * v};
        if (std::hypot(x - side * 0.3, y - side * 0.35) < side * 0.18) {
            c = {225, 40, 35};
        } else if (y > side * 0.6) {
            c = {50 + 30 * std::sin(x * 0.8), 95 + 25 * std::cos(y * 1.1), 30};
        }
        if (x % 13 == 0 && y < side / 2) {
            c = {250, 245, 230};
        }
        const double noise = ((x * 7919 + y * 104729) % 13) - 6;
        return std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(std::clamp(c[0] + noise, 0.0, 255.0)),
                                           static_cast<std::uint8_t>(std::clamp(c[1] + noise, 0.0, 255.0)),
                                           static_cast<std::uint8_t>(std::clamp(c[2] + noise, 0.0, 255.0)),
                                           255};
    });
    std::vector<Bitmap> pictures;
    for (const Bitmap& picture : {scene, test::gradient(side, side), test::noise(side, side, 7)}) {
        pictures.push_back(ImageFiles::loadFromData(test::encoded(picture, ConvertFormat::jpeg, {}, 0.8)));
    }
    return pictures;
}

fs::path shippedPackage(UpscaleModel model) {
    return fs::path(ORVANE_NETWORK_PACKAGES) / (std::string(rawValue(model)) + ".mlpackage");
}

fs::path compiled(const fs::path& package, const fs::path& folder) {
    const fs::path bundle = folder / (package.stem().string() + ".mlmodelc");
    NetworkCompiler::compile(package, bundle);
    return bundle;
}

double largestDifference(const std::vector<float>& a, const std::vector<float>& b) {
    double largest = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        largest = std::max(largest, static_cast<double>(std::abs(a[i] - b[i])));
    }
    return largest;
}

double psnr(const std::vector<float>& a, const std::vector<float>& b) {
    double squared = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const double difference = std::clamp(a[i], 0.0f, 1.0f) - std::clamp(b[i], 0.0f, 1.0f);
        squared += difference * difference;
    }
    const double mse = squared / static_cast<double>(a.size());
    return mse == 0 ? INFINITY : 10 * std::log10(1.0 / mse);
}

class RunnerOnEveryNetwork : public testing::TestWithParam<std::string> {
protected:
    fs::path package() const {
        const std::string& name = GetParam();
        if (name == "everylayer4x") {
            return test::everyLayer4xPackage();
        }
        return shippedPackage(*fromRawValue<UpscaleModel>(name));
    }
    test::TemporaryDirectory folder;
};

} // namespace

// In fp32 the runner computes what ONNX Runtime computes from the same package, up to the order of
// additions.
TEST_P(RunnerOnEveryNetwork, MatchesOnnxRuntimeInFp32) {
    const auto network = Network::load(compiled(package(), folder.path()), NetworkPrecision::fp32);
    const auto reference = OnnxNetwork::load(package());
    const Bitmap tile = photos(48).front();
    const std::vector<float> input = planes(tile);
    const auto ours = network->run(input, tile.width(), tile.height());
    const auto theirs = reference->run(input, tile.width(), tile.height());
    ASSERT_EQ(ours.size(), theirs.size());
    ASSERT_EQ(ours.size(), input.size() * 16);
    EXPECT_LE(largestDifference(ours, theirs), 1e-4) << GetParam();
}

// bf16 rounds weights and activations; the pictures stay within a fraction of one level of fp32's.
TEST_P(RunnerOnEveryNetwork, Bf16StaysCloseToFp32) {
    if (!NetworkPrecisions::processorHasBf16()) {
        GTEST_SKIP() << "this processor has no bf16 dot products (AVX-512 BF16 or AMX), so the "
                        "networks run in fp32 only";
    }
    const fs::path bundle = compiled(package(), folder.path());
    const auto fp32 = Network::load(bundle, NetworkPrecision::fp32);
    const auto bf16 = Network::load(bundle, NetworkPrecision::bf16);
    EXPECT_EQ(bf16->precision(), NetworkPrecision::bf16);
    for (const Bitmap& photo : photos(64)) {
        const std::vector<float> input = planes(photo);
        const auto exact = fp32->run(input, photo.width(), photo.height());
        const auto rounded = bf16->run(input, photo.width(), photo.height());
        const double value = psnr(exact, rounded);
        EXPECT_GE(value, 45.0) << GetParam();
        // Identical output would mean bf16 never ran.
        EXPECT_LT(value, 120.0) << GetParam();
        RecordProperty("psnr", std::to_string(value));
    }
}

INSTANTIATE_TEST_SUITE_P(Networks, RunnerOnEveryNetwork,
                         testing::Values("everylayer4x", "realesr-general-x4v3", "RealESRGAN_x4plus_anime_6B",
                                         "RealESRGAN_x4plus"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST(NetworkRunner, ChoosesBf16OnlyWhereTheProcessorHasItAndWhenNotToldOtherwise) {
    const char* saved = std::getenv("ORVANE_NETWORK_PRECISION");
    const std::string previous = saved ? saved : "";
    ::setenv("ORVANE_NETWORK_PRECISION", "fp32", 1);
    EXPECT_EQ(NetworkPrecisions::preferred(), NetworkPrecision::fp32);
    ::unsetenv("ORVANE_NETWORK_PRECISION");
    EXPECT_EQ(NetworkPrecisions::preferred(),
              NetworkPrecisions::processorHasBf16() ? NetworkPrecision::bf16 : NetworkPrecision::fp32);
    if (saved) {
        ::setenv("ORVANE_NETWORK_PRECISION", previous.c_str(), 1);
    }
}

// A network with a layer the runner doesn't have is a model problem, and the compiled-network
// cache keeps nothing of it.
TEST(NetworkRunner, RefusesAnUnsupportedLayerAndLeavesNoBundle) {
    test::TemporaryDirectory caches;
    test::TemporaryDirectory work;
    const char* saved = std::getenv("XDG_CACHE_HOME");
    const std::string previous = saved ? saved : "";
    ::setenv("XDG_CACHE_HOME", caches.path().c_str(), 1);
    const fs::path package = work / "Odd.mlpackage";
    fs::copy(test::unsupported4xPackage(), package, fs::copy_options::recursive);
    try {
        Upscaler::load(package);
        ADD_FAILURE() << "a network with an unsupported layer loaded";
    } catch (const UpscaleError& error) {
        EXPECT_EQ(error.errorCase(), UpscaleError::Case::badModel);
        EXPECT_NE(std::string(error.what()).find("Sigmoid"), std::string::npos) << error.what();
    }
    std::vector<fs::path> left;
    for (const auto& entry : fs::recursive_directory_iterator(caches.path())) {
        if (!entry.is_directory()) {
            left.push_back(entry.path());
        }
    }
    EXPECT_TRUE(left.empty());
    EXPECT_TRUE(fs::is_empty(ModelStore::folder()));
    if (saved) {
        ::setenv("XDG_CACHE_HOME", previous.c_str(), 1);
    } else {
        ::unsetenv("XDG_CACHE_HOME");
    }
}

// oneDNN falls back to its portable reference kernels, a hundred to a thousand times slower, for
// arrangements its fast ones lack (a sliced channels-last tensor, a layout blocked for another
// processor, a scaled sum after a blocked convolution). No step of any shipped network may land
// there, in either precision. ctest runs this once more with oneDNN limited to AVX2
// (ONEDNN_MAX_CPU_ISA), as on processors without AVX-512.
TEST(NetworkRunner, RunsNoStepOnAReferenceKernel) {
    for (const UpscaleModel model : allCases<UpscaleModel>()) {
        test::TemporaryDirectory folder;
        const fs::path bundle = compiled(shippedPackage(model), folder.path());
        for (const NetworkPrecision precision : {NetworkPrecision::fp32, NetworkPrecisions::preferred()}) {
            for (const std::string& step : Network::load(bundle, precision)->kernels(40, 32)) {
                EXPECT_EQ(step.find(": ref"), std::string::npos)
                    << rawValue(model) << " " << rawValue(precision) << ": " << step;
            }
        }
    }
}
