#include "platform/networks/detail/NetworkPlan.h"

#include "platform/networks/NetworkError.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace orvane {

using dnnl::memory;
using Kind = NetworkLayer::Kind;
using Tag = memory::format_tag;

namespace {

// oneDNN's failures carry its own text; the runtime's callers expect NetworkError.
template <typename Work> auto withDnnlErrors(Work&& work) {
    try {
        return work();
    } catch (const dnnl::error& e) {
        throw NetworkError(std::string("oneDNN: ") + e.what());
    }
}

memory::dims dims4(int channels, int height, int width) {
    return {1, channels, height, width};
}

} // namespace

NetworkWeights::NetworkWeights(const NetworkGraph& graph, dnnl::engine engine)
    : graph_(graph)
    , engine_(std::move(engine)) {}

memory NetworkWeights::convolution(int layerIndex, const memory::desc& wanted, float factor) {
    const std::lock_guard lock(mutex_);
    auto& known = reordered_[layerIndex];
    for (const auto& [candidateFactor, candidate] : known) {
        if (candidate.get_desc() == wanted && candidateFactor == factor) {
            return candidate;
        }
    }
    const NetworkLayer& layer = graph_.layers[static_cast<std::size_t>(layerIndex)];
    const int out = graph_.channels[static_cast<std::size_t>(layer.output)];
    const int in = graph_.channels[static_cast<std::size_t>(layer.inputs.front())];
    const memory::desc plain({out, in, layer.kernel, layer.kernel}, memory::data_type::f32, Tag::oihw);
    std::vector<float> scaled = layer.weights;
    for (float& w : scaled) {
        w *= factor;
    }
    memory source(plain, engine_, scaled.data());
    memory target(wanted, engine_);
    dnnl::stream stream(engine_);
    dnnl::reorder(source, target).execute(stream, source, target);
    stream.wait();
    known.emplace_back(factor, target);
    return target;
}

NetworkPlan::NetworkPlan(const NetworkGraph& graph, NetworkWeights& weights, int width, int height,
                         NetworkPrecision precision, dnnl::engine engine)
    : width_(width)
    , height_(height)
    , precision_(precision)
    , engine_(std::move(engine))
    , stream_(engine_)
    , type_(precision == NetworkPrecision::bf16 ? memory::data_type::bf16 : memory::data_type::f32)
    , layout_(Tag::nChw16c)
    , graph_(&graph) {
    withDnnlErrors([&] { build(graph, weights); });
}

memory::desc NetworkPlan::describe(int tensor) const {
    const auto t = static_cast<std::size_t>(tensor);
    const int scale = graph_->scales[t];
    return memory::desc(dims4(graph_->channels[t], height_ * scale, width_ * scale), type_, layout_);
}

void NetworkPlan::add(dnnl::primitive primitive, std::unordered_map<int, memory> arguments, Step step) {
    calls_.push_back(Call{std::move(primitive), std::move(arguments)});
    steps_.push_back(std::move(step));
}

void NetworkPlan::build(const NetworkGraph& graph, NetworkWeights& weights) {
    const auto tensorCount = graph.channels.size();
    const auto layerCount = static_cast<int>(graph.layers.size());
    const auto readers = graph.readers();
    const auto at = [](auto& vector, int index) -> auto& {
        return vector[static_cast<std::size_t>(index)];
    };

    // Which layer makes each tensor, and the last layer that reads it.
    std::vector<int> maker(tensorCount, -1);
    std::vector<int> lastReader(tensorCount, -1);
    for (int i = 0; i < layerCount; ++i) {
        const auto& layer = at(graph.layers, i);
        at(maker, layer.output) = i;
        for (const int source : layer.inputs) {
            at(lastReader, source) = i;
        }
    }
    at(lastReader, graph.output) = layerCount;

    // The activations' layout. Joined along the channels, tensors in blocks of channels lie one
    // after another in memory, so a network that joins tensors gets a blocked layout that this
    // processor's convolutions run well (16 channels a block with AVX-512, 8 with AVX2), and its
    // convolutions write straight into the joined tensor. Otherwise, or where neither runs well,
    // the layout the convolutions like best: ask oneDNN for a typical 64-channel 3×3 convolution
    // and keep what it picks.
    const bool joins = std::any_of(graph.layers.begin(), graph.layers.end(),
                                   [](const NetworkLayer& layer) { return layer.kind == Kind::concat; });
    int block = 0; // channels a block, where joined tensors get places of their own
    if (joins) {
        for (const auto& [tag, channels] : {std::pair{Tag::nChw16c, 16}, std::pair{Tag::nChw8c, 8}}) {
            const memory::desc src(dims4(64, height_, width_), type_, tag);
            const memory::desc dst(dims4(32, height_, width_), type_, tag);
            const memory::desc weightsAny({32, 64, 3, 3}, type_, Tag::any);
            const dnnl::convolution_forward::desc probe(dnnl::prop_kind::forward_inference,
                                                        dnnl::algorithm::convolution_direct, src, weightsAny,
                                                        dst, {1, 1}, {1, 1}, {1, 1});
            // oneDNN names its slow, portable kernels "ref".
            if (std::string(dnnl::convolution_forward::primitive_desc(probe, engine_).impl_info_str())
                    .rfind("ref", 0) != 0) {
                layout_ = tag;
                block = channels;
                break;
            }
        }
    }
    if (block == 0) {
        const memory::desc any(dims4(64, height_, width_), type_, Tag::any);
        const memory::desc weightsAny({64, 64, 3, 3}, type_, Tag::any);
        const dnnl::convolution_forward::desc probe(dnnl::prop_kind::forward_inference,
                                                    dnnl::algorithm::convolution_direct, any, weightsAny, any,
                                                    {1, 1}, {1, 1}, {1, 1});
        const dnnl::convolution_forward::primitive_desc chosen(probe, engine_);
        for (const Tag tag : {Tag::nChw16c, Tag::nhwc, Tag::nChw8c, Tag::nchw}) {
            if (chosen.src_desc() == memory::desc(dims4(64, height_, width_), type_, tag)) {
                layout_ = tag;
                break;
            }
        }
    }

    // Tensors that share their storage with another (`root`): a leaky ReLU's result is its
    // convolution's (an activation of the convolution); a sum whose other term is read for the last
    // time is added into that term's storage by the convolution before it; a PReLU works in place.
    std::vector<char> folded(static_cast<std::size_t>(layerCount), 0);
    std::vector<int> root(tensorCount);
    for (std::size_t t = 0; t < tensorCount; ++t) {
        root[t] = static_cast<int>(t);
    }
    const auto deadAfter = [&](int storage, int index) {
        for (std::size_t t = 0; t < tensorCount; ++t) {
            if (root[t] == storage && (lastReader[t] > index || static_cast<int>(t) == graph.output)) {
                return false;
            }
        }
        return true;
    };
    struct Fusion {
        bool activation = false;
        float alpha = 0;
        int sumTerm = -1; // the tensor added in place
        float sumScale = 1;
    };
    std::vector<Fusion> fusion(static_cast<std::size_t>(layerCount));
    for (int i = 0; i < layerCount; ++i) {
        const auto& layer = at(graph.layers, i);
        const int out = layer.output;
        if (layer.kind != Kind::convolution || at(readers, out) != 1 || out == graph.output) {
            continue;
        }
        const auto next =
            std::find_if(graph.layers.begin() + i + 1, graph.layers.end(), [&](const NetworkLayer& l) {
                return std::find(l.inputs.begin(), l.inputs.end(), out) != l.inputs.end();
            });
        if (next == graph.layers.end()) {
            continue;
        }
        const auto nextIndex = static_cast<int>(next - graph.layers.begin());
        if (next->kind == Kind::leakyRelu) {
            at(fusion, i).activation = true;
            at(fusion, i).alpha = next->alpha;
            at(folded, nextIndex) = true;
            at(root, next->output) = out;
        } else if (next->kind == Kind::sum && next->inputs.size() == 2) {
            const std::size_t mine = next->inputs[0] == out ? 0 : 1;
            const int other = next->inputs[1 - mine];
            const int storage = at(root, other);
            const int source = layer.inputs.front();
            // The convolution's own term is unscaled (its scale is in its weights); a scaled other
            // term b is reached as b × (convolution / b + other), as a sum with a scaled term sends
            // oneDNN's blocked convolutions to its reference kernel.
            if (next->coefficients[mine] != 1.0F || next->coefficients[1 - mine] == 0.0F || other == out ||
                storage == at(root, graph.input) || storage == at(root, source) ||
                !deadAfter(storage, nextIndex)) {
                continue;
            }
            at(fusion, i).sumTerm = other;
            at(fusion, i).sumScale = next->coefficients[1 - mine];
            at(folded, nextIndex) = true;
            at(root, out) = storage;
            at(root, next->output) = storage;
        }
    }
    for (int i = 0; i < layerCount; ++i) {
        const auto& layer = at(graph.layers, i);
        const int source = layer.inputs.front();
        if (layer.kind == Kind::prelu && at(readers, source) == 1 &&
            at(root, source) != at(root, graph.input)) {
            at(root, layer.output) = at(root, source);
        }
    }

    // A storage stays alive until the last reader of any tensor in it.
    std::vector<int> storageEnd(tensorCount, -1);
    for (std::size_t t = 0; t < tensorCount; ++t) {
        auto& end = storageEnd[static_cast<std::size_t>(root[t])];
        end = std::max({end, lastReader[t], maker[t]});
    }

    // Joined tensors. The last of a run of joins whose inputs each begin with the same tensors in
    // the same order (x; x, a; x, a, b; … as in a dense block) gets one buffer, and the earlier ones
    // are its first channels. A convolution's result goes straight to its place in the buffer when
    // it starts at a whole block of channels and has no other storage role; any other input is
    // copied in when it is first joined.
    struct Group {
        int channels = 0;
        int scale = 1;
        std::vector<int> joins;                  // the concat layers it serves
        std::vector<std::pair<int, int>> places; // input tensor → channel offset, of the largest join
        int begin = 0;                           // the first layer that writes into it
        int end = -1;                            // the last layer that reads from it
        memory buffer;
    };
    std::vector<Group> groups;
    std::vector<int> groupOfJoin(static_cast<std::size_t>(layerCount), -1);
    std::vector<int> placedGroup(tensorCount, -1); // by storage: the group a convolution writes into
    std::vector<int> placedOffset(tensorCount, 0);
    if (block > 0) {
        for (int i = layerCount - 1; i >= 0; --i) {
            const auto& largest = at(graph.layers, i);
            if (largest.kind != Kind::concat || at(groupOfJoin, i) >= 0) {
                continue;
            }
            Group group;
            group.channels = at(graph.channels, largest.output);
            group.scale = at(graph.scales, largest.output);
            int offset = 0;
            for (const int source : largest.inputs) {
                group.places.emplace_back(source, offset);
                offset += at(graph.channels, source);
            }
            // Only whole blocks of channels have places of their own; other joins copy.
            if (!std::all_of(group.places.begin(), group.places.end(), [&](const auto& place) {
                    return place.second % block == 0 && at(graph.channels, place.first) % block == 0;
                })) {
                continue;
            }
            for (int j = 0; j <= i; ++j) {
                const auto& join = at(graph.layers, j);
                if (join.kind == Kind::concat && at(groupOfJoin, j) < 0 &&
                    join.inputs.size() <= largest.inputs.size() &&
                    std::equal(join.inputs.begin(), join.inputs.end(), largest.inputs.begin())) {
                    at(groupOfJoin, j) = static_cast<int>(groups.size());
                    group.joins.push_back(j);
                }
            }
            group.begin = group.joins.front();
            for (const int j : group.joins) {
                group.end = std::max(group.end, at(storageEnd, at(root, at(graph.layers, j).output)));
            }
            const int id = static_cast<int>(groups.size());
            for (const auto& [source, place] : group.places) {
                const int storage = at(root, source);
                const int made = at(maker, storage);
                bool alone = true; // no tensor but the convolution's result and its activation uses it
                for (std::size_t t = 0; t < tensorCount; ++t) {
                    if (root[t] == storage && static_cast<int>(t) != storage &&
                        static_cast<int>(t) != source) {
                        alone = false;
                    }
                }
                if (made >= 0 && at(graph.layers, made).kind == Kind::convolution && alone &&
                    at(fusion, made).sumTerm < 0 && at(placedGroup, storage) < 0 && storage != graph.output) {
                    at(placedGroup, storage) = id;
                    at(placedOffset, storage) = place;
                    group.begin = std::min(group.begin, made);
                    group.end = std::max(group.end, at(storageEnd, storage));
                }
            }
            groups.push_back(std::move(group));
        }
    }

    // Buffers, taken from a pool when a storage is first written and handed back once its last
    // reader has run.
    tensors_.resize(tensorCount);
    struct Buffer {
        memory owner;
        std::size_t bytes;
        int freeAfter;
    };
    std::vector<Buffer> pool;
    const auto take = [&](std::size_t bytes, int from, int until) -> memory& {
        Buffer* best = nullptr;
        for (auto& buffer : pool) {
            if (buffer.freeAfter < from && buffer.bytes >= bytes && (!best || buffer.bytes < best->bytes)) {
                best = &buffer;
            }
        }
        if (!best) {
            const std::uint8_t* data = storage_.emplace_back(bytes).data();
            pool.push_back(
                Buffer{memory(memory::desc({static_cast<memory::dim>(bytes)}, memory::data_type::u8, Tag::a),
                              engine_, const_cast<std::uint8_t*>(data)),
                       bytes, 0});
            best = &pool.back();
        }
        best->freeAfter = until;
        return best->owner;
    };
    const auto elementBytes = type_ == memory::data_type::bf16 ? 2 : 4;
    const auto openGroups = [&](int index) {
        for (auto& group : groups) {
            if (group.begin <= index && !group.buffer) {
                const memory::desc desc(dims4(group.channels, height_ * group.scale, width_ * group.scale),
                                        type_, layout_);
                group.buffer = take(desc.get_size(), group.begin, group.end);
            }
        }
    };
    const auto allocate = [&](int tensor, int index) {
        openGroups(index);
        const int group = at(placedGroup, tensor);
        if (group >= 0) {
            // Whole blocks of channels lie one after another: the place is a plain offset.
            const Group& g = at(groups, group);
            const auto side =
                static_cast<std::size_t>(height_ * g.scale) * static_cast<std::size_t>(width_ * g.scale);
            auto* base = static_cast<std::uint8_t*>(g.buffer.get_data_handle());
            at(tensors_, tensor) =
                memory(describe(tensor), engine_,
                       base + static_cast<std::size_t>(at(placedOffset, tensor)) * side * elementBytes);
            return;
        }
        const memory::desc desc = describe(tensor);
        at(tensors_, tensor) =
            memory(desc, engine_, take(desc.get_size(), index, at(storageEnd, tensor)).get_data_handle());
    };
    const auto tensorMemory = [&](int tensor) -> memory& {
        auto& m = at(tensors_, tensor);
        if (!m) {
            m = memory(describe(tensor), engine_, at(tensors_, at(root, tensor)).get_data_handle());
        }
        return m;
    };

    // A layer of several inputs: their memories as the primitive's numbered sources.
    const auto gather = [&](const NetworkLayer& layer, std::unordered_map<int, memory>& arguments) {
        std::vector<memory::desc> sources;
        for (std::size_t k = 0; k < layer.inputs.size(); ++k) {
            memory& m = tensorMemory(layer.inputs[k]);
            sources.push_back(m.get_desc());
            arguments.emplace(DNNL_ARG_MULTIPLE_SRC + static_cast<int>(k), m);
        }
        return sources;
    };

    // The input arrives as planar floats and goes into the activation layout.
    input_ =
        memory(memory::desc(dims4(3, height_, width_), memory::data_type::f32, Tag::nchw), engine_, nullptr);
    allocate(graph.input, -1);
    add(dnnl::reorder(input_, at(tensors_, graph.input)),
        {{DNNL_ARG_FROM, input_}, {DNNL_ARG_TO, at(tensors_, graph.input)}}, Step{"reorder", "", 0});

    std::vector<std::vector<int>> copiedInto(groups.size());
    for (int i = 0; i < layerCount; ++i) {
        if (at(folded, i)) {
            continue;
        }
        const auto& layer = at(graph.layers, i);
        const int out = layer.output;
        if (const int group = at(groupOfJoin, i); group >= 0) {
            // A join of a group: its inputs not written in place are copied into their places (once
            // for the group), and the join itself is the group's first channels.
            Group& g = at(groups, group);
            openGroups(i);
            const memory::desc whole(dims4(g.channels, height_ * g.scale, width_ * g.scale), type_, layout_);
            for (const auto& [source, place] : g.places) {
                const bool joined =
                    std::find(layer.inputs.begin(), layer.inputs.end(), source) != layer.inputs.end();
                auto& copied = at(copiedInto, group);
                if (!joined || at(placedGroup, at(root, source)) == group ||
                    std::find(copied.begin(), copied.end(), source) != copied.end()) {
                    continue;
                }
                copied.push_back(source);
                const int height = height_ * g.scale;
                const int width = width_ * g.scale;
                const memory target(
                    whole.submemory_desc(dims4(at(graph.channels, source), height, width), {0, place, 0, 0}),
                    engine_, g.buffer.get_data_handle());
                memory& from = tensorMemory(source);
                add(dnnl::reorder(from, target), {{DNNL_ARG_FROM, from}, {DNNL_ARG_TO, target}},
                    Step{"concat copy", "", 0});
            }
            at(tensors_, out) = memory(describe(out), engine_, g.buffer.get_data_handle());
            continue;
        }
        if (at(root, out) == out) {
            allocate(out, i);
        }
        memory& dst = tensorMemory(out);
        memory& src = tensorMemory(layer.inputs.front());
        const std::string name(rawValue(layer.kind));
        switch (layer.kind) {
        case Kind::convolution: {
            const auto& f = fusion[static_cast<std::size_t>(i)];
            const int outChannels = graph.channels[static_cast<std::size_t>(out)];
            const int inChannels = graph.channels[static_cast<std::size_t>(layer.inputs.front())];
            const memory::dim pad = layer.kernel / 2;
            const memory::desc weightsAny({outChannels, inChannels, layer.kernel, layer.kernel}, type_,
                                          Tag::any);
            const memory::desc biasDesc({outChannels}, memory::data_type::f32, Tag::a);
            // The picture's three channels are read in whatever layout the convolution likes best.
            const bool readsPicture = at(root, layer.inputs.front()) == at(root, graph.input);
            const memory::desc srcDesc =
                readsPicture ? memory::desc(src.get_desc().dims(), type_, Tag::any) : src.get_desc();
            const dnnl::convolution_forward::desc desc(
                dnnl::prop_kind::forward_inference, dnnl::algorithm::convolution_direct, srcDesc, weightsAny,
                biasDesc, dst.get_desc(), {1, 1}, {pad, pad}, {pad, pad});
            dnnl::post_ops ops;
            if (f.sumTerm >= 0) {
                ops.append_sum(1.0F);
                if (f.sumScale != 1.0F) {
                    ops.append_eltwise(1.0F, dnnl::algorithm::eltwise_linear, f.sumScale, 0.0F);
                }
            }
            if (f.activation) {
                ops.append_eltwise(1.0F, dnnl::algorithm::eltwise_relu, f.alpha, 0.0F);
            }
            dnnl::primitive_attr attributes;
            attributes.set_post_ops(ops);
            const dnnl::convolution_forward::primitive_desc pd(desc, attributes, engine_);
            memory input = src;
            if (pd.src_desc() != src.get_desc()) {
                input = memory(pd.src_desc(), engine_);
                add(dnnl::reorder(src, input), {{DNNL_ARG_FROM, src}, {DNNL_ARG_TO, input}},
                    Step{"reorder", "", 0});
            }
            const float factor = f.sumTerm >= 0 ? 1.0F / f.sumScale : 1.0F;
            memory bias(biasDesc, engine_);
            std::transform(layer.bias.begin(), layer.bias.end(), static_cast<float*>(bias.get_data_handle()),
                           [factor](float b) { return b * factor; });
            const double scale = graph.scales[static_cast<std::size_t>(out)];
            const double flops = 2.0 * outChannels * inChannels * layer.kernel * layer.kernel * height_ *
                                 scale * width_ * scale;
            add(dnnl::convolution_forward(pd),
                {{DNNL_ARG_SRC, input},
                 {DNNL_ARG_WEIGHTS, weights.convolution(i, pd.weights_desc(), factor)},
                 {DNNL_ARG_BIAS, bias},
                 {DNNL_ARG_DST, dst}},
                Step{name + (f.sumTerm >= 0 ? "+sum"
                             : f.activation ? "+leakyRelu"
                                            : ""),
                     pd.impl_info_str(), flops});
            break;
        }
        case Kind::prelu: {
            const int channels = graph.channels[static_cast<std::size_t>(out)];
            std::vector<float> slopes = layer.slopes;
            slopes.resize(static_cast<std::size_t>(channels), slopes.front());
            const memory::desc plain(dims4(channels, 1, 1), memory::data_type::f32, Tag::nchw);
            const memory::desc slopesAny(dims4(channels, 1, 1), memory::data_type::f32, Tag::any);
            const dnnl::prelu_forward::primitive_desc pd(
                dnnl::prelu_forward::desc(dnnl::prop_kind::forward_inference, src.get_desc(), slopesAny),
                engine_);
            memory target(pd.weights_desc(), engine_);
            memory source(plain, engine_, slopes.data());
            dnnl::reorder(source, target).execute(stream_, source, target);
            stream_.wait();
            add(dnnl::prelu_forward(pd),
                {{DNNL_ARG_SRC, src}, {DNNL_ARG_WEIGHTS, target}, {DNNL_ARG_DST, dst}},
                Step{name, pd.impl_info_str(), 0});
            break;
        }
        case Kind::leakyRelu: {
            const dnnl::eltwise_forward::primitive_desc pd(
                dnnl::eltwise_forward::desc(dnnl::prop_kind::forward_inference, dnnl::algorithm::eltwise_relu,
                                            src.get_desc(), layer.alpha, 0.0F),
                engine_);
            add(dnnl::eltwise_forward(pd), {{DNNL_ARG_SRC, src}, {DNNL_ARG_DST, dst}},
                Step{name, pd.impl_info_str(), 0});
            break;
        }
        case Kind::sum: {
            // Two plain terms add through the binary primitive, which has fast kernels for the
            // padded blocks of a 3-channel picture where the sum primitive has none.
            if (layer.inputs.size() == 2 && layer.coefficients[0] == 1.0F && layer.coefficients[1] == 1.0F) {
                memory& other = tensorMemory(layer.inputs[1]);
                const dnnl::binary::primitive_desc pd(dnnl::binary::desc(dnnl::algorithm::binary_add,
                                                                         src.get_desc(), other.get_desc(),
                                                                         dst.get_desc()),
                                                      engine_);
                add(dnnl::binary(pd), {{DNNL_ARG_SRC_0, src}, {DNNL_ARG_SRC_1, other}, {DNNL_ARG_DST, dst}},
                    Step{name, pd.impl_info_str(), 0});
                break;
            }
            std::unordered_map<int, memory> arguments{{DNNL_ARG_DST, dst}};
            const auto sources = gather(layer, arguments);
            const dnnl::sum::primitive_desc pd(dst.get_desc(), layer.coefficients, sources, engine_);
            add(dnnl::sum(pd), std::move(arguments), Step{name, pd.impl_info_str(), 0});
            break;
        }
        case Kind::concat: {
            std::unordered_map<int, memory> arguments{{DNNL_ARG_DST, dst}};
            const auto sources = gather(layer, arguments);
            const dnnl::concat::primitive_desc pd(dst.get_desc(), 1, sources, engine_);
            add(dnnl::concat(pd), std::move(arguments), Step{name, pd.impl_info_str(), 0});
            break;
        }
        case Kind::upsample: {
            const dnnl::resampling_forward::primitive_desc pd(
                dnnl::resampling_forward::desc(dnnl::prop_kind::forward_inference,
                                               dnnl::algorithm::resampling_nearest, src.get_desc(),
                                               dst.get_desc()),
                engine_);
            add(dnnl::resampling_forward(pd), {{DNNL_ARG_SRC, src}, {DNNL_ARG_DST, dst}},
                Step{name, pd.impl_info_str(), 0});
            break;
        }
        case Kind::pixelShuffle: {
            // Through plain layouts, where the shuffle is one reorder between two views of six
            // dimensions: source [c][i][j][y][x] to destination [c][y][i][x][j].
            const auto f = static_cast<memory::dim>(layer.factor);
            const auto c = static_cast<memory::dim>(graph.channels[static_cast<std::size_t>(out)]);
            const auto h = static_cast<memory::dim>(
                height_ * graph.scales[static_cast<std::size_t>(layer.inputs.front())]);
            const auto w = static_cast<memory::dim>(
                width_ * graph.scales[static_cast<std::size_t>(layer.inputs.front())]);
            const memory plainSource(
                memory::desc(dims4(static_cast<int>(c * f * f), static_cast<int>(h), static_cast<int>(w)),
                             type_, Tag::nchw),
                engine_);
            const memory plainTarget(
                memory::desc(dims4(static_cast<int>(c), static_cast<int>(h * f), static_cast<int>(w * f)),
                             type_, Tag::nchw),
                engine_);
            const memory::dims shape = {c, f, f, h, w};
            const memory::desc sourceView(shape, type_, memory::dims{f * f * h * w, f * h * w, h * w, w, 1});
            const memory::desc targetView(shape, type_, memory::dims{h * f * w * f, w * f, 1, f * w * f, f});
            const memory sourceViewMemory(sourceView, engine_, plainSource.get_data_handle());
            const memory targetViewMemory(targetView, engine_, plainTarget.get_data_handle());
            add(dnnl::reorder(src, plainSource), {{DNNL_ARG_FROM, src}, {DNNL_ARG_TO, plainSource}},
                Step{"reorder", "", 0});
            add(dnnl::reorder(sourceViewMemory, targetViewMemory),
                {{DNNL_ARG_FROM, sourceViewMemory}, {DNNL_ARG_TO, targetViewMemory}}, Step{name, "", 0});
            add(dnnl::reorder(plainTarget, dst), {{DNNL_ARG_FROM, plainTarget}, {DNNL_ARG_TO, dst}},
                Step{"reorder", "", 0});
            break;
        }
        }
    }

    for (auto& buffer : pool) {
        buffers_.push_back(std::move(buffer.owner));
    }

    // The output leaves as planar floats.
    const int scale = graph.scales[static_cast<std::size_t>(graph.output)];
    const std::size_t outputCount = static_cast<std::size_t>(3) * static_cast<std::size_t>(height_ * scale) *
                                    static_cast<std::size_t>(width_ * scale);
    outputValues_.emplace(outputCount * sizeof(float));
    output_ =
        memory(memory::desc(dims4(3, height_ * scale, width_ * scale), memory::data_type::f32, Tag::nchw),
               engine_, outputValues_->data());
    memory& result = tensorMemory(graph.output);
    add(dnnl::reorder(result, output_), {{DNNL_ARG_FROM, result}, {DNNL_ARG_TO, output_}},
        Step{"reorder", "", 0});
}

const float* NetworkPlan::run(const float* input) {
    return withDnnlErrors([&] {
        input_.set_data_handle(const_cast<float*>(input));
        for (auto& call : calls_) {
            call.primitive.execute(stream_, call.arguments);
        }
        stream_.wait();
        return reinterpret_cast<const float*>(outputValues_->data());
    });
}

std::vector<double> NetworkPlan::profile(const float* input) {
    return withDnnlErrors([&] {
        input_.set_data_handle(const_cast<float*>(input));
        std::vector<double> seconds;
        for (auto& call : calls_) {
            const auto start = std::chrono::steady_clock::now();
            call.primitive.execute(stream_, call.arguments);
            stream_.wait();
            seconds.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        return seconds;
    });
}

} // namespace orvane
