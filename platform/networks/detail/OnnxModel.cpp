#include "platform/networks/detail/OnnxModel.h"

#include "platform/files/FileBytes.h"
#include "platform/networks/NetworkError.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <unordered_set>

namespace orvane::OnnxModel {

namespace {

// Only the fields below are decoded; every other field, and every nested message such as a
// subgraph, is skipped by its length without being entered, so nesting never goes deeper than
// model → graph → node → attribute → tensor whatever the file holds.

[[noreturn]] void malformed(const std::string& what) {
    throw NetworkError("The network is not a readable ONNX file: " + what);
}

enum class WireType : std::uint8_t { varint = 0, fixed64 = 1, lengthDelimited = 2, fixed32 = 5 };

struct Field {
    std::uint32_t number = 0;
    WireType type = WireType::varint;
    std::uint64_t value = 0;             // varint, fixed64 and fixed32 fields
    std::span<const std::uint8_t> bytes; // length-delimited fields
};

// Walks the fields of one message, never past its end.
class Message {
public:
    explicit Message(std::span<const std::uint8_t> bytes)
        : bytes_(bytes) {}

    bool atEnd() const { return position_ == bytes_.size(); }

    Field next() {
        const std::uint64_t key = varint();
        Field field;
        if (key >> 3 == 0 || key >> 3 > 0x1FFFFFFF) {
            malformed("a field number is out of range");
        }
        field.number = static_cast<std::uint32_t>(key >> 3);
        switch (key & 7) {
        case 0:
            field.type = WireType::varint;
            field.value = varint();
            break;
        case 1:
            field.type = WireType::fixed64;
            field.value = fixed(8);
            break;
        case 2: {
            field.type = WireType::lengthDelimited;
            const std::uint64_t length = varint();
            if (length > bytes_.size() - position_) {
                malformed("a field runs past the end of the file");
            }
            field.bytes = bytes_.subspan(position_, static_cast<std::size_t>(length));
            position_ += static_cast<std::size_t>(length);
            break;
        }
        case 5:
            field.type = WireType::fixed32;
            field.value = fixed(4);
            break;
        default:
            malformed("field " + std::to_string(field.number) + " has the unknown wire type " +
                      std::to_string(key & 7));
        }
        return field;
    }

    std::uint64_t varint() {
        std::uint64_t value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (atEnd()) {
                malformed("the file ends inside a number");
            }
            const std::uint8_t byte = bytes_[position_++];
            // The tenth byte holds the 64th bit only.
            if (shift == 63 && byte > 1) {
                malformed("a number is longer than 64 bits");
            }
            value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
            if ((byte & 0x80) == 0) {
                return value;
            }
        }
        malformed("a number is longer than 64 bits");
    }

    std::uint64_t fixed(std::size_t size) {
        if (size > bytes_.size() - position_) {
            malformed("the file ends inside a number");
        }
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            value |= static_cast<std::uint64_t>(bytes_[position_ + i]) << (8 * i);
        }
        position_ += size;
        return value;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

void expect(const Field& field, WireType type, const char* message) {
    if (field.type != type) {
        malformed(std::string("field ") + std::to_string(field.number) + " of " + message +
                  " has the wrong wire type");
    }
}

std::string text(const Field& field, const char* message) {
    expect(field, WireType::lengthDelimited, message);
    return {field.bytes.begin(), field.bytes.end()};
}

std::int64_t integer(const Field& field, const char* message) {
    expect(field, WireType::varint, message);
    return static_cast<std::int64_t>(field.value);
}

float toFloat(std::uint64_t bits) {
    return std::bit_cast<float>(static_cast<std::uint32_t>(bits));
}

// A repeated number arrives either one per field or packed into one length-delimited field.
template <typename Value, typename Convert>
void appendRepeated(const Field& field, WireType elementType, std::vector<Value>& values, Convert convert,
                    const char* message) {
    if (field.type == elementType) {
        values.push_back(convert(field.value));
        return;
    }
    expect(field, WireType::lengthDelimited, message);
    Message packed(field.bytes);
    while (!packed.atEnd()) {
        const std::uint64_t raw = elementType == WireType::varint    ? packed.varint()
                                  : elementType == WireType::fixed32 ? packed.fixed(4)
                                                                     : packed.fixed(8);
        values.push_back(convert(raw));
    }
}

std::int64_t asInt64(std::uint64_t raw) {
    return static_cast<std::int64_t>(raw);
}

// int32 fields are varints of the value sign-extended to 64 bits.
std::int64_t asInt32(std::uint64_t raw) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(raw));
}

float halfToFloat(std::uint16_t half) {
    const int exponent = (half >> 10) & 0x1F;
    const int mantissa = half & 0x3FF;
    float magnitude;
    if (exponent == 0) {
        magnitude = std::ldexp(static_cast<float>(mantissa), -24);
    } else if (exponent == 31) {
        magnitude =
            mantissa ? std::numeric_limits<float>::quiet_NaN() : std::numeric_limits<float>::infinity();
    } else {
        magnitude = std::ldexp(static_cast<float>(mantissa | 0x400), exponent - 25);
    }
    return (half & 0x8000) ? -magnitude : magnitude;
}

// TensorProto.DataType values whose data is read.
constexpr int float32 = 1;
constexpr int int32 = 6;
constexpr int int64 = 7;
constexpr int float16 = 10;
constexpr int float64 = 11;

void readRaw(Tensor& tensor, std::span<const std::uint8_t> raw) {
    const auto decode = [&](std::size_t size, auto store) {
        if (raw.size() % size != 0) {
            malformed("the raw data of tensor \"" + tensor.name + "\" does not fit its element type");
        }
        Message values(raw);
        while (!values.atEnd()) {
            store(values.fixed(size));
        }
    };
    switch (tensor.elementType) {
    case float32:
        decode(4, [&](std::uint64_t bits) { tensor.floats.push_back(toFloat(bits)); });
        break;
    case float16:
        decode(2, [&](std::uint64_t bits) {
            tensor.floats.push_back(halfToFloat(static_cast<std::uint16_t>(bits)));
        });
        break;
    case float64:
        decode(8, [&](std::uint64_t bits) {
            tensor.floats.push_back(static_cast<float>(std::bit_cast<double>(bits)));
        });
        break;
    case int32:
        decode(4, [&](std::uint64_t bits) { tensor.integers.push_back(asInt32(bits)); });
        break;
    case int64:
        decode(8, [&](std::uint64_t bits) { tensor.integers.push_back(asInt64(bits)); });
        break;
    default:
        break;
    }
}

Tensor readTensor(std::span<const std::uint8_t> bytes) {
    Tensor tensor;
    std::optional<std::span<const std::uint8_t>> raw;
    std::vector<std::int64_t> int32Data; // also float16's bit patterns
    Message message(bytes);
    while (!message.atEnd()) {
        const Field field = message.next();
        switch (field.number) {
        case 1:
            appendRepeated(field, WireType::varint, tensor.dims, asInt64, "a tensor");
            break;
        case 2:
            tensor.elementType = static_cast<int>(integer(field, "a tensor"));
            break;
        case 4:
            appendRepeated(field, WireType::fixed32, tensor.floats, toFloat, "a tensor");
            break;
        case 5:
            appendRepeated(field, WireType::varint, int32Data, asInt32, "a tensor");
            break;
        case 7:
            appendRepeated(field, WireType::varint, tensor.integers, asInt64, "a tensor");
            break;
        case 8:
            tensor.name = text(field, "a tensor");
            break;
        case 9:
            expect(field, WireType::lengthDelimited, "a tensor");
            raw = field.bytes;
            break;
        case 10:
            appendRepeated(
                field, WireType::fixed64, tensor.floats,
                [](std::uint64_t bits) { return static_cast<float>(std::bit_cast<double>(bits)); },
                "a tensor");
            break;
        case 14:
            if (integer(field, "a tensor") == 1) {
                throw NetworkError("The network keeps the weights of \"" + tensor.name +
                                   "\" in a separate file, which is not supported");
            }
            break;
        default:
            break;
        }
    }
    if (tensor.elementType == float16) {
        for (const std::int64_t bits : int32Data) {
            tensor.floats.push_back(halfToFloat(static_cast<std::uint16_t>(bits)));
        }
    } else {
        tensor.integers.insert(tensor.integers.end(), int32Data.begin(), int32Data.end());
    }
    if (raw) {
        readRaw(tensor, *raw);
    }

    std::uint64_t count = 1;
    for (const std::int64_t dim : tensor.dims) {
        if (dim < 0 || (dim > 0 && count > std::numeric_limits<std::uint32_t>::max() /
                                               static_cast<std::uint64_t>(dim))) {
            malformed("tensor \"" + tensor.name + "\" has an impossible shape");
        }
        count *= static_cast<std::uint64_t>(dim);
    }
    const bool known = tensor.elementType == float32 || tensor.elementType == float16 ||
                       tensor.elementType == float64 || tensor.elementType == int32 ||
                       tensor.elementType == int64;
    if (known && tensor.floats.size() + tensor.integers.size() != count) {
        malformed("tensor \"" + tensor.name + "\" holds " +
                  std::to_string(tensor.floats.size() + tensor.integers.size()) + " values for a shape of " +
                  std::to_string(count));
    }
    return tensor;
}

Attribute readAttribute(std::span<const std::uint8_t> bytes) {
    Attribute attribute;
    Message message(bytes);
    while (!message.atEnd()) {
        const Field field = message.next();
        switch (field.number) {
        case 1:
            attribute.name = text(field, "an attribute");
            break;
        case 2:
            expect(field, WireType::fixed32, "an attribute");
            attribute.f = toFloat(field.value);
            break;
        case 3:
            attribute.i = integer(field, "an attribute");
            break;
        case 4:
            attribute.s = text(field, "an attribute");
            break;
        case 5:
            expect(field, WireType::lengthDelimited, "an attribute");
            attribute.t = readTensor(field.bytes);
            break;
        case 7:
            appendRepeated(field, WireType::fixed32, attribute.floats, toFloat, "an attribute");
            break;
        case 8:
            appendRepeated(field, WireType::varint, attribute.ints, asInt64, "an attribute");
            break;
        default:
            break;
        }
    }
    return attribute;
}

Node readNode(std::span<const std::uint8_t> bytes) {
    Node node;
    Message message(bytes);
    while (!message.atEnd()) {
        const Field field = message.next();
        switch (field.number) {
        case 1:
            node.inputs.push_back(text(field, "a node"));
            break;
        case 2:
            node.outputs.push_back(text(field, "a node"));
            break;
        case 3:
            node.name = text(field, "a node");
            break;
        case 4:
            node.opType = text(field, "a node");
            break;
        case 5:
            expect(field, WireType::lengthDelimited, "a node");
            node.attributes.push_back(readAttribute(field.bytes));
            break;
        case 7:
            node.domain = text(field, "a node");
            break;
        default:
            break;
        }
    }
    return node;
}

std::string readValueName(std::span<const std::uint8_t> bytes) {
    std::string name;
    Message message(bytes);
    while (!message.atEnd()) {
        const Field field = message.next();
        if (field.number == 1) {
            name = text(field, "a graph input or output");
        }
    }
    return name;
}

Graph readGraph(std::span<const std::uint8_t> bytes) {
    Graph graph;
    std::vector<std::string> inputs;
    Message message(bytes);
    while (!message.atEnd()) {
        const Field field = message.next();
        switch (field.number) {
        case 1:
            expect(field, WireType::lengthDelimited, "the graph");
            graph.nodes.push_back(readNode(field.bytes));
            break;
        case 5:
            expect(field, WireType::lengthDelimited, "the graph");
            graph.initializers.push_back(readTensor(field.bytes));
            break;
        case 11:
            expect(field, WireType::lengthDelimited, "the graph");
            inputs.push_back(readValueName(field.bytes));
            break;
        case 12:
            expect(field, WireType::lengthDelimited, "the graph");
            graph.outputs.push_back(readValueName(field.bytes));
            break;
        default:
            break;
        }
    }
    // Older files list every initializer among the inputs as well.
    std::unordered_set<std::string> constants;
    for (const Tensor& tensor : graph.initializers) {
        constants.insert(tensor.name);
    }
    for (std::string& input : inputs) {
        if (!constants.contains(input)) {
            graph.inputs.push_back(std::move(input));
        }
    }
    return graph;
}

std::int64_t readOpsetVersion(std::span<const std::uint8_t> bytes) {
    std::string domain;
    std::int64_t version = 0;
    Message message(bytes);
    while (!message.atEnd()) {
        const Field field = message.next();
        if (field.number == 1) {
            domain = text(field, "an operator set");
        } else if (field.number == 2) {
            version = integer(field, "an operator set");
        }
    }
    return domain.empty() || domain == "ai.onnx" ? version : 0;
}

} // namespace

const Attribute* Node::attribute(std::string_view wanted) const {
    const auto found = std::ranges::find(attributes, wanted, &Attribute::name);
    return found == attributes.end() ? nullptr : &*found;
}

const Tensor* Graph::initializer(std::string_view name) const {
    const auto found = std::ranges::find(initializers, name, &Tensor::name);
    return found == initializers.end() ? nullptr : &*found;
}

Graph parse(std::span<const std::uint8_t> bytes) {
    std::optional<Graph> graph;
    std::int64_t opsetVersion = 0;
    Message message(bytes);
    while (!message.atEnd()) {
        const Field field = message.next();
        if (field.number == 7) {
            expect(field, WireType::lengthDelimited, "the model");
            graph = readGraph(field.bytes);
        } else if (field.number == 8) {
            expect(field, WireType::lengthDelimited, "the model");
            opsetVersion = std::max(opsetVersion, readOpsetVersion(field.bytes));
        }
    }
    if (!graph) {
        malformed("it holds no graph");
    }
    graph->opsetVersion = opsetVersion;
    return std::move(*graph);
}

Graph read(const std::filesystem::path& file) {
    const std::optional<Bytes> bytes = FileBytes::read(file);
    if (!bytes) {
        throw NetworkError("Could not read " + file.string());
    }
    try {
        return parse(*bytes);
    } catch (const NetworkError& e) {
        throw NetworkError(file.string() + ": " + e.description());
    }
}

} // namespace orvane::OnnxModel
