#include "platform/networks/Network.h"

#include "platform/networks/NetworkManifest.h"
#include "platform/networks/OnnxEnvironment.h"
#include "platform/networks/detail/TensorImage.h"

#include <algorithm>
#include <array>
#include <climits>
#include <thread>

namespace orvane {

namespace fs = std::filesystem;

struct Network::Impl {
    NetworkDescription description;
    // Run is safe to call from several threads at once on one session.
    Ort::Session session{nullptr};
    std::vector<std::string> outputNames;
};

Network::Network(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl)) {}

Network::~Network() = default;

const NetworkDescription& Network::description() const {
    return impl_->description;
}

std::shared_ptr<const Network> Network::load(const fs::path& bundle) {
    const auto manifest = NetworkManifest::read(bundle, NetworkManifest::bundleFormat);
    auto impl = std::make_unique<Impl>();
    impl->description = NetworkDescription::read(bundle / manifest.description);
    withOnnxErrors([&] {
        Ort::SessionOptions options;
        options.SetIntraOpNumThreads(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
        // The bundle holds the graph already optimised by NetworkCompiler; optimising again would
        // only slow loading down.
        options.SetGraphOptimizationLevel(GraphOptimizationLevel::ORT_DISABLE_ALL);
        const fs::path network = bundle / manifest.network;
        impl->session = Ort::Session(onnxEnvironment(), network.c_str(), options);
        Ort::AllocatorWithDefaultOptions allocator;
        for (std::size_t i = 0; i < impl->session.GetOutputCount(); ++i) {
            impl->outputNames.emplace_back(impl->session.GetOutputNameAllocated(i, allocator).get());
        }
    });
    return std::shared_ptr<const Network>(new Network(std::move(impl)));
}

std::optional<PixelBuffer> Network::predict(const std::string& inputName, const PixelBuffer& input,
                                            const std::string& outputName) const {
    const auto& names = impl_->outputNames;
    if (std::find(names.begin(), names.end(), outputName) == names.end()) {
        return std::nullopt;
    }
    const TensorImage::PixelLayout layout{.range = impl_->description.pixelRange,
                                          .channelOrder = impl_->description.channelOrder};
    std::vector<float> tensor = TensorImage::fromPixels(input, layout);
    return withOnnxErrors([&] {
        const std::array<std::int64_t, 4> shape = {1, 3, input.height(), input.width()};
        const auto memory = Ort::MemoryInfo::CreateCpu(OrtDeviceAllocator, OrtMemTypeCPU);
        const Ort::Value value =
            Ort::Value::CreateTensor<float>(memory, tensor.data(), tensor.size(), shape.data(), shape.size());
        const char* const inputNames[] = {inputName.c_str()};
        const char* const outputNames[] = {outputName.c_str()};
        auto outputs = impl_->session.Run(Ort::RunOptions{nullptr}, inputNames, &value, 1, outputNames, 1);

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
        return std::optional<PixelBuffer>(TensorImage::toPixels(
            output.GetTensorData<float>(), static_cast<int>(dims[3]), static_cast<int>(dims[2]), layout));
    });
}

} // namespace orvane
