#include "platform/networks/Network.h"

#include "platform/networks/NetworkGraph.h"
#include "platform/networks/NetworkManifest.h"
#include "platform/networks/detail/NetworkPlan.h"
#include "platform/networks/detail/TensorImage.h"

#include <map>
#include <mutex>

namespace orvane {

namespace fs = std::filesystem;

struct Network::Impl {
    NetworkDescription description;
    NetworkGraph graph;
    NetworkPrecision precision = NetworkPrecision::fp32;
    dnnl::engine engine{dnnl::engine::kind::cpu, 0};
    std::unique_ptr<NetworkWeights> weights;

    // Plans not running at the moment, by tile size. A prediction takes one (or makes one when all
    // are busy) and gives it back, so concurrent predictions never share buffers.
    std::mutex mutex;
    std::map<std::pair<int, int>, std::vector<std::unique_ptr<NetworkPlan>>> idle;

    std::unique_ptr<NetworkPlan> take(int width, int height) {
        {
            const std::lock_guard lock(mutex);
            auto& plans = idle[{width, height}];
            if (!plans.empty()) {
                auto plan = std::move(plans.back());
                plans.pop_back();
                return plan;
            }
        }
        return std::make_unique<NetworkPlan>(graph, *weights, width, height, precision, engine);
    }

    void giveBack(std::unique_ptr<NetworkPlan> plan) {
        const std::lock_guard lock(mutex);
        idle[{plan->width(), plan->height()}].push_back(std::move(plan));
    }
};

Network::Network(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl)) {}

Network::~Network() = default;

const NetworkDescription& Network::description() const {
    return impl_->description;
}

NetworkPrecision Network::precision() const {
    return impl_->precision;
}

int Network::outputScale() const {
    return impl_->graph.scales[static_cast<std::size_t>(impl_->graph.output)];
}

std::shared_ptr<const Network> Network::load(const fs::path& bundle, NetworkPrecision precision) {
    const auto manifest = NetworkManifest::read(bundle, NetworkManifest::bundleFormat);
    auto impl = std::make_unique<Impl>();
    impl->description = NetworkDescription::read(bundle / manifest.description);
    impl->graph = NetworkGraph::read(bundle);
    impl->precision = precision;
    impl->weights = std::make_unique<NetworkWeights>(impl->graph, impl->engine);
    return std::shared_ptr<const Network>(new Network(std::move(impl)));
}

std::optional<PixelBuffer> Network::predict(const std::string& inputName, const PixelBuffer& input,
                                            const std::string& outputName) const {
    if (inputName != impl_->graph.inputName) {
        throw NetworkError("The network has no input \"" + inputName + "\"");
    }
    if (outputName != impl_->graph.outputName) {
        return std::nullopt;
    }
    const TensorImage::PixelLayout layout{.range = impl_->description.pixelRange,
                                          .channelOrder = impl_->description.channelOrder};
    const std::vector<float> tensor = TensorImage::fromPixels(input, layout);
    auto plan = impl_->take(input.width(), input.height());
    const float* output = plan->run(tensor.data());
    const int scale = impl_->graph.scales[static_cast<std::size_t>(impl_->graph.output)];
    PixelBuffer result = TensorImage::toPixels(output, input.width() * scale, input.height() * scale, layout);
    impl_->giveBack(std::move(plan));
    return result;
}

bool Network::predict(const std::string& inputName, const PixelBuffer& input, const std::string& outputName,
                      const OutputPart& part, std::uint8_t* rgba, std::size_t bytesPerRow) const {
    if (inputName != impl_->graph.inputName) {
        throw NetworkError("The network has no input \"" + inputName + "\"");
    }
    if (outputName != impl_->graph.outputName) {
        return false;
    }
    const int scale = impl_->graph.scales[static_cast<std::size_t>(impl_->graph.output)];
    const int width = input.width() * scale;
    const int height = input.height() * scale;
    if (part.x < 0 || part.y < 0 || part.width < 0 || part.height < 0 || part.x > width - part.width ||
        part.y > height - part.height) {
        throw NetworkError("The part asked for lies outside the network's output");
    }
    const TensorImage::PixelLayout layout{.range = impl_->description.pixelRange,
                                          .channelOrder = impl_->description.channelOrder};
    const std::vector<float> tensor = TensorImage::fromPixels(input, layout);
    auto plan = impl_->take(input.width(), input.height());
    const float* output = plan->run(tensor.data());
    TensorImage::toRgba(output, width, height, layout, {part.x, part.y, part.width, part.height}, rgba,
                        bytesPerRow);
    impl_->giveBack(std::move(plan));
    return true;
}

std::vector<float> Network::run(const std::vector<float>& planar, int width, int height) const {
    if (width < 1 || height < 1 || planar.size() != static_cast<std::size_t>(3) * width * height) {
        throw NetworkError("The network's input is not three planes of " + std::to_string(width) + " × " +
                           std::to_string(height));
    }
    auto plan = impl_->take(width, height);
    const float* output = plan->run(planar.data());
    const int scale = impl_->graph.scales[static_cast<std::size_t>(impl_->graph.output)];
    std::vector<float> result(output, output + static_cast<std::size_t>(3) * width * scale * height * scale);
    impl_->giveBack(std::move(plan));
    return result;
}

void Network::prepare(int width, int height) const {
    impl_->giveBack(impl_->take(width, height));
}

void Network::releaseIdlePlans() const {
    decltype(impl_->idle) released;
    {
        const std::lock_guard lock(impl_->mutex);
        released.swap(impl_->idle);
    }
}

std::vector<std::string> Network::kernels(int width, int height) const {
    auto plan = impl_->take(width, height);
    std::vector<std::string> names;
    for (const auto& step : plan->steps()) {
        names.push_back(step.name + ": " + step.implementation);
    }
    impl_->giveBack(std::move(plan));
    return names;
}

} // namespace orvane
