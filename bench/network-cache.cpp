// What checking an entry of the compiled-network cache costs before it is handed out, beside what
// loading the network costs anyway. For each network package given, in a cache folder of its own:
// - compile: the first ModelStore::compiledURL, which compiles the package;
// - check: a later ModelStore::compiledURL, which finds the copy and compares the size and
//   modification time of each of its files with its manifest (no file but the manifest is read);
// - load: Network::load of the copy, which reads the weights again and prepares them.
// Medians of the runs are reported. Run by hand, never by ctest:
//
//   build/bench/bench-network-cache [--runs N] build/share/orvane/packages/*.mlpackage

#include "bench/BenchSupport.h"
#include "core/upscale/ModelStore.h"
#include "platform/networks/Network.h"
#include "platform/networks/NetworkGraph.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace orvane;
using namespace orvane::bench;
namespace fs = std::filesystem;

int main(int argc, char** argv) {
    int runs = 5;
    std::vector<fs::path> packages;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            packages.emplace_back(argument);
        }
    }
    if (packages.empty()) {
        std::fprintf(stderr, "usage: bench-network-cache [--runs N] PACKAGE.mlpackage...\n");
        return 2;
    }
    const fs::path caches = fs::temp_directory_path() / ("bench-network-cache-" + std::to_string(::getpid()));
    ::setenv("XDG_CACHE_HOME", caches.c_str(), 1);
    std::printf("load average %.2f, %d runs\n", loadAverage(), runs);
    std::printf("%-32s %10s %10s %10s %10s\n", "network", "weights MB", "compile s", "check ms", "load ms");
    for (const auto& package : packages) {
        fs::path bundle;
        const double compile = secondsOf([&] { bundle = ModelStore::compiledURL(package); });
        std::vector<double> checks;
        std::vector<double> loads;
        for (int run = 0; run < runs; ++run) {
            checks.push_back(secondsOf([&] { ModelStore::compiledURL(package); }));
            loads.push_back(secondsOf([&] { Network::load(bundle); }));
        }
        const double megabytes =
            static_cast<double>(fs::file_size(bundle / NetworkGraph::weightsFile)) / 1'000'000.0;
        std::printf("%-32s %10.1f %10.2f %10.1f %10.1f\n", package.stem().c_str(), megabytes, compile,
                    median(checks) * 1000, median(loads) * 1000);
    }
    fs::remove_all(caches);
    return 0;
}
