#include "core/upscale/ModelStore.h"
#include "platform/networks/Network.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestNetworks.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <regex>
#include <sys/stat.h>
#include <thread>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

// Points the user's caches at a fresh folder for one test.
class ModelStoreTest : public testing::Test {
protected:
    void SetUp() override {
        if (const char* previous = std::getenv("XDG_CACHE_HOME")) {
            saved_ = previous;
        }
        ::setenv("XDG_CACHE_HOME", caches.path().c_str(), 1);
    }
    void TearDown() override {
        if (saved_) {
            ::setenv("XDG_CACHE_HOME", saved_->c_str(), 1);
        } else {
            ::unsetenv("XDG_CACHE_HOME");
        }
    }
    fs::path packageIn(const fs::path& folder, const std::string& name,
                       const fs::path& source = test::nearest4xPackage()) {
        fs::create_directories(folder);
        const fs::path copy = folder / name;
        fs::copy(source, copy, fs::copy_options::recursive);
        setModified(copy, 1'700'000'000);
        return copy;
    }
    static void setModified(const fs::path& package, time_t seconds) {
        const timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ::utimensat(AT_FDCWD, (package / "Manifest.json").c_str(), times, 0);
    }
    test::TemporaryDirectory caches;
    test::TemporaryDirectory work;
    std::optional<std::string> saved_;
};

ino_t inode(const fs::path& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

std::vector<fs::path> entries(const fs::path& folder) {
    std::vector<fs::path> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename());
    }
    return names;
}

} // namespace

TEST_F(ModelStoreTest, CompilesOnceIntoTheCachesFolder) {
    const fs::path package = packageIn(work / "a", "RealNet.mlpackage");
    const fs::path compiled = ModelStore::compiledURL(package);
    EXPECT_EQ(compiled.parent_path(), caches.path() / "Zentrel" / "compiled");
    EXPECT_TRUE(
        std::regex_match(compiled.filename().string(), std::regex("RealNet-[0-9a-f]{16}\\.mlmodelc")));
    EXPECT_TRUE(fs::exists(compiled / "graph.json"));
    EXPECT_NO_THROW(Network::load(compiled));

    // A second request finds the copy whole and compiles nothing.
    const ino_t first = inode(compiled);
    EXPECT_EQ(ModelStore::compiledURL(package), compiled);
    EXPECT_EQ(inode(compiled), first);
}

// A copy whose manifest reads well but whose files are missing, cut short or written again (as a
// crash or a full disk can leave it), or one made before the files' sizes and times were recorded,
// is compiled again in its place rather than failing every load from then on.
TEST_F(ModelStoreTest, ADamagedCopyIsCompiledAgain) {
    const fs::path package = packageIn(work / "a", "Net.mlpackage", test::everyLayer4xPackage());
    const fs::path compiled = ModelStore::compiledURL(package);
    const std::vector<std::function<void()>> damages = {
        [&] { fs::remove(compiled / "graph.json"); },
        [&] { fs::remove(compiled / "description.json"); },
        [&] { fs::resize_file(compiled / "weights.bin", fs::file_size(compiled / "weights.bin") - 4); },
        [&] {
            // Written later than the bundle, past the file system clock's next tick.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            std::fstream weights(compiled / "weights.bin", std::ios::in | std::ios::out | std::ios::binary);
            weights.seekg(5);
            const char byte = static_cast<char>(weights.get());
            weights.seekp(5);
            weights.put(static_cast<char>(~byte));
        },
        [&] {
            // As the version before this one wrote it: sizes and checksums, but no times, so
            // that only reading every file could tell it whole.
            std::string text;
            std::getline(std::ifstream(compiled / "Manifest.json"), text, '\0');
            text = std::regex_replace(text, std::regex(R"(,\s*"modified":\s*[0-9]+)"), "");
            ASSERT_EQ(text.find("modified"), std::string::npos);
            std::ofstream(compiled / "Manifest.json", std::ios::trunc) << text;
        },
        [&] {
            // As the version before that one wrote it.
            std::ofstream(compiled / "Manifest.json", std::ios::trunc)
                << R"({"format": "orvane-compiled-network", "version": 2, "network": "graph.json", )"
                << R"("description": "description.json"})";
        },
    };
    for (std::size_t damage = 0; damage < damages.size(); ++damage) {
        damages[damage]();
        const ino_t damaged = inode(compiled);
        EXPECT_EQ(ModelStore::compiledURL(package), compiled);
        EXPECT_NE(inode(compiled), damaged) << damage;
        EXPECT_TRUE(NetworkCompiler::isIntact(compiled)) << damage;
        EXPECT_NO_THROW(Network::load(compiled)) << damage;
        EXPECT_EQ(entries(ModelStore::folder()), std::vector<fs::path>{compiled.filename()}) << damage;
    }
}

// A bundle an earlier version made under the same name (ONNX Runtime's, manifest version 1) is
// compiled again in its place, and nothing else is left beside it.
TEST_F(ModelStoreTest, ABundleOfAnEarlierVersionIsCompiledAgain) {
    const fs::path package = packageIn(work / "a", "Net.mlpackage");
    const fs::path compiled = ModelStore::compiledURL(package);
    fs::remove_all(compiled);
    fs::create_directory(compiled);
    std::ofstream(compiled / "Manifest.json")
        << R"({"format": "orvane-compiled-network", "version": 1, "network": "network.onnx", )"
        << R"("description": "description.json"})";
    std::ofstream(compiled / "network.onnx") << "an optimised graph for another runtime";

    EXPECT_EQ(ModelStore::compiledURL(package), compiled);
    EXPECT_TRUE(fs::exists(compiled / "graph.json"));
    EXPECT_FALSE(fs::exists(compiled / "network.onnx"));
    EXPECT_NO_THROW(Network::load(compiled));
    EXPECT_EQ(entries(ModelStore::folder()), std::vector<fs::path>{compiled.filename()});
}

TEST_F(ModelStoreTest, TheKeyFollowsTheNameAndTheManifestTimeNotTheFolder) {
    const fs::path first = packageIn(work / "one", "Net.mlpackage");
    const fs::path second = packageIn(work / "two", "Net.mlpackage");
    const fs::path compiled = ModelStore::compiledURL(first);
    EXPECT_EQ(ModelStore::compiledURL(second), compiled);

    setModified(second, 1'700'000'100);
    const fs::path touched = ModelStore::compiledURL(second);
    EXPECT_NE(touched, compiled);
    EXPECT_TRUE(fs::exists(compiled)); // the old copy stays
    EXPECT_TRUE(fs::exists(touched));
}

TEST_F(ModelStoreTest, TheKeyCountsTheManifestTimeToTheNanosecond) {
    // Compiled copies made before keep serving: the time is read as seconds and nanoseconds apart.
    const fs::path package = packageIn(work / "a", "Net.mlpackage");
    const timespec times[2] = {{1'700'000'000, 123'456'789}, {1'700'000'000, 123'456'789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (package / "Manifest.json").c_str(), times, 0), 0);
    EXPECT_EQ(ModelStore::compiledURL(package).filename(),
              ModelStore::compiledName(package, 1'700'000'000.0 + 123'456'789 / 1e9));
}

TEST_F(ModelStoreTest, KeyTextAndFailures) {
    EXPECT_EQ(ModelStore::formatSeconds(0), "0.0");
    EXPECT_EQ(ModelStore::formatSeconds(1700000000), "1700000000.0");
    EXPECT_EQ(ModelStore::formatSeconds(1700000000.5), "1700000000.5");
    EXPECT_EQ(ModelStore::formatSeconds(1733680000.123456789), "1733680000.1234567");
    EXPECT_EQ(ModelStore::formatSeconds(1e16), "1e+16");
    EXPECT_EQ(ModelStore::compiledName("/x/Net.mlpackage", 1.5),
              ModelStore::compiledName("/y/Net.mlpackage", 1.5));
    EXPECT_NE(ModelStore::compiledName("/x/Net.mlpackage", 1.5),
              ModelStore::compiledName("/x/Net.mlpackage", 2.5));

    fs::create_directories(work / "single.onnx");
    EXPECT_THROW(ModelStore::compiledURL(work / "single.onnx"), NetworkError);
    EXPECT_TRUE(fs::is_empty(ModelStore::folder()));
}

TEST_F(ModelStoreTest, TwoCompilesOfOneVersionAtOnceBothSucceed) {
    // As when two runs of the program meet the same new package.
    const fs::path package = packageIn(work / "a", "Twice.mlpackage");
    std::vector<fs::path> results(4);
    std::vector<std::thread> runs;
    for (auto& result : results) {
        runs.emplace_back([&] { result = ModelStore::compiledURL(package); });
    }
    for (auto& run : runs) {
        run.join();
    }
    for (const auto& result : results) {
        EXPECT_EQ(result, results.front());
    }
    EXPECT_NO_THROW(Network::load(results.front()));
}
