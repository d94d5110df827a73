#pragma once

// What the network compiler needs of an ONNX file, read straight from its protobuf encoding: the
// graph's nodes, its constant tensors and the names of its inputs and outputs. Nothing here runs a
// network.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::OnnxModel {

// A constant tensor (an initializer, or a Constant node's value). Float, float16 and double data
// arrive as `floats`; int32 and int64 data as `integers`. Other element types keep no values.
struct Tensor {
    std::string name;
    std::vector<std::int64_t> dims;
    int elementType = 0; // ONNX's TensorProto.DataType: 1 float, 7 int64, 10 float16, …
    std::vector<float> floats;
    std::vector<std::int64_t> integers;
};

struct Attribute {
    std::string name;
    std::optional<float> f;
    std::optional<std::int64_t> i;
    std::optional<std::string> s;
    std::optional<Tensor> t;
    std::vector<float> floats;
    std::vector<std::int64_t> ints;
};

struct Node {
    std::string name;
    std::string opType;
    std::string domain;              // empty for ONNX's own operators
    std::vector<std::string> inputs; // an empty name is an optional input left out
    std::vector<std::string> outputs;
    std::vector<Attribute> attributes;

    const Attribute* attribute(std::string_view name) const;
};

struct Graph {
    std::vector<Node> nodes; // in the file's order, which ONNX requires to be topological
    std::vector<Tensor> initializers;
    std::vector<std::string> inputs; // the graph's inputs that are not initializers
    std::vector<std::string> outputs;
    std::int64_t opsetVersion = 0; // of the default domain

    const Tensor* initializer(std::string_view name) const;
};

// Throws NetworkError for a file that can't be read, a malformed encoding, or weights stored in
// external files.
Graph read(const std::filesystem::path& file);
Graph parse(std::span<const std::uint8_t> bytes);

} // namespace orvane::OnnxModel
