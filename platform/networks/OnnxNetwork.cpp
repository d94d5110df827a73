#include "platform/networks/OnnxNetwork.h"

#include "platform/networks/NetworkError.h"
#include "platform/networks/NetworkManifest.h"
#include "platform/networks/OnnxEnvironment.h"
#include "platform/networks/detail/TensorImage.h"

#include <algorithm>
#include <array>
#include <climits>
#include <thread>

namespace orvane {

namespace fs = std::filesystem;

struct OnnxNetwork::Impl {
    NetworkDescription description;
    // Run is safe to call from several threads at once on one session.
    Ort::Session session{nullptr};
    std::vector<std::string> outputNames;
};

OnnxNetwork::OnnxNetwork(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl)) {}

OnnxNetwork::~OnnxNetwork() = default;

const NetworkDescription& OnnxNetwork::description() const {
    return impl_->description;
}

std::shared_ptr<const OnnxNetwork> OnnxNetwork::load(const fs::path& package) {
    const auto manifest = NetworkManifest::read(package, NetworkManifest::packageFormat);
    auto impl = std::make_unique<Impl>();
    impl->description = NetworkDescription::read(package / manifest.description);
    withOnnxErrors([&] {
        Ort::SessionOptions options;
        options.SetIntraOpNumThreads(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
        options.SetGraphOptimizationLevel(GraphOptimizationLevel::ORT_ENABLE_ALL);
        const fs::path network = package / manifest.network;
        impl->session = Ort::Session(onnxEnvironment(), network.c_str(), options);
        Ort::AllocatorWithDefaultOptions allocator;
        for (std::size_t i = 0; i < impl->session.GetOutputCount(); ++i) {
            impl->outputNames.emplace_back(impl->session.GetOutputNameAllocated(i, allocator).get());
        }
    });
    return std::shared_ptr<const OnnxNetwork>(new OnnxNetwork(std::move(impl)));
}

namespace {

struct Planes {
    std::vector<float> values;
    int width = 0;
    int height = 0;
};

Planes runSession(Ort::Session& session, const std::string& inputName, std::vector<float>& tensor, int width,
                  int height, const std::string& outputName) {
    return withOnnxErrors([&] {
        const std::array<std::int64_t, 4> shape = {1, 3, height, width};
        const auto memory = Ort::MemoryInfo::CreateCpu(OrtDeviceAllocator, OrtMemTypeCPU);
        const Ort::Value value =
            Ort::Value::CreateTensor<float>(memory, tensor.data(), tensor.size(), shape.data(), shape.size());
        const char* const inputNames[] = {inputName.c_str()};
        const char* const outputNames[] = {outputName.c_str()};
        auto outputs = session.Run(Ort::RunOptions{nullptr}, inputNames, &value, 1, outputNames, 1);

        const Ort::Value& output = outputs.front();
        const auto info = output.GetTensorTypeAndShapeInfo();
        const auto dims = info.GetShape();
        const bool isImage = info.GetElementType() == ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT &&
                             dims.size() == 4 && dims[0] == 1 && dims[1] == 3 && dims[2] >= 1 &&
                             dims[3] >= 1 && dims[2] <= INT_MAX && dims[3] <= INT_MAX;
        if (!isImage) {
            std::string shapeText;
            for (const auto dim : dims) {
                shapeText += (shapeText.empty() ? "" : ", ") + std::to_string(dim);
            }
            throw NetworkError("The network's output \"" + outputName +
                               "\" is not a float image tensor [1, 3, H, W] (its shape is [" + shapeText +
                               "])");
        }
        const float* data = output.GetTensorData<float>();
        Planes planes{std::vector<float>(data, data + 3 * dims[2] * dims[3]), static_cast<int>(dims[3]),
                      static_cast<int>(dims[2])};
        return planes;
    });
}

} // namespace

std::optional<PixelBuffer> OnnxNetwork::predict(const std::string& inputName, const PixelBuffer& input,
                                                const std::string& outputName) const {
    const auto& names = impl_->outputNames;
    if (std::find(names.begin(), names.end(), outputName) == names.end()) {
        return std::nullopt;
    }
    const TensorImage::PixelLayout layout{.range = impl_->description.pixelRange,
                                          .channelOrder = impl_->description.channelOrder};
    std::vector<float> tensor = TensorImage::fromPixels(input, layout);
    const Planes output =
        runSession(impl_->session, inputName, tensor, input.width(), input.height(), outputName);
    return TensorImage::toPixels(output.values.data(), output.width, output.height, layout);
}

std::vector<float> OnnxNetwork::run(const std::vector<float>& planar, int width, int height) const {
    std::vector<float> tensor = planar;
    const std::string inputName =
        impl_->description.inputs.empty() ? "input" : impl_->description.inputs.front().name;
    return runSession(impl_->session, inputName, tensor, width, height, impl_->outputNames.front()).values;
}

} // namespace orvane
