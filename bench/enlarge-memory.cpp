// Peak resident memory of enlarging: bench/upscale's generated 1-megapixel photo enlarged 4× with each style
// in turn, in one process, through the shared model library (which keeps every network it loads), so the
// figure after the last style is what all three loaded one after another cost. Run by hand:
//
//   bench-enlarge-memory [STYLE...]     (styles: fast, detail, art; default all three)
//
// For one style alone, name only that one. The precision is the runner's own choice
// (ORVANE_NETWORK_PRECISION=fp32 for float).

#include "bench/BenchSupport.h"
#include "bench/LandscapePhoto.h"
#include "core/upscale/ModelLibrary.h"
#include "core/upscale/UpscaleModel.h"
#include "core/upscale/Upscaler.h"
#include "platform/networks/NetworkPrecision.h"

#include <cstdio>
#include <map>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace orvane;
using namespace orvane::bench;

namespace {

double peakGigabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / (1024.0 * 1024.0); // ru_maxrss is in KiB
}

} // namespace

int main(int argc, char** argv) {
    const std::map<std::string, UpscaleModel> styles{
        {"fast", UpscaleModel::fast}, {"detail", UpscaleModel::detail}, {"art", UpscaleModel::art}};
    std::vector<std::string> chosen(argv + 1, argv + argc);
    if (chosen.empty()) {
        chosen = {"fast", "art", "detail"};
    }
    const Bitmap photo = makeLandscapePhoto(1200, 833);
    std::printf("1200 x 833 photo, 4x, tiles of 256, %s; peak resident memory after each style:\n",
                std::string(rawValue(NetworkPrecisions::preferred())).c_str());
    std::printf("  before any network: %.2f GB\n", peakGigabytes());
    for (const std::string& name : chosen) {
        const auto style = styles.find(name);
        if (style == styles.end()) {
            std::fprintf(stderr, "bench-enlarge-memory: no style %s (fast, detail or art)\n", name.c_str());
            return 2;
        }
        const auto start = Clock::now();
        const auto upscaler = ModelLibrary::shared().upscaler(style->second);
        const Bitmap enlarged = upscaler->upscale(photo, 4, 256);
        std::printf("  %-6s %5d x %d in %6.2f s: %.2f GB\n", name.c_str(), enlarged.width(),
                    enlarged.height(), secondsSince(start), peakGigabytes());
    }
    return 0;
}
