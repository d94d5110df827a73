#include "platform/networks/detail/SubjectNetwork.h"

#include "platform/application/ApplicationResources.h"
#include "platform/networks/OnnxEnvironment.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

namespace orvane::SubjectNetwork {

namespace fs = std::filesystem;
using SubjectDetection::Unavailable;

namespace {

const char* const inputName = "input";
const char* const outputName = "output";
const std::string notInstalled = "the subject model isn't installed";

std::string shapeText(const std::vector<std::int64_t>& shape) {
    std::string text;
    for (const auto dimension : shape) {
        text += (text.empty() ? "" : " × ") + std::to_string(dimension);
    }
    return text;
}

// Why the session's input or output `name` is not a float tensor of `shape`; none when it is.
template <class NameAt, class TypeAt>
std::optional<std::string> mismatch(std::size_t count, NameAt nameAt, TypeAt typeAt, const char* name,
                                    const std::vector<std::int64_t>& shape) {
    Ort::AllocatorWithDefaultOptions allocator;
    for (std::size_t i = 0; i < count; ++i) {
        if (nameAt(i, allocator).get() != std::string_view(name)) {
            continue;
        }
        // The shape information is a view into the type information, which must stay alive.
        const Ort::TypeInfo type = typeAt(i);
        const auto info = type.GetTensorTypeAndShapeInfo();
        if (info.GetElementType() != ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT || info.GetShape() != shape) {
            return std::string("its \"") + name + "\" is " + shapeText(info.GetShape()) + ", not float " +
                   shapeText(shape);
        }
        return std::nullopt;
    }
    return std::string("it has no \"") + name + "\"";
}

} // namespace

struct Model::Impl {
    // Run is safe to call from several threads at once on one session.
    Ort::Session session{nullptr};
};

Model::Model(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl)) {}

Model::~Model() = default;

std::unique_ptr<const Model> Model::load(const fs::path& file) {
    std::error_code error;
    if (!fs::is_regular_file(file, error)) {
        throw Unavailable(notInstalled);
    }
    auto impl = std::make_unique<Impl>();
    try {
        Ort::SessionOptions options;
        options.SetIntraOpNumThreads(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
        // Detection is occasional: idle worker threads should sleep rather than spin, which also
        // keeps several detections (or other work) at once from starving each other.
        options.AddConfigEntry("session.intra_op.allow_spinning", "0");
        // The runtime's arena grows by doubling and keeps what it took until the session goes,
        // which for this network is about 0.9 GB held for good after one detection; without it,
        // each tensor goes back to the allocator when its last reader is done.
        options.DisableCpuMemArena();
        // The full level rewrites every convolution into a blocked layout that keeps a second copy
        // of the activations (about 300 MB more at the peak) for no gain in the mask.
        options.SetGraphOptimizationLevel(GraphOptimizationLevel::ORT_ENABLE_EXTENDED);
        impl->session = Ort::Session(onnxEnvironment(), file.c_str(), options);
    } catch (const Ort::Exception& e) {
        throw Unavailable(std::string("the subject model can't be loaded: ") + e.what());
    } catch (const NetworkError& e) { // the runtime's environment failed to start
        throw Unavailable(std::string("the subject model can't be loaded: ") + e.what());
    }
    auto& session = impl->session;
    const auto inputProblem = mismatch(
        session.GetInputCount(), [&](std::size_t i, auto& a) { return session.GetInputNameAllocated(i, a); },
        [&](std::size_t i) { return session.GetInputTypeInfo(i); }, inputName, {1, 3, side, side});
    const auto outputProblem = mismatch(
        session.GetOutputCount(),
        [&](std::size_t i, auto& a) { return session.GetOutputNameAllocated(i, a); },
        [&](std::size_t i) { return session.GetOutputTypeInfo(i); }, outputName, {1, 1, side, side});
    if (inputProblem || outputProblem) {
        throw Unavailable("the subject model isn't the expected network: " +
                          (inputProblem ? *inputProblem : *outputProblem));
    }
    return std::unique_ptr<const Model>(new Model(std::move(impl)));
}

std::vector<float> Model::run(std::span<const float> input) const {
    constexpr std::size_t plane = static_cast<std::size_t>(side) * side;
    if (input.size() != 3 * plane) {
        throw std::invalid_argument("SubjectNetwork::Model::run: the input is not 3 × 1024 × 1024");
    }
    try {
        const std::array<std::int64_t, 4> shape = {1, 3, side, side};
        const auto memory = Ort::MemoryInfo::CreateCpu(OrtDeviceAllocator, OrtMemTypeCPU);
        // The runtime only reads the input, despite the non-const pointer it takes.
        const Ort::Value value = Ort::Value::CreateTensor<float>(memory, const_cast<float*>(input.data()),
                                                                 input.size(), shape.data(), shape.size());
        auto outputs = impl_->session.Run(Ort::RunOptions{nullptr}, &inputName, &value, 1, &outputName, 1);
        const float* mask = outputs.front().GetTensorData<float>();
        return std::vector<float>(mask, mask + plane);
    } catch (const Ort::Exception& e) {
        throw Unavailable(std::string("the subject model failed: ") + e.what());
    }
}

const Model& shared() {
    static std::mutex mutex;
    // Never destroyed, like the runtime's environment: a detection still running on another thread
    // at exit must not lose its session.
    static const Model* model = nullptr;
    const std::lock_guard lock(mutex);
    if (model == nullptr) {
        const auto folder = ApplicationResources::modelsFolder();
        if (!folder) {
            throw Unavailable(notInstalled);
        }
        model = Model::load(*folder / "subject.onnx").release();
    }
    return *model;
}

} // namespace orvane::SubjectNetwork
