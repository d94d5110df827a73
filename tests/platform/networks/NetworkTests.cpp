#include "platform/networks/Network.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TemporaryDirectory.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

// Made at build time by tools/make-test-network.py: a 4× nearest-neighbour enlarger.
const fs::path nearest4x = fs::path(ORVANE_TEST_NETWORKS) / "nearest4x.mlpackage";

// Every channel different, and the extremes 0 and 255 present, so that swapped channels, axes or
// a wrong scale show.
PixelBuffer pattern(int width, int height, int seed) {
    PixelBuffer pixels(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = pixels.row(y) + x * 4;
            pixel[0] = static_cast<std::uint8_t>((x * 37 + y * 11 + seed) % 256);
            pixel[1] = static_cast<std::uint8_t>((x * 5 + y * 91 + seed * 3) % 256);
            pixel[2] = static_cast<std::uint8_t>(x == 0 ? 255 : (x * y * 7 + seed) % 256);
            pixel[3] = static_cast<std::uint8_t>(y * 40); // the network never sees alpha
        }
    }
    return pixels;
}

PixelBuffer enlargedByHand(const PixelBuffer& input, int scale) {
    PixelBuffer output(input.width() * scale, input.height() * scale);
    for (int y = 0; y < output.height(); ++y) {
        for (int x = 0; x < output.width(); ++x) {
            std::copy_n(input.row(y / scale) + (x / scale) * 4, 3, output.row(y) + x * 4);
            output.row(y)[x * 4 + 3] = 255;
        }
    }
    return output;
}

bool samePixels(const PixelBuffer& a, const PixelBuffer& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::equal(a.data(), a.data() + a.bytesPerRow() * a.height(), b.data());
}

std::vector<fs::path> entries(const fs::path& folder) {
    std::vector<fs::path> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string contents(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(Network, CompiledNetworkEnlargesExactlyAsItsDescriptionSays) {
    test::TemporaryDirectory folder;
    const fs::path bundle = folder / "nearest4x.mlmodelc";
    NetworkCompiler::compile(nearest4x, bundle);
    EXPECT_EQ(entries(folder.path()), std::vector<fs::path>{"nearest4x.mlmodelc"});
    EXPECT_EQ(entries(bundle),
              (std::vector<fs::path>{"Manifest.json", "description.json", "graph.json", "weights.bin"}));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(static_cast<mode_t>(fs::status(bundle).permissions()), 0777 & ~mask);

    const auto network = Network::load(bundle);
    EXPECT_EQ(network->description(), NetworkDescription::read(nearest4x / "description.json"));
    EXPECT_EQ(network->description().creatorDefined.at("scale"), "4");

    // Not square, so that swapped width and height show.
    const PixelBuffer input = pattern(7, 5, 0);
    const auto output = network->predict("input", input, "output");
    ASSERT_TRUE(output.has_value());
    EXPECT_EQ(output->width(), 28);
    EXPECT_EQ(output->height(), 20);
    EXPECT_TRUE(samePixels(*output, enlargedByHand(input, 4)));

    EXPECT_FALSE(network->predict("input", input, "mask").has_value());
    EXPECT_THROW(network->predict("picture", input, "output"), NetworkError);
}

// The part of a prediction that a caller keeps goes straight into its picture, red first, where the
// caller's rows say; a part outside the output is refused and nothing is written for a missing output.
TEST(Network, APartOfTheOutputGoesStraightIntoAPictureRedFirst) {
    test::TemporaryDirectory folder;
    NetworkCompiler::compile(nearest4x, folder / "n.mlmodelc");
    const auto network = Network::load(folder / "n.mlmodelc");
    const PixelBuffer input = pattern(7, 5, 3);
    const PixelBuffer whole = enlargedByHand(input, 4);

    const std::size_t rowBytes = 40 * 4;
    std::vector<std::uint8_t> picture(rowBytes * 30, 9);
    const Network::OutputPart part{5, 2, 21, 17};
    ASSERT_TRUE(network->predict("input", input, "output", part, picture.data() + rowBytes + 8, rowBytes));
    int wrong = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            const std::uint8_t* got = picture.data() + y * rowBytes + x * 4;
            const int px = x - 2;
            const int py = y - 1;
            if (px < 0 || py < 0 || px >= part.width || py >= part.height) {
                wrong += got[0] != 9 || got[3] != 9;
                continue;
            }
            const std::uint8_t* bgra = whole.row(part.y + py) + (part.x + px) * 4;
            wrong += got[0] != bgra[2] || got[1] != bgra[1] || got[2] != bgra[0] || got[3] != 255;
        }
    }
    EXPECT_EQ(wrong, 0);

    const std::vector<std::uint8_t> before = picture;
    EXPECT_FALSE(network->predict("input", input, "mask", part, picture.data(), rowBytes));
    EXPECT_THROW(network->predict("input", input, "output", {8, 0, 21, 4}, picture.data(), rowBytes),
                 NetworkError);
    EXPECT_THROW(network->predict("input", input, "output", {0, -1, 4, 4}, picture.data(), rowBytes),
                 NetworkError);
    EXPECT_EQ(picture, before);
}

// Giving back the plans' memory between predictions, even while others run, changes no result: the
// next prediction of a size makes its plan again.
TEST(Network, PredictionsAfterThePlansWereGivenBackAreTheSame) {
    test::TemporaryDirectory folder;
    NetworkCompiler::compile(nearest4x, folder / "n.mlmodelc");
    const auto network = Network::load(folder / "n.mlmodelc");
    std::atomic<int> failures = 0;
    std::atomic<bool> running = true;
    std::thread other([&] {
        for (int round = 0; running; ++round) {
            const PixelBuffer input = pattern(11, 6, round);
            const auto output = network->predict("input", input, "output");
            failures += !output || !samePixels(*output, enlargedByHand(input, 4));
        }
    });
    for (int round = 0; round < 20; ++round) {
        network->releaseIdlePlans();
        const PixelBuffer input = pattern(7 + round % 3, 5, round);
        const auto output = network->predict("input", input, "output");
        failures += !output || !samePixels(*output, enlargedByHand(input, 4));
    }
    running = false;
    other.join();
    network->releaseIdlePlans();
    EXPECT_EQ(failures, 0);
}

TEST(Network, PredictionsFromSeveralThreadsAtOnceEachGetTheirOwnResult) {
    test::TemporaryDirectory folder;
    NetworkCompiler::compile(nearest4x, folder / "n.mlmodelc");
    const auto network = Network::load(folder / "n.mlmodelc");

    std::vector<int> failures(6, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < static_cast<int>(failures.size()); ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 10; ++round) {
                const PixelBuffer input = pattern(9 + t, 6 + round, t * 10 + round);
                const auto output = network->predict("input", input, "output");
                if (!output || !samePixels(*output, enlargedByHand(input, 4))) {
                    ++failures[t];
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, std::vector<int>(failures.size(), 0));
}

TEST(Network, FailuresAreNetworkErrorsAndLeaveNothingBehind) {
    test::TemporaryDirectory folder;
    EXPECT_THROW(Network::load(folder / "missing.mlmodelc"), NetworkError);
    // A package is not a compiled bundle.
    EXPECT_THROW(Network::load(nearest4x), NetworkError);

    // An existing destination stays as it was.
    const fs::path taken = folder / "taken.mlmodelc";
    fs::create_directory(taken);
    std::ofstream(taken / "keep.txt") << "mine";
    EXPECT_THROW(NetworkCompiler::compile(nearest4x, taken), NetworkError);
    EXPECT_EQ(entries(folder.path()), std::vector<fs::path>{"taken.mlmodelc"});
    EXPECT_EQ(entries(taken), std::vector<fs::path>{"keep.txt"});
    EXPECT_EQ(contents(taken / "keep.txt"), "mine");

    // A network file that is not ONNX fails with a message, and no bundle or staging folder is
    // left.
    const fs::path broken = folder / "broken.mlpackage";
    fs::copy(nearest4x, broken);
    std::ofstream(broken / "network.onnx", std::ios::trunc) << "not a network";
    try {
        NetworkCompiler::compile(broken, folder / "broken.mlmodelc");
        ADD_FAILURE() << "compiling a broken network succeeded";
    } catch (const NetworkError& error) {
        EXPECT_FALSE(error.description().empty());
    }
    EXPECT_EQ(entries(folder.path()), (std::vector<fs::path>{"broken.mlpackage", "taken.mlmodelc"}));
}

TEST(NetworkDescription, WritesAndReadsBackEveryFieldAndRejectsWhatItCannotUse) {
    test::TemporaryDirectory folder;
    NetworkDescription description;
    description.creatorDefined = {{"scale", "2"}, {"author", "Zoë"}};
    description.inputs = {{"image", ImageConstraint{"BGRA8", {64, 128}}}, {"strength", std::nullopt}};
    description.outputs = {{"enlarged", ImageConstraint{"BGRA8", {128, 256}}}};
    description.pixelRange = 1;
    description.channelOrder = "BGR";
    description.write(folder / "description.json");
    const auto read = NetworkDescription::read(folder / "description.json");
    EXPECT_EQ(read, description);
    ASSERT_NE(read.input("strength"), nullptr);
    EXPECT_FALSE(read.input("strength")->image.has_value());
    EXPECT_EQ(read.output("image"), nullptr);

    const auto rejected = [&](const std::string& json) {
        std::ofstream(folder / "bad.json", std::ios::trunc) << json;
        try {
            NetworkDescription::read(folder / "bad.json");
        } catch (const NetworkError&) {
            return true;
        }
        return false;
    };
    EXPECT_FALSE(rejected(R"({"inputs": [], "outputs": []})"));
    EXPECT_TRUE(rejected(R"({"inputs": [)"));
    EXPECT_TRUE(rejected(R"({"inputs": []})"));
    EXPECT_TRUE(rejected(R"({"inputs": [{"name": 3}], "outputs": []})"));
    EXPECT_TRUE(rejected(R"({"inputs": [], "outputs": [], "pixels": {"channelOrder": "GBR"}})"));
    EXPECT_TRUE(rejected(R"({"inputs": [], "outputs": [], "pixels": {"range": 0}})"));
    EXPECT_THROW(NetworkDescription::read(folder / "absent.json"), NetworkError);
}

// The runtime keeps telemetry (a device id, a database of events) in the user's cache unless it is
// stopped before its first environment exists, so this runs in a fresh process of its own with a
// fresh home and cache, and with nothing in its environment that would stop the runtime by itself.
TEST(Network, RunningANetworkWritesNothingIntoTheUsersHomeOrCache) {
    if (const char* folder = std::getenv("ORVANE_TEST_NETWORK_RUN_FOLDER")) {
        NetworkCompiler::compile(nearest4x, fs::path(folder) / "n.mlmodelc");
        const auto output =
            Network::load(fs::path(folder) / "n.mlmodelc")->predict("input", pattern(8, 8, 1), "output");
        ASSERT_TRUE(output.has_value());
        return;
    }
    test::TemporaryDirectory folder;
    fs::create_directories(folder / "home");
    fs::create_directories(folder / "cache");
    fs::create_directories(folder / "work");
    std::vector<std::string> environment{
        "HOME=" + (folder / "home").string(), "XDG_CACHE_HOME=" + (folder / "cache").string(),
        "ORVANE_TEST_NETWORK_RUN_FOLDER=" + (folder / "work").string(), "PATH=/usr/bin:/bin"};
    ASSERT_EQ(test::runProgram("/proc/self/exe",
                               {"--gtest_filter=Network.RunningANetworkWritesNothingIntoTheUsersHomeOrCache"},
                               environment),
              0);
    ASSERT_TRUE(fs::exists(folder / "work" / "n.mlmodelc"));

    std::vector<fs::path> written;
    for (const char* place : {"home", "cache"}) {
        for (const auto& entry : fs::recursive_directory_iterator(folder / place)) {
            written.push_back(entry.path().lexically_relative(folder.path()));
        }
    }
    EXPECT_EQ(written, std::vector<fs::path>{});
}
