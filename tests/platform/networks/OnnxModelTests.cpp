#include "platform/files/FileBytes.h"
#include "platform/networks/NetworkError.h"
#include "platform/networks/detail/OnnxModel.h"
#include "tests/support/TestNetworks.h"

#include <bit>
#include <cmath>
#include <gtest/gtest.h>

using namespace orvane;

namespace {

// Just enough of protobuf's encoding to write the cases the networks' own files don't hold.
Bytes varint(std::uint64_t value) {
    Bytes bytes;
    do {
        bytes.push_back(static_cast<std::uint8_t>((value & 0x7F) | (value > 0x7F ? 0x80 : 0)));
        value >>= 7;
    } while (value != 0);
    return bytes;
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes bytes;
    for (const Bytes& part : parts) {
        bytes.insert(bytes.end(), part.begin(), part.end());
    }
    return bytes;
}

Bytes number(std::uint32_t field, std::int64_t value) {
    return join({varint(field << 3), varint(static_cast<std::uint64_t>(value))});
}

Bytes fixed32(std::uint32_t field, std::uint32_t value) {
    return join({varint(field << 3 | 5),
                 {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                  static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)}});
}

Bytes message(std::uint32_t field, const Bytes& content) {
    return join({varint(field << 3 | 2), varint(content.size()), content});
}

Bytes text(std::uint32_t field, std::string_view value) {
    return message(field, Bytes(value.begin(), value.end()));
}

// A model whose graph holds `graph`, with the default domain at opset 13.
Bytes model(const Bytes& graph) {
    return join({number(1, 7), message(7, graph), message(8, join({text(1, ""), number(2, 13)}))});
}

OnnxModel::Graph parse(const Bytes& bytes) {
    return OnnxModel::parse(bytes);
}

} // namespace

TEST(OnnxModel, ReadsEveryLayerOfTheTestNetworkAsTheScriptWroteIt) {
    const auto graph = OnnxModel::read(test::everyLayer4xPackage() / "network.onnx");
    EXPECT_EQ(graph.opsetVersion, 13);
    EXPECT_EQ(graph.inputs, std::vector<std::string>{"input"});
    EXPECT_EQ(graph.outputs, std::vector<std::string>{"output"});
    std::vector<std::string> ops;
    for (const auto& node : graph.nodes) {
        ops.push_back(node.opType);
        EXPECT_EQ(node.domain, "");
    }
    const std::vector<std::string> expected = {
        "Conv", "LeakyRelu", "Conv", "PRelu", "Conv",         "Mul",    "Add",       "Conv",
        "Mul",  "Add",       "Mul",  "Add",   "Concat",       "Conv",   "LeakyRelu", "Conv",
        "Add",  "Resize",    "Conv", "PRelu", "DepthToSpace", "Resize", "Add"};
    EXPECT_EQ(ops, expected);

    const auto& conv0 = graph.nodes[0];
    EXPECT_EQ(conv0.inputs, (std::vector<std::string>{"input", "conv0.weight", "conv0.bias"}));
    EXPECT_EQ(conv0.outputs, std::vector<std::string>{"conv0"});
    EXPECT_EQ(conv0.attribute("kernel_shape")->ints, (std::vector<std::int64_t>{3, 3}));
    EXPECT_EQ(conv0.attribute("pads")->ints, (std::vector<std::int64_t>{1, 1, 1, 1}));
    EXPECT_EQ(conv0.attribute("missing"), nullptr);
    const auto* weight = graph.initializer("conv0.weight");
    ASSERT_NE(weight, nullptr);
    EXPECT_EQ(weight->elementType, 1);
    EXPECT_EQ(weight->dims, (std::vector<std::int64_t>{16, 3, 3, 3}));
    EXPECT_EQ(weight->floats.size(), 16u * 3 * 3 * 3);
    EXPECT_EQ(graph.initializer("conv4.weight")->dims, (std::vector<std::int64_t>{24, 32, 1, 1}));
    EXPECT_EQ(graph.nodes[13].attribute("pads")->ints, (std::vector<std::int64_t>{0, 0, 0, 0}));
    // Biases are drawn from [-0.05, 0.05] and slopes from [0.05, 0.3].
    for (const float bias : graph.initializer("conv0.bias")->floats) {
        EXPECT_LE(std::abs(bias), 0.05f);
    }
    const auto* slope = graph.initializer("conv1.slope");
    EXPECT_EQ(slope->dims, (std::vector<std::int64_t>{8, 1, 1}));
    for (const float value : slope->floats) {
        EXPECT_TRUE(value >= 0.05f && value <= 0.3f) << value;
    }

    EXPECT_EQ(graph.nodes[1].attribute("alpha")->f, 0.2f);
    const auto* coefficient = graph.initializer(graph.nodes[5].inputs[1]);
    EXPECT_EQ(coefficient->dims, std::vector<std::int64_t>{1}); // as import-ncnn-network.py writes it
    EXPECT_EQ(coefficient->floats, std::vector<float>{0.2f});
    EXPECT_EQ(graph.nodes[12].inputs.size(), 3u);
    EXPECT_EQ(graph.nodes[12].attribute("axis")->i, 1);
    const auto& resize = graph.nodes[17];
    EXPECT_EQ(resize.inputs[1], "");
    EXPECT_EQ(resize.attribute("mode")->s, "nearest");
    EXPECT_EQ(resize.attribute("nearest_mode")->s, "floor");
    EXPECT_EQ(graph.initializer(resize.inputs[2])->floats, (std::vector<float>{1, 1, 2, 2}));
    EXPECT_EQ(graph.nodes[20].attribute("blocksize")->i, 2);
    EXPECT_EQ(graph.nodes[20].attribute("mode")->s, "CRD");

    const auto unsupported = OnnxModel::read(test::unsupported4xPackage() / "network.onnx");
    ASSERT_EQ(unsupported.nodes.size(), 2u);
    EXPECT_EQ(unsupported.nodes[1].opType, "Sigmoid");
}

TEST(OnnxModel, RefusesTruncatedAndMalformedEncodingsWithoutReadingPastThem) {
    const Bytes file = *FileBytes::read(test::everyLayer4xPackage() / "network.onnx");
    // Every cut inside the graph leaves a field that runs past the end.
    for (std::size_t size = 40; size + 16 < file.size(); size += 97) {
        EXPECT_THROW(OnnxModel::parse(std::span(file).first(size)), NetworkError) << size;
    }
    EXPECT_THROW(OnnxModel::parse(std::span(file).first(file.size() - 1)), NetworkError);
    EXPECT_THROW(OnnxModel::read(test::everyLayer4xPackage() / "missing.onnx"), NetworkError);

    const Bytes node = join({text(4, "Relu"), text(1, "input"), text(2, "output")});
    const std::vector<Bytes> damaged = {
        {},                                                          // no graph
        join({{0x08}, Bytes(10, 0xFF), {0x01}}),                     // a varint of 11 bytes
        join({{0x08}, Bytes(9, 0xFF), {0x02}}),                      // a varint of 65 bits
        {0x08, 0x80},                                                // a varint cut short
        {0x00, 0x01},                                                // field number 0
        {0x3A, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F},                        // a graph longer than the file
        {0x0B, 0x0C},                                                // a group
        model(message(1, join({node, {0x2A, 0x05, 0x0A}}))),         // an attribute running past its node
        model(message(1, join({varint(4 << 3 | 5), {0, 0, 0, 0}}))), // op_type with a number's wire type
        model(message(5, join({number(2, 1), number(1, 2), fixed32(4, 0)}))), // 1 value for 2
        model(message(5, join({number(2, 1), message(9, {0, 0, 0})}))),       // raw data of 3 bytes
    };
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        EXPECT_THROW(parse(damaged[i]), NetworkError) << i;
    }
    const Bytes external = model(message(5, join({text(8, "w"), number(2, 1), number(14, 1)})));
    try {
        parse(external);
        ADD_FAILURE() << "weights in a separate file were accepted";
    } catch (const NetworkError& e) {
        EXPECT_NE(e.description().find("separate file"), std::string::npos) << e.description();
    }
}

TEST(OnnxModel, ReadsPackedAndUnpackedNumbersFloat16AndSkipsUnknownFields) {
    const auto ints = [](bool packed) {
        if (packed) {
            return message(8, join({varint(1), varint(static_cast<std::uint64_t>(-2)), varint(3)}));
        }
        return join({number(8, 1), number(8, -2), number(8, 3)});
    };
    const auto attribute = [](std::string_view name, const Bytes& content) {
        return message(5, join({text(1, name), content}));
    };
    // 1.5, -2 and 65504 in float16.
    const Bytes half = {0x00, 0x3E, 0x00, 0xC0, 0xFF, 0x7B};
    const Bytes unknown =
        join({number(99, 5), {0x99, 0x06}, Bytes(8, 0), message(100, {1, 2, 3}), fixed32(101, 7)});
    const Bytes node = join({text(1, "input"), text(1, ""), text(1, "w"), text(2, "output"),
                             text(4, "Custom"), text(7, "example.domain"), attribute("packed", ints(true)),
                             unknown, attribute("unpacked", ints(false)),
                             attribute("f", fixed32(2, std::bit_cast<std::uint32_t>(0.5f)))});
    const Bytes weights = join({number(1, 3), number(2, 10), text(8, "w"), message(9, half)});
    const Bytes graph = join({message(1, node), message(5, weights), unknown, message(11, text(1, "input")),
                              message(11, text(1, "w")), message(12, text(1, "output"))});

    const auto read = parse(join({unknown, model(graph)}));
    ASSERT_EQ(read.nodes.size(), 1u);
    const auto& only = read.nodes[0];
    EXPECT_EQ(only.inputs, (std::vector<std::string>{"input", "", "w"}));
    EXPECT_EQ(only.domain, "example.domain");
    EXPECT_EQ(only.attribute("packed")->ints, (std::vector<std::int64_t>{1, -2, 3}));
    EXPECT_EQ(only.attribute("unpacked")->ints, (std::vector<std::int64_t>{1, -2, 3}));
    EXPECT_EQ(only.attribute("f")->f, 0.5f);
    EXPECT_EQ(read.initializer("w")->floats, (std::vector<float>{1.5f, -2, 65504}));
    // The initializer listed among the inputs, as older files do, is not an input.
    EXPECT_EQ(read.inputs, std::vector<std::string>{"input"});
    EXPECT_EQ(read.opsetVersion, 13);
}
