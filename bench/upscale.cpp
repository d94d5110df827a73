// Times the enlarger (Upscaler::upscale, 4×, tiles of 256) on a generated 1-megapixel photo for
// each style, against a bare ONNX Runtime session running the same network package over the same
// tiles, and measures the machine's fp32 and bf16 peaks with FMA and bf16 dot-product loops on
// every core. Run through bench/upscale.
//
// Usage: bench-upscale MODELS_DIR PACKAGES_DIR [--style NAME --runs N]... [--peak-seconds S]
//        [--size WIDTH HEIGHT] [--threads N] [--precision fp32|bf16] [--breakdown]
//
// MODELS_DIR holds the styles' bundles (NETWORK.mlmodelc), PACKAGES_DIR their packages
// (NETWORK.mlpackage); styles are named fast, detail and art. Each --style is timed after a
// warm-up (one whole enlargement; two tiles of the bare session) with N enlargements alternating
// with N bare runs over every tile, so that load from other work on the machine falls on both
// alike; the medians are reported. The bare session is what the enlarger ran before oneDNN: every
// core, every graph optimisation but the blocked layout for fast (which it slowed), and its input
// tensors prepared once, before any timing. --breakdown times one tile primitive by primitive and
// prints each kind's share of the time, its kernels and its share of the peak.

#include "bench/BenchSupport.h"
#include "bench/LandscapePhoto.h"
#include "core/upscale/TilePlan.h"
#include "core/upscale/UpscaleModel.h"
#include "core/upscale/Upscaler.h"
#include "platform/image/Bitmap.h"
#include "platform/networks/Network.h"
#include "platform/networks/NetworkGraph.h"
#include "platform/networks/OnnxEnvironment.h"
#include "platform/networks/detail/NetworkPlan.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <immintrin.h>
#include <iostream>
#include <map>
#include <onnxruntime_cxx_api.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

using namespace orvane::bench;

// --- The bare reference ------------------------------------------------------------------------

// The package in a plain ONNX Runtime session as the enlarger used to run it, and the input tensors of every
// tile of the pass, prepared once.
struct BareRun {
    Ort::Session session{nullptr};
    std::vector<std::vector<float>> tensors;
    std::vector<Ort::Value> inputs;

    BareRun(Ort::Env& env, const fs::path& network, int threads, const Bitmap& photo, const TilePlan& plan,
            const NetworkDescription& description, bool blocked) {
        Ort::SessionOptions options;
        options.SetIntraOpNumThreads(threads);
        options.SetGraphOptimizationLevel(blocked ? GraphOptimizationLevel::ORT_ENABLE_ALL
                                                  : GraphOptimizationLevel::ORT_ENABLE_EXTENDED);
        session = Ort::Session(env, network.c_str(), options);
        const int tile = static_cast<int>(plan.tileSize());
        const auto memory = Ort::MemoryInfo::CreateCpu(OrtDeviceAllocator, OrtMemTypeCPU);
        const std::array<std::int64_t, 4> shape = {1, 3, tile, tile};
        const auto plane = static_cast<std::size_t>(tile) * tile;
        const auto scale = static_cast<float>(description.pixelRange / 255.0);
        const bool bgr = description.channelOrder == "BGR";
        for (const TilePlan::Tile& t : plan.tiles()) {
            std::vector<float>& tensor = tensors.emplace_back(plane * 3);
            for (int y = 0; y < tile; ++y) {
                const auto sy =
                    static_cast<int>(std::clamp<std::int64_t>(t.inputRect.y + y, 0, photo.height() - 1));
                for (int x = 0; x < tile; ++x) {
                    const auto sx =
                        static_cast<int>(std::clamp<std::int64_t>(t.inputRect.x + x, 0, photo.width() - 1));
                    const std::uint8_t* in = photo.pixel(sx, sy);
                    for (int c = 0; c < 3; ++c) {
                        tensor[c * plane + static_cast<std::size_t>(y) * tile + x] =
                            static_cast<float>(in[bgr ? 2 - c : c]) * scale;
                    }
                }
            }
            inputs.push_back(Ort::Value::CreateTensor<float>(memory, tensor.data(), tensor.size(),
                                                             shape.data(), shape.size()));
        }
    }

    // Runs the first `count` tiles; adds each one's seconds to `tileSeconds` when given.
    void runTiles(std::size_t count, std::vector<double>* tileSeconds = nullptr) {
        const char* const inputNames[] = {"input"};
        const char* const outputNames[] = {"output"};
        for (std::size_t i = 0; i < count; ++i) {
            const auto start = Clock::now();
            auto outputs = session.Run(Ort::RunOptions{nullptr}, inputNames, &inputs[i], 1, outputNames, 1);
            if (outputs.size() != 1) {
                throw std::runtime_error("the bare session gave no output");
            }
            if (tileSeconds != nullptr) {
                tileSeconds->push_back(secondsSince(start));
            }
        }
    }
    void runAll(std::vector<double>* tileSeconds = nullptr) { runTiles(inputs.size(), tileSeconds); }
};

// --- Peak -------------------------------------------------------------------------------------

// Independent FMA chains: enough to keep every FMA unit busy through the instruction's latency
// (2 units × 4 cycles on current x86 cores), few enough to stay in registers.
constexpr int chains512 = 16; // of 32 zmm registers
constexpr int chains256 = 12; // of 16 ymm registers

// Everything the chains added up, so that the compiler can't leave the loop out.
__attribute__((target("avx512f"))) float sumOfChains(const __m512 (&acc)[chains512]) {
    __m512 total = acc[0];
    for (int i = 1; i < chains512; ++i) {
        total = _mm512_add_ps(total, acc[i]);
    }
    alignas(64) float lanes[16];
    _mm512_store_ps(lanes, total);
    float sum = 0;
    for (const float lane : lanes) {
        sum += lane;
    }
    return sum;
}

// Each function runs `iterations` rounds of FMAs (acc = acc × a + b) on its chains and returns the
// FLOPs done: 2 per lane per FMA.
__attribute__((target("avx512f,fma"))) double fmaLoop512(std::int64_t iterations, float* sink) {
    __m512 acc[chains512];
    for (int i = 0; i < chains512; ++i) {
        acc[i] = _mm512_set1_ps(1.0f + static_cast<float>(i) * 1e-3f);
    }
    const __m512 a = _mm512_set1_ps(0.999999f);
    const __m512 b = _mm512_set1_ps(1e-7f);
    for (std::int64_t n = 0; n < iterations; ++n) {
        // Unrolled, so that the chains live in registers.
#pragma GCC unroll 16
        for (int i = 0; i < chains512; ++i) {
            acc[i] = _mm512_fmadd_ps(acc[i], a, b);
        }
    }
    *sink = sumOfChains(acc);
    return 2.0 * 16 * chains512 * static_cast<double>(iterations);
}

__attribute__((target("avx2,fma"))) double fmaLoop256(std::int64_t iterations, float* sink) {
    __m256 acc[chains256];
    for (int i = 0; i < chains256; ++i) {
        acc[i] = _mm256_set1_ps(1.0f + static_cast<float>(i) * 1e-3f);
    }
    const __m256 a = _mm256_set1_ps(0.999999f);
    const __m256 b = _mm256_set1_ps(1e-7f);
    for (std::int64_t n = 0; n < iterations; ++n) {
        // Unrolled, so that the chains live in registers.
#pragma GCC unroll 16
        for (int i = 0; i < chains256; ++i) {
            acc[i] = _mm256_fmadd_ps(acc[i], a, b);
        }
    }
    __m256 total = acc[0];
    for (int i = 1; i < chains256; ++i) {
        total = _mm256_add_ps(total, acc[i]);
    }
    alignas(32) float lanes[8];
    _mm256_store_ps(lanes, total);
    *sink = 0;
    for (const float lane : lanes) {
        *sink += lane;
    }
    return 2.0 * 8 * chains256 * static_cast<double>(iterations);
}

// bf16 dot products: each one multiplies 32 pairs of bfloat16 and adds them into 16 floats.
__attribute__((target("avx512f,avx512bf16"))) double dpbf16Loop(std::int64_t iterations, float* sink) {
    __m512 acc[chains512];
    for (int i = 0; i < chains512; ++i) {
        acc[i] = _mm512_set1_ps(1.0f + static_cast<float>(i) * 1e-3f);
    }
    const __m512bh a = (__m512bh)_mm512_set1_epi16(0x3f80); // 1.0
    const __m512bh b = (__m512bh)_mm512_set1_epi16(0x3380); // about 6e-8
    for (std::int64_t n = 0; n < iterations; ++n) {
#pragma GCC unroll 16
        for (int i = 0; i < chains512; ++i) {
            acc[i] = _mm512_dpbf16_ps(acc[i], a, b);
        }
    }
    *sink = sumOfChains(acc);
    return 2.0 * 32 * chains512 * static_cast<double>(iterations);
}

struct Peak {
    double flopsPerSecond = 0;
    const char* isa = "";
    int chains = 0;
};

// Every hardware thread runs the FMA loop for about `seconds`; the FLOPs of all of them over the
// wall time of the slowest.
Peak measurePeak(double seconds, bool bf16) {
    const bool avx512 = __builtin_cpu_supports("avx512f");
    if (!avx512 && !(__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))) {
        return {};
    }
    if (bf16 && !NetworkPrecisions::processorHasBf16()) {
        return {};
    }
    const auto loop = bf16 ? dpbf16Loop : avx512 ? fmaLoop512 : fmaLoop256;
    float sink = 0;
    // Calibrates the iteration count on one thread.
    std::int64_t iterations = 1 << 16;
    for (;;) {
        const auto start = Clock::now();
        loop(iterations, &sink);
        const double elapsed = secondsSince(start);
        if (elapsed > 0.05) {
            iterations = static_cast<std::int64_t>(static_cast<double>(iterations) * seconds / elapsed);
            break;
        }
        iterations *= 4;
    }
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::vector<double> flops(threads);
    std::vector<float> sinks(threads);
    std::atomic<unsigned> ready{0};
    std::vector<std::thread> workers;
    const auto start = Clock::now();
    for (unsigned t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            ready.fetch_add(1);
            while (ready.load() < threads) {
            }
            flops[t] = loop(iterations, &sinks[t]);
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    const double elapsed = secondsSince(start);
    double total = 0;
    for (const double f : flops) {
        total += f;
    }
    return {total / elapsed,
            bf16     ? "AVX-512 BF16 dot product"
            : avx512 ? "AVX-512 FMA"
                     : "AVX2 FMA",
            avx512 ? chains512 : chains256};
}

// --- Other work on the machine -----------------------------------------------------------------

// CPU time the whole machine spent busy (from /proc/stat) and this process's own (getrusage), so
// that the busy time of everything else over an interval shows how shared the machine was.
struct CpuClock {
    double machineBusy = 0; // seconds, summed over CPUs
    double own = 0;         // seconds, summed over this process's threads
    Clock::time_point wall = Clock::now();

    static CpuClock now() {
        CpuClock c;
        std::FILE* file = std::fopen("/proc/stat", "r");
        if (file != nullptr) {
            unsigned long long v[8] = {};
            if (std::fscanf(file, "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &v[0], &v[1], &v[2], &v[3],
                            &v[4], &v[5], &v[6], &v[7]) == 8) {
                // user nice system idle iowait irq softirq steal: busy is all but idle and iowait.
                const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
                c.machineBusy = static_cast<double>(v[0] + v[1] + v[2] + v[5] + v[6] + v[7]) / ticks;
            }
            std::fclose(file);
        }
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        c.own = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        c.wall = Clock::now();
        return c;
    }

    // The share of the machine's CPUs that other processes kept busy since `this`.
    double othersShareUntil(const CpuClock& later) const {
        const double wallSeconds = std::chrono::duration<double>(later.wall - wall).count();
        const double cpus = std::max(1u, std::thread::hardware_concurrency());
        const double others = (later.machineBusy - machineBusy) - (later.own - own);
        return std::clamp(others / (wallSeconds * cpus), 0.0, 1.0);
    }
};

// The styles by their case names, which are shorter to type and print than the network names.
std::optional<UpscaleModel> styleModel(const std::string& name) {
    static const std::map<std::string, UpscaleModel> styles{
        {"fast", UpscaleModel::fast}, {"detail", UpscaleModel::detail}, {"art", UpscaleModel::art}};
    const auto found = styles.find(name);
    return found == styles.end() ? std::nullopt : std::optional(found->second);
}

// --- Main ---------------------------------------------------------------------------------------

struct StyleRequest {
    std::string name;
    int runs = 3;
};

struct StyleResult {
    StyleRequest request;
    std::size_t tiles = 0;
    double flopsPerTile = 0;
    double ours = 0;
    double bare = 0;
    double oursTile = 0;
    double bareTile = 0;
    double oursBest = 0;
    double bareBest = 0;
    double outputMegapixels = 0;
    double others = 0;
};

[[noreturn]] void usage() {
    std::cerr << "usage: bench-upscale MODELS_DIR PACKAGES_DIR [--style NAME --runs N]... [--peak-seconds S] "
                 "[--size WIDTH HEIGHT] [--threads N] [--precision fp32|bf16] [--breakdown]\n";
    std::exit(2);
}

std::string percent(double part, double whole) {
    if (part <= 0 || whole <= 0) {
        return "-";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", 100 * part / whole);
    return text;
}

// One tile timed primitive by primitive (the best of a few runs of each), summed by kind of step
// and kernel.
void printBreakdown(const NetworkGraph& graph, NetworkPrecision precision, int tile, double peak) {
    const dnnl::engine engine(dnnl::engine::kind::cpu, 0);
    NetworkWeights weights(graph, engine);
    NetworkPlan plan(graph, weights, tile, tile, precision, engine);
    const std::vector<float> input(static_cast<std::size_t>(3) * tile * tile, 0.5f);
    plan.run(input.data());
    std::vector<double> best;
    for (int run = 0; run < 3; ++run) {
        const auto seconds = plan.profile(input.data());
        if (best.empty()) {
            best = seconds;
        }
        for (std::size_t i = 0; i < seconds.size(); ++i) {
            best[i] = std::min(best[i], seconds[i]);
        }
    }
    struct Sum {
        int count = 0;
        double seconds = 0;
        double flops = 0;
    };
    std::map<std::pair<std::string, std::string>, Sum> sums;
    double total = 0;
    for (std::size_t i = 0; i < best.size(); ++i) {
        const auto& step = plan.steps()[i];
        auto& sum = sums[{step.name, step.implementation}];
        ++sum.count;
        sum.seconds += best[i];
        sum.flops += step.flops;
        total += best[i];
    }
    std::printf("  breakdown of one %d px tile in %s (each step's best of 3): %.1f ms\n", tile,
                std::string(rawValue(precision)).c_str(), 1e3 * total);
    std::printf("    %-20s %-28s %5s %9s %6s %9s %7s\n", "step", "kernel", "count", "ms", "share", "GFLOP/s",
                "%peak");
    for (const auto& [key, sum] : sums) {
        const double rate = sum.flops > 0 ? sum.flops / sum.seconds : 0;
        std::printf("    %-20s %-28s %5d %9.2f %5.1f%% %9s %7s\n", key.first.c_str(),
                    key.second.empty() ? "reorder" : key.second.c_str(), sum.count, 1e3 * sum.seconds,
                    100 * sum.seconds / total,
                    rate > 0 ? std::to_string(std::lround(rate / 1e9)).c_str() : "-",
                    percent(rate, peak).c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        usage();
    }
    const fs::path models = argv[1];
    const fs::path packages = argv[2];
    std::vector<StyleRequest> requests;
    double peakSeconds = 1.0;
    int width = 1200;
    int height = 833;
    bool breakdown = false;
    NetworkPrecision precision = NetworkPrecisions::preferred();
    int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                usage();
            }
            return argv[++i];
        };
        if (arg == "--style") {
            requests.push_back({value()});
        } else if (arg == "--runs" && !requests.empty()) {
            requests.back().runs = std::max(1, std::stoi(value()));
        } else if (arg == "--peak-seconds") {
            peakSeconds = std::stod(value());
        } else if (arg == "--size") {
            width = std::stoi(value());
            height = std::stoi(value());
        } else if (arg == "--threads") {
            threads = std::stoi(value());
        } else if (arg == "--precision") {
            const auto chosen = NetworkPrecisions::fromRawValue(value());
            if (!chosen) {
                usage();
            }
            precision = *chosen;
        } else if (arg == "--breakdown") {
            breakdown = true;
        } else {
            usage();
        }
    }
    if (requests.empty()) {
        requests = {{"fast", 5}, {"art", 3}, {"detail", 1}};
    }

    constexpr int tile = 256;
    constexpr double scale = 4;
    const auto photoStart = Clock::now();
    const Bitmap photo = makeLandscapePhoto(width, height);
    std::printf("photo: %d x %d (%.2f MP), generated in %.2f s\n", width, height, width * height / 1e6,
                secondsSince(photoStart));
    const TilePlan plan(width, height, tile, Upscaler::pad, scale);
    std::printf("tiles: %zu of %d px (pad %d); output %lld x %lld\n", plan.tiles().size(), tile,
                Upscaler::pad, static_cast<long long>(plan.outputSize().width),
                static_cast<long long>(plan.outputSize().height));
    std::printf(
        "ours: oneDNN %s, %s (processor has bf16: %s); bare: ONNX Runtime fp32, %d intra-op threads\n",
        dnnl::version()->cpu_runtime == DNNL_RUNTIME_OMP ? "with OpenMP" : "",
        std::string(rawValue(precision)).c_str(), NetworkPrecisions::processorHasBf16() ? "yes" : "no",
        threads);

    const CpuClock peakStart = CpuClock::now();
    const Peak fp32Peak = measurePeak(peakSeconds, false);
    const Peak bf16Peak = measurePeak(peakSeconds, true);
    std::printf(
        "measured peaks: fp32 %.1f GFLOP/s (%s), bf16 %.1f GFLOP/s (%s); loops on %u threads, %d chains "
        "each; other work held %.0f%% of the CPUs meanwhile\n\n",
        fp32Peak.flopsPerSecond / 1e9, fp32Peak.isa, bf16Peak.flopsPerSecond / 1e9,
        bf16Peak.flopsPerSecond > 0 ? bf16Peak.isa : "not on this processor",
        std::max(1u, std::thread::hardware_concurrency()), fp32Peak.chains,
        100 * peakStart.othersShareUntil(CpuClock::now()));
    const double peak =
        precision == NetworkPrecision::bf16 ? bf16Peak.flopsPerSecond : fp32Peak.flopsPerSecond;

    Ort::Env& env = onnxEnvironment();
    std::vector<StyleResult> results;
    for (const StyleRequest& request : requests) {
        const auto model = styleModel(request.name);
        if (!model) {
            std::cerr << "bench-upscale: no style " << request.name << " (fast, detail or art)\n";
            return 1;
        }
        const std::string network(rawValue(*model));
        const fs::path bundle = models / (network + ".mlmodelc");
        const fs::path package = packages / (network + ".mlpackage");
        if (!fs::exists(bundle) || !fs::exists(package)) {
            std::cerr << "bench-upscale: no bundle " << bundle << " or package " << package << "\n";
            return 1;
        }
        StyleResult result{request};
        result.tiles = plan.tiles().size();
        const NetworkGraph graph = NetworkGraph::read(bundle);
        for (const auto& layer : graph.layers) {
            if (layer.kind == NetworkLayer::Kind::convolution) {
                const double side = tile * graph.scales[static_cast<std::size_t>(layer.output)];
                result.flopsPerTile += 2.0 * static_cast<double>(layer.weights.size()) * side * side;
            }
        }
        const auto upscaler = std::make_shared<const Upscaler>(Network::load(bundle, precision));
        if (upscaler->modelScale() != 4 || upscaler->tileSize(tile) != tile) {
            std::cerr << "bench-upscale: " << request.name << " is not a 4x network taking 256 px tiles\n";
            return 1;
        }
        BareRun bare(env, package / "network.onnx", threads, photo, plan, upscaler->model().description(),
                     *model != UpscaleModel::fast);

        // Warm-up: a whole enlargement; for the bare session two tiles, as every tile has the same
        // shape and the first run has sized the session's memory arena.
        auto start = Clock::now();
        const Bitmap enlarged = upscaler->upscale(photo, scale, tile);
        const double warmOurs = secondsSince(start);
        start = Clock::now();
        bare.runTiles(std::min<std::size_t>(2, result.tiles));
        const double warmBare = secondsSince(start);
        result.outputMegapixels = enlarged.width() * static_cast<double>(enlarged.height()) / 1e6;
        std::printf("%-6s %.1f GFLOP per tile; warm-up: ours %.3f s, bare %.3f s (2 tiles); output %d x %d, "
                    "pixels %016llx\n",
                    request.name.c_str(), result.flopsPerTile / 1e9, warmOurs, warmBare, enlarged.width(),
                    enlarged.height(), static_cast<unsigned long long>(fingerprint(enlarged.pixels())));
        std::fflush(stdout);
        if (breakdown) {
            printBreakdown(graph, precision, tile, peak);
        }

        // The runs alternate, so that a change in other work on the machine falls on both alike.
        const CpuClock runsStart = CpuClock::now();
        // Tiles are timed too: ours from one progress call to the next (all of a tile's work), the
        // bare session's around each run.
        std::vector<double> ours;
        std::vector<double> bares;
        std::vector<double> oursTiles;
        std::vector<double> bareTiles;
        for (int run = 0; run < request.runs; ++run) {
            const auto runOurs = [&] {
                const auto runStart = Clock::now();
                Clock::time_point lastTile = runStart;
                const Bitmap out = upscaler->upscale(photo, scale, tile, [&](const UpscaleProgress&) {
                    const auto now = Clock::now();
                    oursTiles.push_back(std::chrono::duration<double>(now - lastTile).count());
                    lastTile = now;
                });
                ours.push_back(secondsSince(runStart));
            };
            const auto runBare = [&] {
                const auto runStart = Clock::now();
                bare.runAll(&bareTiles);
                bares.push_back(secondsSince(runStart));
            };
            // Which goes first alternates too, so that neither always follows the other.
            if (run % 2 == 0) {
                runOurs();
                runBare();
            } else {
                runBare();
                runOurs();
            }
            std::printf("%-6s run %d: ours %.3f s, bare %.3f s (%.3fx); load %.2f\n", request.name.c_str(),
                        run + 1, ours.back(), bares.back(), ours.back() / bares.back(), loadAverage());
            std::fflush(stdout);
        }
        result.others = runsStart.othersShareUntil(CpuClock::now());
        result.ours = median(ours);
        result.bare = median(bares);
        result.oursBest = *std::min_element(ours.begin(), ours.end());
        result.bareBest = *std::min_element(bares.begin(), bares.end());
        result.oursTile = median(oursTiles);
        result.bareTile = median(bareTiles);
        std::printf(
            "%-6s per tile: median ours %.1f ms, bare %.1f ms (%.3fx); best ours %.1f ms, bare %.1f ms\n\n",
            request.name.c_str(), 1e3 * result.oursTile, 1e3 * result.bareTile,
            result.oursTile / result.bareTile, 1e3 * *std::min_element(oursTiles.begin(), oursTiles.end()),
            1e3 * *std::min_element(bareTiles.begin(), bareTiles.end()));
        results.push_back(result);
    }

    std::printf("%-7s %5s %4s %8s %8s %9s %9s %9s %9s %8s %8s %7s %7s\n", "style", "tiles", "runs", "ours s",
                "bare s", "ours/bare", "tile ms", "bare ms", "tile o/b", "GFLOP/s", "bare GF", "%peak",
                "others");
    for (const StyleResult& r : results) {
        const double flops = r.flopsPerTile * static_cast<double>(r.tiles);
        std::printf("%-7s %5zu %4d %8.3f %8.3f %9.3f %9.1f %9.1f %9.3f %8ld %8ld %7s %6.0f%%\n",
                    r.request.name.c_str(), r.tiles, r.request.runs, r.ours, r.bare, r.ours / r.bare,
                    1e3 * r.oursTile, 1e3 * r.bareTile, r.oursTile / r.bareTile,
                    std::lround(flops / r.ours / 1e9), std::lround(flops / r.bare / 1e9),
                    percent(flops / r.ours, peak).c_str(), 100 * r.others);
    }
    std::printf(
        "(medians; %%peak: ours as a share of the measured %s peak; others: the share of the CPUs other "
        "processes kept busy during the timed runs)\n",
        std::string(rawValue(precision)).c_str());
    return 0;
}
