// Times the subject mask of a generated 12-megapixel photo (BackgroundRemover::subjectMask)
// against a bare ONNX Runtime session running the subject network once on the same photo, in the
// same process; breaks the mask's time down by step and times the composite with each backdrop.
// Run through bench/background.
//
// Usage: bench-background MODELS_DIR [--runs N] [--size WIDTH HEIGHT] [--blur R]
//
// MODELS_DIR holds subject.onnx. After a warm-up of each, N masks alternate with N bare runs, so
// that load from other work on the machine falls on both alike; medians are reported (default 5).
// The bare session has SubjectNetwork::load's settings (intra-op threads: every core, no spinning,
// no memory arena, the extended graph optimisations) and its input tensor is prepared once, before
// any timing. The composites are given the mask, so that they time the compositing alone; --blur
// is the blurred backdrop's radius in thousandths of the long side (default 25).

#include "bench/BenchSupport.h"
#include "bench/background-scenes.h"
#include "core/background/BackgroundRemover.h"
#include "platform/networks/OnnxEnvironment.h"
#include "platform/networks/detail/MaskRegions.h"
#include "platform/networks/detail/MaskScaling.h"
#include "platform/networks/detail/SubjectInput.h"
#include "platform/networks/detail/SubjectNetwork.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <onnxruntime_cxx_api.h>
#include <string>
#include <thread>
#include <vector>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

using namespace orvane::bench;

// The subject network in a plain session with SubjectNetwork::load's settings, and its input.
struct BareRun {
    Ort::Session session{nullptr};
    std::vector<float> tensor;
    Ort::Value input{nullptr};

    BareRun(const fs::path& network, std::vector<float> prepared)
        : tensor(std::move(prepared)) {
        Ort::SessionOptions options;
        options.SetIntraOpNumThreads(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
        options.AddConfigEntry("session.intra_op.allow_spinning", "0");
        options.DisableCpuMemArena();
        options.SetGraphOptimizationLevel(GraphOptimizationLevel::ORT_ENABLE_EXTENDED);
        session = Ort::Session(onnxEnvironment(), network.c_str(), options);
        const std::array<std::int64_t, 4> shape = {1, 3, SubjectNetwork::side, SubjectNetwork::side};
        const auto memory = Ort::MemoryInfo::CreateCpu(OrtDeviceAllocator, OrtMemTypeCPU);
        input =
            Ort::Value::CreateTensor<float>(memory, tensor.data(), tensor.size(), shape.data(), shape.size());
    }

    void run() {
        const char* const inputNames[] = {"input"};
        const char* const outputNames[] = {"output"};
        auto outputs = session.Run(Ort::RunOptions{nullptr}, inputNames, &input, 1, outputNames, 1);
        if (outputs.size() != 1) {
            throw std::runtime_error("the bare session gave no output");
        }
    }
};

int usage() {
    std::cerr << "usage: bench-background MODELS_DIR [--runs N] [--size WIDTH HEIGHT] [--blur R]\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) try {
    if (argc < 2) {
        return usage();
    }
    const fs::path models = argv[1];
    int runs = 5;
    int width = 4000;
    int height = 3000;
    double blur = 25;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::stoi(argv[++i]));
        } else if (arg == "--size" && i + 2 < argc) {
            width = std::stoi(argv[++i]);
            height = std::stoi(argv[++i]);
        } else if (arg == "--blur" && i + 1 < argc) {
            blur = std::stod(argv[++i]);
        } else {
            return usage();
        }
    }

    const auto drawStart = Clock::now();
    const benchscene::Scene scene = benchscene::draw(benchscene::Kind::person, width, height);
    const Bitmap& photo = scene.photo;
    std::printf("photo: %d x %d (%.1f MP), a generated person in a room, drawn in %.1f s\n", width, height,
                width * static_cast<double>(height) / 1e6,
                std::chrono::duration<double>(Clock::now() - drawStart).count());

    BareRun bare(models / "subject.onnx", SubjectInput::tensor(photo, SubjectNetwork::normalisation));

    // Warm-up: loads the shared network and lets both sessions settle their memory.
    Mask mask = BackgroundRemover::subjectMask(photo);
    bare.run();
    std::printf("mask: intersection over union with the drawn outline %.4f, fingerprint %016llx\n",
                benchscene::intersectionOverUnion(mask, scene.truth),
                static_cast<unsigned long long>(fingerprint(mask.values)));

    std::vector<double> ours, reference;
    for (int i = 0; i < runs; ++i) {
        ours.push_back(secondsOf([&] { mask = BackgroundRemover::subjectMask(photo); }));
        reference.push_back(secondsOf([&] { bare.run(); }));
    }

    // The mask's steps one by one, as SubjectDetection::foregroundInstances runs them.
    std::vector<double> input, network, scaling, regions;
    const SubjectNetwork::Model& model = SubjectNetwork::shared();
    for (int i = 0; i < runs; ++i) {
        std::vector<float> tensor, likelihood;
        Mask scaled;
        input.push_back(
            secondsOf([&] { tensor = SubjectInput::tensor(photo, SubjectNetwork::normalisation); }));
        network.push_back(secondsOf([&] { likelihood = model.run(tensor); }));
        scaling.push_back(secondsOf([&] {
            scaled =
                MaskScaling::resized(likelihood, SubjectNetwork::side, SubjectNetwork::side, width, height);
        }));
        regions.push_back(secondsOf([&] {
            MaskRegions::measure(scaled, 127,
                                 static_cast<std::size_t>(width * static_cast<double>(height) * 0.001));
        }));
    }

    const double oursSeconds = median(ours);
    const double bareSeconds = median(reference);
    std::printf("\nmedians of %d runs after a warm-up, seconds\n", runs);
    std::printf("%-34s %8s %8s %8s\n", "step", "median", "min", "max");
    auto row = [](const char* label, const std::vector<double>& values) {
        std::printf("%-34s %8.3f %8.3f %8.3f\n", label, median(values),
                    *std::min_element(values.begin(), values.end()),
                    *std::max_element(values.begin(), values.end()));
    };
    row("subjectMask (ours)", ours);
    row("bare ISNet forward pass", reference);
    row("  input (SubjectInput::tensor)", input);
    row("  network (Model::run)", network);
    row("  mask scaling (MaskScaling)", scaling);
    row("  regions (MaskRegions::measure)", regions);
    const double fastest =
        *std::min_element(ours.begin(), ours.end()) / *std::min_element(reference.begin(), reference.end());
    std::printf("ratio ours/bare %.3f of the medians, %.3f of the fastest runs (the steady overhead, less "
                "sensitive to other work on the machine)\n",
                oursSeconds / bareSeconds, fastest);

    struct Choice {
        const char* label;
        Backdrop backdrop;
    };
    const Choice choices[] = {
        {"composite, transparent", BackdropTransparent{}},
        {"composite, white", BackdropColor{1, 1, 1}},
        {"composite, blur", BackdropBlur{blur}},
    };
    std::printf(
        "\ncomposite with the mask given, medians of %d runs after a warm-up, seconds (blur %g/1000 of "
        "the long side = sigma %.0f px)\n",
        runs, blur, std::max(width, height) * blur / 1000.0);
    std::printf("%-34s %8s %8s %8s %18s\n", "backdrop", "median", "min", "max", "fingerprint");
    for (const Choice& choice : choices) {
        Bitmap result = BackgroundRemover::composite(photo, choice.backdrop, mask);
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            times.push_back(
                secondsOf([&] { result = BackgroundRemover::composite(photo, choice.backdrop, mask); }));
        }
        std::printf("%-34s %8.3f %8.3f %8.3f   %016llx\n", choice.label, median(times),
                    *std::min_element(times.begin(), times.end()),
                    *std::max_element(times.begin(), times.end()),
                    static_cast<unsigned long long>(fingerprint(result.pixels())));
    }
    std::printf("\nratio=%.3f\n", oursSeconds / bareSeconds);
    return 0;
} catch (const std::exception& e) {
    std::cerr << "bench-background: " << e.what() << "\n";
    return 1;
}
