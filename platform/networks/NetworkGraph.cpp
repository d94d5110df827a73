#include "platform/networks/NetworkGraph.h"

#include "platform/networks/UnsupportedNetwork.h"
#include "platform/networks/detail/OnnxModel.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

namespace orvane {

namespace fs = std::filesystem;

namespace {

constexpr std::pair<NetworkLayer::Kind, std::string_view> kindNames[] = {
    {NetworkLayer::Kind::convolution, "convolution"},
    {NetworkLayer::Kind::prelu, "prelu"},
    {NetworkLayer::Kind::leakyRelu, "leakyRelu"},
    {NetworkLayer::Kind::sum, "sum"},
    {NetworkLayer::Kind::concat, "concat"},
    {NetworkLayer::Kind::upsample, "upsample"},
    {NetworkLayer::Kind::pixelShuffle, "pixelShuffle"},
};

NetworkLayer::Kind kindFromRawValue(std::string_view text) {
    for (const auto& [kind, name] : kindNames) {
        if (name == text) {
            return kind;
        }
    }
    throw UnsupportedNetwork("layer kind \"" + std::string(text) + "\" is not one the runner has");
}

// Builds the graph while walking the ONNX nodes: names become tensor numbers, and a Mul by a
// constant is remembered as a factor for the Add that reads it.
class OnnxTranslation {
public:
    OnnxTranslation(const OnnxModel::Graph& onnx, NetworkGraph& graph)
        : onnx_(onnx)
        , graph_(graph) {}

    int tensor(const std::string& name, const OnnxModel::Node& reader) const {
        const auto found = tensors_.find(name);
        if (found == tensors_.end()) {
            fail(reader, "reads \"" + name + "\", which no earlier node makes");
        }
        return found->second;
    }

    int add(const std::string& name, int channels, int scale) {
        if (tensors_.contains(name)) {
            throw UnsupportedNetwork("the tensor \"" + name + "\" is made twice");
        }
        graph_.channels.push_back(channels);
        graph_.scales.push_back(scale);
        const int id = static_cast<int>(graph_.channels.size()) - 1;
        tensors_.emplace(name, id);
        return id;
    }

    const OnnxModel::Tensor& constant(const OnnxModel::Node& node, std::size_t input) const {
        if (input >= node.inputs.size() || node.inputs[input].empty()) {
            fail(node, "lacks its input " + std::to_string(input + 1));
        }
        const OnnxModel::Tensor* found = onnx_.initializer(node.inputs[input]);
        if (found == nullptr) {
            const auto made = constants_.find(node.inputs[input]);
            if (made == constants_.end()) {
                fail(node, "needs a constant as input " + std::to_string(input + 1));
            }
            found = &made->second;
        }
        if (found->floats.empty() && !found->integers.empty()) {
            fail(node, "has whole-number weights");
        }
        return *found;
    }

    [[noreturn]] static void fail(const OnnxModel::Node& node, const std::string& what) {
        throw UnsupportedNetwork("the " + node.opType + " node \"" + node.name + "\" " + what);
    }

    static std::int64_t integer(const OnnxModel::Node& node, std::string_view name, std::int64_t fallback) {
        const auto* attribute = node.attribute(name);
        return attribute && attribute->i ? *attribute->i : fallback;
    }
    static std::string text(const OnnxModel::Node& node, std::string_view name, std::string fallback) {
        const auto* attribute = node.attribute(name);
        return attribute && attribute->s ? *attribute->s : fallback;
    }
    static std::vector<std::int64_t> integers(const OnnxModel::Node& node, std::string_view name) {
        const auto* attribute = node.attribute(name);
        return attribute ? attribute->ints : std::vector<std::int64_t>{};
    }

    void translate(const OnnxModel::Node& node) {
        if (!node.domain.empty() && node.domain != "ai.onnx") {
            fail(node, "is of the operator set \"" + node.domain + "\", which the runner doesn't have");
        }
        if (node.outputs.size() != 1) {
            fail(node, "has " + std::to_string(node.outputs.size()) + " outputs, not one");
        }
        const std::string& op = node.opType;
        const std::string& out = node.outputs.front();
        if (op == "Constant") {
            const auto* value = node.attribute("value");
            if (!value || !value->t) {
                fail(node, "holds no tensor");
            }
            constants_.emplace(out, *value->t);
            return;
        }
        if (op == "Mul") {
            // Either factor may be the constant.
            const bool firstConstant =
                onnx_.initializer(node.inputs.at(0)) || constants_.contains(node.inputs[0]);
            const auto& factor = constant(node, firstConstant ? 0 : 1);
            if (factor.floats.size() != 1) {
                fail(node, "multiplies by more than one number");
            }
            const int source = tensor(node.inputs.at(firstConstant ? 1 : 0), node);
            scaled_.emplace(out, std::pair{source, factor.floats.front()});
            return;
        }

        NetworkLayer layer;
        const auto single = [&] {
            if (node.inputs.empty()) {
                fail(node, "has no input");
            }
            return tensor(node.inputs.front(), node);
        };
        int channels = 0;
        int scale = 0;
        if (op == "Conv") {
            layer.kind = NetworkLayer::Kind::convolution;
            const int source = single();
            const auto& weights = constant(node, 1);
            if (weights.dims.size() != 4 || weights.dims[2] != weights.dims[3] ||
                (weights.dims[2] != 1 && weights.dims[2] != 3) ||
                weights.dims[1] != graph_.channels[source]) {
                fail(node, "is not a 1×1 or 3×3 convolution of all its input channels");
            }
            const int k = static_cast<int>(weights.dims[2]);
            const auto pads = integers(node, "pads");
            const auto strides = integers(node, "strides");
            const auto dilations = integers(node, "dilations");
            const auto all = [](const std::vector<std::int64_t>& values, std::int64_t v) {
                return std::all_of(values.begin(), values.end(), [v](std::int64_t x) { return x == v; });
            };
            if (integer(node, "group", 1) != 1 || !all(strides, 1) || !all(dilations, 1) ||
                (pads.empty() ? k != 1 : (pads.size() != 4 || !all(pads, k / 2))) ||
                text(node, "auto_pad", "NOTSET") != "NOTSET") {
                fail(node, "has strides, groups, dilations or padding the runner doesn't have");
            }
            layer.kernel = k;
            layer.inputs = {source};
            layer.weights = weights.floats;
            channels = static_cast<int>(weights.dims[0]);
            if (node.inputs.size() > 2 && !node.inputs[2].empty()) {
                layer.bias = constant(node, 2).floats;
            } else {
                layer.bias.assign(channels, 0.0F);
            }
            if (static_cast<int>(layer.bias.size()) != channels) {
                fail(node, "has a bias of the wrong length");
            }
            scale = graph_.scales[source];
        } else if (op == "PRelu") {
            layer.kind = NetworkLayer::Kind::prelu;
            const int source = single();
            layer.inputs = {source};
            layer.slopes = constant(node, 1).floats;
            channels = graph_.channels[source];
            if (layer.slopes.size() != 1 && static_cast<int>(layer.slopes.size()) != channels) {
                fail(node, "has " + std::to_string(layer.slopes.size()) + " slopes for " +
                               std::to_string(channels) + " channels");
            }
            scale = graph_.scales[source];
        } else if (op == "LeakyRelu") {
            layer.kind = NetworkLayer::Kind::leakyRelu;
            const int source = single();
            layer.inputs = {source};
            const auto* alpha = node.attribute("alpha");
            layer.alpha = alpha && alpha->f ? *alpha->f : 0.01F;
            channels = graph_.channels[source];
            scale = graph_.scales[source];
        } else if (op == "Add") {
            layer.kind = NetworkLayer::Kind::sum;
            if (node.inputs.size() != 2) {
                fail(node, "does not add two tensors");
            }
            for (const auto& name : node.inputs) {
                if (const auto found = scaled_.find(name); found != scaled_.end()) {
                    layer.inputs.push_back(found->second.first);
                    layer.coefficients.push_back(found->second.second);
                } else {
                    layer.inputs.push_back(tensor(name, node));
                    layer.coefficients.push_back(1.0F);
                }
            }
            channels = graph_.channels[layer.inputs[0]];
            scale = graph_.scales[layer.inputs[0]];
            if (graph_.channels[layer.inputs[1]] != channels || graph_.scales[layer.inputs[1]] != scale) {
                fail(node, "adds tensors of different shapes");
            }
        } else if (op == "Concat") {
            layer.kind = NetworkLayer::Kind::concat;
            if (integer(node, "axis", 0) != 1) {
                fail(node, "does not join along the channels");
            }
            for (const auto& name : node.inputs) {
                layer.inputs.push_back(tensor(name, node));
                channels += graph_.channels[layer.inputs.back()];
                if (graph_.scales[layer.inputs.back()] != graph_.scales[layer.inputs.front()]) {
                    fail(node, "joins tensors of different sizes");
                }
            }
            if (layer.inputs.empty()) {
                fail(node, "has no input");
            }
            scale = graph_.scales[layer.inputs.front()];
        } else if (op == "Resize") {
            layer.kind = NetworkLayer::Kind::upsample;
            const int source = single();
            layer.inputs = {source};
            if (text(node, "mode", "nearest") != "nearest" ||
                text(node, "coordinate_transformation_mode", "half_pixel") != "asymmetric" ||
                text(node, "nearest_mode", "round_prefer_floor") != "floor" || node.inputs.size() != 3) {
                fail(node, "is not a nearest-neighbour enlargement by whole factors");
            }
            const auto& factors = constant(node, 2).floats;
            if (factors.size() != 4 || factors[0] != 1 || factors[1] != 1 || factors[2] != factors[3] ||
                factors[2] < 1 || factors[2] > 16 || factors[2] != std::floor(factors[2])) {
                fail(node, "is not a nearest-neighbour enlargement by whole factors");
            }
            layer.factor = static_cast<int>(factors[2]);
            channels = graph_.channels[source];
            scale = graph_.scales[source] * layer.factor;
        } else if (op == "DepthToSpace") {
            layer.kind = NetworkLayer::Kind::pixelShuffle;
            const int source = single();
            layer.inputs = {source};
            layer.factor = static_cast<int>(integer(node, "blocksize", 0));
            const int sourceChannels = graph_.channels[source];
            if (text(node, "mode", "DCR") != "CRD" || layer.factor < 1 || layer.factor > 16 ||
                sourceChannels % (layer.factor * layer.factor) != 0) {
                fail(node, "is not a pixel shuffle (CRD) of its channels");
            }
            channels = sourceChannels / (layer.factor * layer.factor);
            scale = graph_.scales[source] * layer.factor;
        } else {
            fail(node, "is an operator the runner doesn't have");
        }
        layer.output = add(out, channels, scale);
        graph_.layers.push_back(std::move(layer));
    }

private:
    const OnnxModel::Graph& onnx_;
    NetworkGraph& graph_;
    std::map<std::string, int> tensors_;
    std::map<std::string, OnnxModel::Tensor> constants_;
    std::map<std::string, std::pair<int, float>> scaled_; // Mul results: the tensor and its factor
};

// Weights of every layer in one file, each array at the offset graph.json gives.
class WeightsWriter {
public:
    nlohmann::json add(const std::vector<float>& values) {
        const auto offset = values_.size();
        values_.insert(values_.end(), values.begin(), values.end());
        return nlohmann::json::array({offset, values.size()});
    }
    const std::vector<float>& values() const { return values_; }

private:
    std::vector<float> values_;
};

std::vector<float> weightsAt(const nlohmann::json& range, const std::vector<float>& all) {
    const auto offset = range.at(0).get<std::size_t>();
    const auto count = range.at(1).get<std::size_t>();
    if (offset > all.size() || count > all.size() - offset) {
        throw NetworkError("graph.json names weights past the end of weights.bin");
    }
    return {all.begin() + static_cast<std::ptrdiff_t>(offset),
            all.begin() + static_cast<std::ptrdiff_t>(offset + count)};
}

} // namespace

std::string_view rawValue(NetworkLayer::Kind kind) {
    for (const auto& [k, name] : kindNames) {
        if (k == kind) {
            return name;
        }
    }
    return "?";
}

NetworkGraph NetworkGraph::fromOnnx(const OnnxModel::Graph& onnx) {
    NetworkGraph graph;
    OnnxTranslation translation(onnx, graph);
    if (onnx.inputs.size() != 1 || onnx.outputs.size() != 1) {
        throw UnsupportedNetwork("the network has " + std::to_string(onnx.inputs.size()) + " inputs and " +
                                 std::to_string(onnx.outputs.size()) + " outputs, not one of each");
    }
    graph.inputName = onnx.inputs.front();
    graph.outputName = onnx.outputs.front();
    graph.input = translation.add(graph.inputName, 3, 1);
    for (const auto& node : onnx.nodes) {
        translation.translate(node);
    }
    OnnxModel::Node end;
    end.opType = "output";
    end.name = graph.outputName;
    graph.output = translation.tensor(graph.outputName, end);
    if (graph.channels[graph.output] != 3 || graph.output == graph.input) {
        throw UnsupportedNetwork("the network's output is not a picture of its own");
    }
    for (const auto& layer : graph.layers) {
        for (const int source : layer.inputs) {
            if (source == graph.output) {
                throw UnsupportedNetwork("the network reads its own output");
            }
        }
    }
    graph.check();
    return graph;
}

std::vector<int> NetworkGraph::readers() const {
    std::vector<int> counts(channels.size(), 0);
    for (const auto& layer : layers) {
        for (const int source : layer.inputs) {
            ++counts[source];
        }
    }
    ++counts[output];
    return counts;
}

void NetworkGraph::foldScales() {
    std::vector<int> maker(channels.size(), -1);
    for (std::size_t i = 0; i < layers.size(); ++i) {
        maker[layers[i].output] = static_cast<int>(i);
    }
    const auto counts = readers();
    // Pushes `factor` into the layer that makes `tensor`; false where it can't go.
    const auto push = [&](auto&& self, int tensor, float factor) -> bool {
        if (maker[tensor] < 0 || counts[tensor] != 1) {
            return false;
        }
        NetworkLayer& layer = layers[maker[tensor]];
        if (layer.kind == NetworkLayer::Kind::convolution) {
            for (float& w : layer.weights) {
                w *= factor;
            }
            for (float& b : layer.bias) {
                b *= factor;
            }
            return true;
        }
        if (layer.kind == NetworkLayer::Kind::sum) {
            for (std::size_t i = 0; i < layer.inputs.size(); ++i) {
                layer.coefficients[i] *= factor;
                if (layer.coefficients[i] != 1.0F && self(self, layer.inputs[i], layer.coefficients[i])) {
                    layer.coefficients[i] = 1.0F;
                }
            }
            return true;
        }
        return false;
    };
    for (auto& layer : layers) {
        if (layer.kind != NetworkLayer::Kind::sum) {
            continue;
        }
        for (std::size_t i = 0; i < layer.inputs.size(); ++i) {
            if (layer.coefficients[i] != 1.0F && push(push, layer.inputs[i], layer.coefficients[i])) {
                layer.coefficients[i] = 1.0F;
            }
        }
    }
}

void NetworkGraph::write(const fs::path& folder) const {
    WeightsWriter weights;
    nlohmann::ordered_json json;
    json["channels"] = channels;
    json["scales"] = scales;
    json["input"] = input;
    json["output"] = output;
    json["inputName"] = inputName;
    json["outputName"] = outputName;
    json["weights"] = weightsFile;
    auto& list = json["layers"] = nlohmann::ordered_json::array();
    for (const auto& layer : layers) {
        nlohmann::ordered_json entry = {
            {"kind", rawValue(layer.kind)}, {"inputs", layer.inputs}, {"output", layer.output}};
        switch (layer.kind) {
        case NetworkLayer::Kind::convolution:
            entry["kernel"] = layer.kernel;
            entry["weights"] = weights.add(layer.weights);
            entry["bias"] = weights.add(layer.bias);
            break;
        case NetworkLayer::Kind::prelu:
            entry["slopes"] = weights.add(layer.slopes);
            break;
        case NetworkLayer::Kind::leakyRelu:
            entry["alpha"] = layer.alpha;
            break;
        case NetworkLayer::Kind::sum:
            entry["coefficients"] = layer.coefficients;
            break;
        case NetworkLayer::Kind::concat:
            break;
        case NetworkLayer::Kind::upsample:
        case NetworkLayer::Kind::pixelShuffle:
            entry["factor"] = layer.factor;
            break;
        }
        list.push_back(std::move(entry));
    }
    {
        std::ofstream stream(folder / graphFile);
        stream << json.dump(1) << '\n';
        if (!stream.flush()) {
            throw NetworkError("Could not write " + (folder / graphFile).string());
        }
    }
    std::ofstream stream(folder / weightsFile, std::ios::binary);
    stream.write(reinterpret_cast<const char*>(weights.values().data()),
                 static_cast<std::streamsize>(weights.values().size() * sizeof(float)));
    if (!stream.flush()) {
        throw NetworkError("Could not write " + (folder / weightsFile).string());
    }
}

NetworkGraph NetworkGraph::read(const fs::path& folder) {
    const fs::path graphPath = folder / graphFile;
    std::ifstream graphStream(graphPath);
    if (!graphStream) {
        throw NetworkError("No network graph at " + graphPath.string());
    }
    std::ifstream weightsStream(folder / weightsFile, std::ios::binary | std::ios::ate);
    if (!weightsStream) {
        throw NetworkError("No network weights at " + (folder / weightsFile).string());
    }
    std::vector<float> all(static_cast<std::size_t>(weightsStream.tellg()) / sizeof(float));
    weightsStream.seekg(0);
    weightsStream.read(reinterpret_cast<char*>(all.data()),
                       static_cast<std::streamsize>(all.size() * sizeof(float)));
    if (!weightsStream) {
        throw NetworkError("Could not read " + (folder / weightsFile).string());
    }

    NetworkGraph graph;
    try {
        const auto json = nlohmann::json::parse(graphStream);
        graph.channels = json.at("channels").get<std::vector<int>>();
        graph.scales = json.at("scales").get<std::vector<int>>();
        graph.input = json.at("input").get<int>();
        graph.output = json.at("output").get<int>();
        graph.inputName = json.at("inputName").get<std::string>();
        graph.outputName = json.at("outputName").get<std::string>();
        const auto tensors = static_cast<int>(graph.channels.size());
        const auto valid = [&](int id) { return id >= 0 && id < tensors; };
        if (graph.scales.size() != graph.channels.size() || !valid(graph.input) || !valid(graph.output)) {
            throw NetworkError(graphPath.string() + ": the tensors don't agree");
        }
        for (const auto& entry : json.at("layers")) {
            NetworkLayer layer;
            layer.kind = kindFromRawValue(entry.at("kind").get<std::string>());
            layer.inputs = entry.at("inputs").get<std::vector<int>>();
            layer.output = entry.at("output").get<int>();
            if (!valid(layer.output) || layer.inputs.empty() ||
                !std::all_of(layer.inputs.begin(), layer.inputs.end(), valid)) {
                throw NetworkError(graphPath.string() + ": a layer names a tensor that doesn't exist");
            }
            switch (layer.kind) {
            case NetworkLayer::Kind::convolution:
                layer.kernel = entry.at("kernel").get<int>();
                layer.weights = weightsAt(entry.at("weights"), all);
                layer.bias = weightsAt(entry.at("bias"), all);
                break;
            case NetworkLayer::Kind::prelu:
                layer.slopes = weightsAt(entry.at("slopes"), all);
                break;
            case NetworkLayer::Kind::leakyRelu:
                layer.alpha = entry.at("alpha").get<float>();
                break;
            case NetworkLayer::Kind::sum:
                layer.coefficients = entry.at("coefficients").get<std::vector<float>>();
                break;
            case NetworkLayer::Kind::concat:
                break;
            case NetworkLayer::Kind::upsample:
            case NetworkLayer::Kind::pixelShuffle:
                layer.factor = entry.at("factor").get<int>();
                break;
            }
            graph.layers.push_back(std::move(layer));
        }
    } catch (const nlohmann::json::exception& e) {
        throw NetworkError(graphPath.string() + ": " + e.what());
    }
    graph.check();
    return graph;
}

void NetworkGraph::check() const {
    const auto fail = [](const std::string& what) {
        throw NetworkError("The network's graph is damaged: " + what);
    };
    const auto count = channels.size();
    if (scales.size() != count || input < 0 || output < 0 || static_cast<std::size_t>(input) >= count ||
        static_cast<std::size_t>(output) >= count || channels[static_cast<std::size_t>(input)] != 3 ||
        channels[static_cast<std::size_t>(output)] != 3 || scales[static_cast<std::size_t>(input)] != 1) {
        fail("its input and output");
    }
    std::vector<bool> made(count, false);
    made[static_cast<std::size_t>(input)] = true;
    for (const auto& layer : layers) {
        const auto out = static_cast<std::size_t>(layer.output);
        if (layer.output < 0 || out >= count || made[out] || layer.inputs.empty() || channels[out] < 1 ||
            channels[out] > 4096 || scales[out] < 1 || scales[out] > 64) {
            fail("a layer's output");
        }
        for (const int source : layer.inputs) {
            if (source < 0 || static_cast<std::size_t>(source) >= count ||
                !made[static_cast<std::size_t>(source)]) {
                fail("a layer reads a tensor made after it");
            }
        }
        const auto in = static_cast<std::size_t>(layer.inputs.front());
        const bool oneInput = layer.inputs.size() == 1;
        const bool sameShape = channels[in] == channels[out] && scales[in] == scales[out];
        bool fits = false;
        switch (layer.kind) {
        case NetworkLayer::Kind::convolution:
            fits = oneInput && (layer.kernel == 1 || layer.kernel == 3) && scales[in] == scales[out] &&
                   layer.weights.size() ==
                       static_cast<std::size_t>(channels[out]) * channels[in] * layer.kernel * layer.kernel &&
                   layer.bias.size() == static_cast<std::size_t>(channels[out]);
            break;
        case NetworkLayer::Kind::prelu:
            fits =
                oneInput && sameShape &&
                (layer.slopes.size() == 1 || layer.slopes.size() == static_cast<std::size_t>(channels[out]));
            break;
        case NetworkLayer::Kind::leakyRelu:
            fits = oneInput && sameShape;
            break;
        case NetworkLayer::Kind::sum:
            fits = layer.coefficients.size() == layer.inputs.size() &&
                   std::all_of(layer.inputs.begin(), layer.inputs.end(), [&](int s) {
                       return channels[static_cast<std::size_t>(s)] == channels[out] &&
                              scales[static_cast<std::size_t>(s)] == scales[out];
                   });
            break;
        case NetworkLayer::Kind::concat: {
            int total = 0;
            fits = true;
            for (const int s : layer.inputs) {
                total += channels[static_cast<std::size_t>(s)];
                fits = fits && scales[static_cast<std::size_t>(s)] == scales[out];
            }
            fits = fits && total == channels[out];
            break;
        }
        case NetworkLayer::Kind::upsample:
            fits = oneInput && layer.factor >= 1 && channels[in] == channels[out] &&
                   scales[in] * layer.factor == scales[out];
            break;
        case NetworkLayer::Kind::pixelShuffle:
            fits = oneInput && layer.factor >= 1 &&
                   channels[in] == channels[out] * layer.factor * layer.factor &&
                   scales[in] * layer.factor == scales[out];
            break;
        }
        if (!fits) {
            fail("a " + std::string(rawValue(layer.kind)) + " layer doesn't fit its tensors");
        }
        made[out] = true;
    }
    if (!made[static_cast<std::size_t>(output)] || output == input) {
        fail("nothing makes its output");
    }
}

} // namespace orvane
