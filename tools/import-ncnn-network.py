#!/usr/bin/env python3
"""Turns an ncnn network (a .param text file and its .bin weights) into an Orvane network package:
a folder holding Manifest.json, network.onnx (fp32 weights) and description.json.

    import-ncnn-network.py NETWORK.param NETWORK.bin OUTPUT.mlpackage --scale 4
        --source TEXT --license TEXT [--sizes 256,512]

The ONNX graph takes "input", float32 [1, 3, H, W] (NCHW, RGB, 0 to 1) and gives "output", float32
[1, 3, H*scale, W*scale] in the same range. Only the layers of super-resolution networks are
known: Input, Split, Convolution (optionally with a fused leaky ReLU), PReLU, Eltwise (sum),
BinaryOp (add), Concat (channels), Interp (nearest, whole factors) and PixelShuffle. Any other
layer, setting or weight encoding stops the tool with an error rather than being guessed at.
Offline tool: needs Debian's python3-onnx and python3-numpy.
"""

import argparse
import json
import os
import shutil
import struct
import sys
import tempfile
from pathlib import Path

import numpy as np
import onnx
from onnx import TensorProto, helper, numpy_helper

OPSET = 13
INPUT_NAME = "input"
OUTPUT_NAME = "output"
PARAM_MAGIC = 7767517
FP16_TAG = 0x01306B47


class ConversionError(Exception):
    pass


def fail(message):
    raise ConversionError(message)


# ---------------------------------------------------------------------------------------------
# The .param file


class Layer:
    def __init__(self, kind, name, inputs, outputs, params, line):
        self.kind, self.name, self.inputs, self.outputs = kind, name, inputs, outputs
        self.params, self.line = params, line

    def where(self):
        return f"line {self.line}: {self.kind} {self.name}"


def parse_value(text, where):
    # ncnn reads a value as a float when it has a decimal point or an exponent.
    try:
        if any(c in text for c in ".eE"):
            return float(text)
        return int(text)
    except ValueError:
        fail(f"{where}: {text!r} is not a number")


def parse_params(tokens, where):
    params = {}
    for token in tokens:
        key_text, equals, value_text = token.partition("=")
        if not equals:
            fail(f"{where}: {token!r} is not KEY=VALUE")
        try:
            key = int(key_text)
        except ValueError:
            fail(f"{where}: {key_text!r} is not a setting number")
        if key <= -23300:  # an array: -23300 - KEY = COUNT,VALUE,...
            key = -23300 - key
            parts = value_text.split(",")
            count = parse_value(parts[0], where)
            values = [parse_value(p, where) for p in parts[1:]]
            if not isinstance(count, int) or count != len(values):
                fail(f"{where}: setting {key} says {parts[0]} values but has {len(values)}")
            value = values
        else:
            value = parse_value(value_text, where)
        if key in params:
            fail(f"{where}: setting {key} appears twice")
        params[key] = value
    return params


def read_param(path):
    lines = [(number, line.split()) for number, line in
             enumerate(Path(path).read_text(encoding="ascii").splitlines(), start=1)]
    lines = [(number, tokens) for number, tokens in lines if tokens]
    if not lines or lines[0][1] != [str(PARAM_MAGIC)]:
        fail(f"{path} is not an ncnn .param file (its first line is not {PARAM_MAGIC})")
    if len(lines) < 2 or len(lines[1][1]) != 2:
        fail(f"{path}: the second line is not the layer and blob counts")
    layer_count, blob_count = (parse_value(t, "line 2") for t in lines[1][1])
    layers = []
    for number, tokens in lines[2:]:
        where = f"line {number}"
        if len(tokens) < 4:
            fail(f"{where}: a layer needs a type, a name and its input and output counts")
        kind, name = tokens[0], tokens[1]
        counts = [parse_value(t, where) for t in tokens[2:4]]
        if not all(isinstance(c, int) and c >= 0 for c in counts):
            fail(f"{where}: the input and output counts are not whole numbers")
        inputs = tokens[4:4 + counts[0]]
        outputs = tokens[4 + counts[0]:4 + counts[0] + counts[1]]
        if len(inputs) != counts[0] or len(outputs) != counts[1]:
            fail(f"{where}: fewer blob names than the counts say")
        params = parse_params(tokens[4 + counts[0] + counts[1]:], f"{where} ({kind} {name})")
        layers.append(Layer(kind, name, inputs, outputs, params, number))
    if len(layers) != layer_count:
        fail(f"{path}: {len(layers)} layers, but the header says {layer_count}")
    blobs = {blob for layer in layers for blob in layer.outputs}
    if len(blobs) != blob_count:
        fail(f"{path}: {len(blobs)} blobs, but the header says {blob_count}")
    return layers


# ---------------------------------------------------------------------------------------------
# The .bin file


class Weights:
    """Reads the .bin in the order the layers ask for their weights."""

    def __init__(self, data):
        self.data, self.offset = data, 0

    def take(self, size, what):
        if self.offset + size > len(self.data):
            fail(f"{what}: the .bin ends {self.offset + size - len(self.data)} bytes too soon")
        chunk = self.data[self.offset:self.offset + size]
        self.offset += size
        return chunk

    def tagged(self, count, what):
        """Convolution weights: a 4-byte tag, then the values. Only fp16 is accepted."""
        (tag,) = struct.unpack("<I", self.take(4, what))
        if tag != FP16_TAG:
            fail(f"{what}: weight tag 0x{tag:08X} is not fp16 (0x{FP16_TAG:08X})")
        size = count * 2
        values = np.frombuffer(self.take(size, what), dtype="<f2").astype(np.float32)
        self.take((4 - size % 4) % 4, what)  # the values are padded to a multiple of 4 bytes
        return values

    def plain(self, count, what):
        """Biases and slopes: float32 values without a tag."""
        return np.frombuffer(self.take(count * 4, what), dtype="<f4").astype(np.float32)

    def finish(self):
        if self.offset != len(self.data):
            fail(f"the .bin has {len(self.data) - self.offset} bytes that no layer reads")


# ---------------------------------------------------------------------------------------------
# Graph building

# The settings each layer type may carry, with the values a setting must have when only one is
# handled. Anything else is refused.
_SETTINGS = {
    "Input": {0, 1, 2},
    "Split": set(),
    "Convolution": {0, 1, 11, 2, 12, 3, 13, 4, 14, 15, 16, 18, 5, 6, 8, 9, 10, 19},
    "PReLU": {0},
    "Eltwise": {0, 1},
    "BinaryOp": {0, 1, 2},
    "Concat": {0},
    "Interp": {0, 1, 2, 3, 4, 5, 6},
    "PixelShuffle": {0, 1},
}


class Tensor:
    """What the importer knows about a blob: its ONNX name, channel count and how many times the
    input its width is (so that the claimed scale can be checked)."""

    def __init__(self, name, channels, scale):
        self.name, self.channels, self.scale = name, channels, scale


class Builder:
    def __init__(self, weights):
        self.weights = weights
        self.nodes, self.initializers = [], []
        self.counter = 0

    def fresh(self, base):
        self.counter += 1
        return f"{base}__{self.counter}"

    def constant(self, name, array):
        name = self.fresh(name)
        self.initializers.append(numpy_helper.from_array(np.ascontiguousarray(array), name))
        return name

    def node(self, op, inputs, output, layer, **attributes):
        self.nodes.append(helper.make_node(op, inputs, [output], name=self.fresh(layer.name),
                                           **attributes))
        return output


def setting(layer, key, default, kind=int):
    value = layer.params.get(key, default)
    if kind is float and isinstance(value, int):
        value = float(value)
    if not isinstance(value, kind):
        fail(f"{layer.where()}: setting {key} = {value!r} is not a {kind.__name__}")
    return value


def require(layer, key, default, allowed, meaning):
    value = layer.params.get(key, default)
    if value not in allowed:
        fail(f"{layer.where()}: {meaning} {key}={value!r} is not handled")
    return value


def convert_convolution(builder, layer, source, output):
    outputs = setting(layer, 0, 0)
    kernel_w = setting(layer, 1, 0)
    kernel_h = setting(layer, 11, kernel_w)
    dilation_w = setting(layer, 2, 1)
    dilation_h = setting(layer, 12, dilation_w)
    stride_w = setting(layer, 3, 1)
    stride_h = setting(layer, 13, stride_w)
    pad_left = setting(layer, 4, 0)
    pad_top = setting(layer, 14, pad_left)
    pad_right = setting(layer, 15, pad_left)
    pad_bottom = setting(layer, 16, pad_top)
    bias_term = require(layer, 5, 0, (0, 1), "bias setting")
    weight_count = setting(layer, 6, 0)
    require(layer, 8, 0, (0,), "int8 quantisation")
    require(layer, 19, 0, (0,), "dynamic weights")
    if setting(layer, 18, 0.0, float) != 0.0:
        fail(f"{layer.where()}: padding with {layer.params[18]} instead of zeros is not handled")
    activation = require(layer, 9, 0, (0, 2), "activation")
    if min(outputs, kernel_w, kernel_h, dilation_w, dilation_h, stride_w, stride_h) < 1:
        fail(f"{layer.where()}: a size, dilation or stride is not positive")
    if min(pad_left, pad_top, pad_right, pad_bottom) < 0:
        fail(f"{layer.where()}: automatic padding (negative pads) is not handled")
    if stride_w != stride_h or stride_w != 1:
        fail(f"{layer.where()}: strides {stride_w}×{stride_h} are not handled")
    if kernel_w != kernel_h or (pad_left + pad_right, pad_top + pad_bottom) != \
            (dilation_w * (kernel_w - 1), dilation_h * (kernel_h - 1)):
        fail(f"{layer.where()}: only square kernels padded to keep the size are handled")
    expected = outputs * source.channels * kernel_h * kernel_w
    if weight_count != expected:
        fail(f"{layer.where()}: {weight_count} weights do not fit {source.channels} input "
             f"channels, {outputs} outputs and a {kernel_w}×{kernel_h} kernel ({expected})")

    kernel = builder.weights.tagged(weight_count, layer.where())
    kernel = kernel.reshape(outputs, source.channels, kernel_h, kernel_w)
    inputs = [source.name, builder.constant(f"{layer.name}.weight", kernel)]
    if bias_term:
        inputs.append(builder.constant(f"{layer.name}.bias",
                                       builder.weights.plain(outputs, layer.where())))
    attributes = dict(kernel_shape=[kernel_h, kernel_w], strides=[1, 1],
                      dilations=[dilation_h, dilation_w],
                      pads=[pad_top, pad_left, pad_bottom, pad_right])
    if activation == 0:
        builder.node("Conv", inputs, output, layer, **attributes)
    else:
        slope = layer.params.get(10)
        if not isinstance(slope, list) or len(slope) != 1:
            fail(f"{layer.where()}: the leaky ReLU needs exactly one slope (setting 10)")
        convolved = builder.node("Conv", inputs, builder.fresh(layer.name), layer, **attributes)
        builder.node("LeakyRelu", [convolved], output, layer, alpha=float(slope[0]))
    return Tensor(output, outputs, source.scale)


def convert_layer(builder, layer, sources, output):
    """Appends the ONNX nodes for one layer with one output. Returns its Tensor."""
    kind = layer.kind

    def single():
        if len(sources) != 1:
            fail(f"{layer.where()}: takes one input, not {len(sources)}")
        return sources[0]

    def same_shapes():
        if len(sources) < 2:
            fail(f"{layer.where()}: needs at least two inputs")
        if len({(t.channels, t.scale) for t in sources}) != 1:
            fail(f"{layer.where()}: inputs of different shapes are not handled")
        return sources[0]

    if kind == "Convolution":
        return convert_convolution(builder, layer, single(), output)

    if kind == "PReLU":
        source = single()
        count = setting(layer, 0, 0)
        if count not in (1, source.channels):
            fail(f"{layer.where()}: {count} slopes for {source.channels} channels")
        slopes = builder.weights.plain(count, layer.where())
        slopes = slopes.reshape(count, 1, 1)  # broadcast over [1, C, H, W]
        builder.node("PRelu", [source.name, builder.constant(f"{layer.name}.slope", slopes)],
                     output, layer)
        return Tensor(output, source.channels, source.scale)

    if kind == "Eltwise":
        first = same_shapes()
        require(layer, 0, 0, (1,), "operation (only 1, sum, is handled)")
        coefficients = layer.params.get(1, [1.0] * len(sources))
        if not isinstance(coefficients, list) or len(coefficients) != len(sources):
            fail(f"{layer.where()}: {len(sources)} inputs need {len(sources)} coefficients")
        terms = []
        for source, coefficient in zip(sources, coefficients):
            if coefficient == 1:
                terms.append(source.name)
            else:
                factor = builder.constant(f"{layer.name}.coefficient",
                                          np.array(coefficient, dtype=np.float32))
                terms.append(builder.node("Mul", [source.name, factor],
                                          builder.fresh(layer.name), layer))
        total = terms[0]
        for index, term in enumerate(terms[1:], start=2):
            total = builder.node("Add", [total, term],
                                 output if index == len(terms) else builder.fresh(layer.name),
                                 layer)
        return Tensor(output, first.channels, first.scale)

    if kind == "BinaryOp":
        require(layer, 0, 0, (0,), "operation (only 0, add, is handled)")
        require(layer, 1, 0, (0,), "operation with a constant")
        if 2 in layer.params:
            fail(f"{layer.where()}: a constant operand (setting 2) is not handled")
        first = same_shapes()
        if len(sources) != 2:
            fail(f"{layer.where()}: takes two inputs, not {len(sources)}")
        builder.node("Add", [t.name for t in sources], output, layer)
        return Tensor(output, first.channels, first.scale)

    if kind == "Concat":
        require(layer, 0, 0, (0,), "axis (only 0, the channels, is handled)")
        if len(sources) < 2 or len({t.scale for t in sources}) != 1:
            fail(f"{layer.where()}: the inputs do not have one size")
        builder.node("Concat", [t.name for t in sources], output, layer, axis=1)
        return Tensor(output, sum(t.channels for t in sources), sources[0].scale)

    if kind == "Interp":
        source = single()
        require(layer, 0, 0, (1,), "resize type (only 1, nearest, is handled)")
        for key, meaning in ((3, "output height"), (4, "output width"),
                             (5, "dynamic target size"), (6, "corner alignment")):
            require(layer, key, 0, (0,), meaning)
        height, width = setting(layer, 1, 1.0, float), setting(layer, 2, 1.0, float)
        if height != width or height < 1 or height != int(height):
            fail(f"{layer.where()}: only equal whole factors are handled, not {height}×{width}")
        factor = int(height)
        scales = builder.constant(f"{layer.name}.scales",
                                  np.array([1, 1, factor, factor], dtype=np.float32))
        # Output pixel o takes input pixel floor(o / factor), as ncnn's nearest does.
        builder.node("Resize", [source.name, "", scales], output, layer, mode="nearest",
                     coordinate_transformation_mode="asymmetric", nearest_mode="floor")
        return Tensor(output, source.channels, source.scale * factor)

    if kind == "PixelShuffle":
        source = single()
        factor = setting(layer, 0, 1)
        require(layer, 1, 0, (0,), "channel order")
        if factor < 1 or source.channels % (factor * factor):
            fail(f"{layer.where()}: {source.channels} channels do not divide into "
                 f"{factor}×{factor}")
        # Order 0 takes output channel c's sub-pixel (i, j) from input channel
        # c·factor² + i·factor + j: ONNX's CRD.
        builder.node("DepthToSpace", [source.name], output, layer, blocksize=factor, mode="CRD")
        return Tensor(output, source.channels // (factor * factor), source.scale * factor)

    fail(f"{layer.where()}: layer type {kind} is not handled")


def build_model(layers, weights, scale, source_text):
    builder = Builder(weights)
    tensors = {}
    consumed = set()
    input_blob = None
    for layer in layers:
        if layer.kind not in _SETTINGS:
            fail(f"{layer.where()}: layer type {layer.kind} is not handled")
        unknown = sorted(set(layer.params) - _SETTINGS[layer.kind])
        if unknown:
            fail(f"{layer.where()}: settings {unknown} are not handled")
        for blob in layer.inputs:
            if blob not in tensors:
                fail(f"{layer.where()}: input {blob} is not made by an earlier layer")
            if blob in consumed:
                fail(f"{layer.where()}: blob {blob} is read twice (ncnn needs a Split)")
            consumed.add(blob)
        for blob in layer.outputs:
            if blob in tensors:
                fail(f"{layer.where()}: blob {blob} is made twice")
        sources = [tensors[blob] for blob in layer.inputs]

        if layer.kind == "Input":
            if input_blob is not None:
                fail(f"{layer.where()}: a second input")
            if layer.inputs or len(layer.outputs) != 1:
                fail(f"{layer.where()}: an input has no inputs and one output")
            require(layer, 0, 0, (0,), "fixed width")
            require(layer, 1, 0, (0,), "fixed height")
            require(layer, 2, 0, (0, 3), "channel count")
            input_blob = layer.outputs[0]
            tensors[input_blob] = Tensor(INPUT_NAME, 3, 1)
            continue
        if layer.kind == "Split":
            # Every copy is the same tensor.
            source = (sources[0] if len(sources) == 1 else
                      fail(f"{layer.where()}: a split takes one input"))
            for blob in layer.outputs:
                tensors[blob] = source
            continue
        if len(layer.outputs) != 1:
            fail(f"{layer.where()}: has {len(layer.outputs)} outputs, not one")
        blob = layer.outputs[0]
        tensors[blob] = convert_layer(builder, layer, sources, f"blob:{blob}")

    if input_blob is None:
        fail("the network has no Input layer")
    ends = [blob for blob in tensors if blob not in consumed]
    if len(ends) != 1:
        fail(f"the network has {len(ends)} unread blobs ({', '.join(ends[:5])}), not one output")
    weights.finish()
    result = tensors[ends[0]]
    if result.channels != 3:
        fail(f"the network gives {result.channels} channels, not 3")
    if result.scale != scale:
        fail(f"the network enlarges by {result.scale}, not by --scale {scale}")
    if result.name == INPUT_NAME:
        fail("the network's output is its input")
    # The last node writes the graph's output.
    for node in builder.nodes:
        node.output[:] = [OUTPUT_NAME if o == result.name else o for o in node.output]
        node.input[:] = [OUTPUT_NAME if i == result.name else i for i in node.input]

    graph = helper.make_graph(
        builder.nodes, "network",
        [helper.make_tensor_value_info(INPUT_NAME, TensorProto.FLOAT, [1, 3, "height", "width"])],
        [helper.make_tensor_value_info(OUTPUT_NAME, TensorProto.FLOAT,
                                       [1, 3, f"height_x{scale}", f"width_x{scale}"])],
        builder.initializers)
    model = helper.make_model(graph, opset_imports=[helper.make_opsetid("", OPSET)],
                              producer_name="orvane import-ncnn-network",
                              doc_string=f"Imported from {source_text}")
    onnx.checker.check_model(model, full_check=True)
    return model


# ---------------------------------------------------------------------------------------------
# Package


def write_package(output, model, description):
    output = Path(output)
    parent = output.parent if str(output.parent) else Path(".")
    parent.mkdir(parents=True, exist_ok=True)
    staging = Path(tempfile.mkdtemp(prefix=f".{output.name}.", dir=parent))
    try:
        manifest = {"format": "orvane-network-package", "version": 1,
                    "network": "network.onnx", "description": "description.json"}
        onnx.save_model(model, str(staging / "network.onnx"))
        (staging / "description.json").write_text(
            json.dumps(description, indent=2, ensure_ascii=False) + "\n", encoding="utf-8")
        (staging / "Manifest.json").write_text(json.dumps(manifest, indent=2) + "\n",
                                               encoding="utf-8")
        os.chmod(staging, 0o755)
        if output.exists() or output.is_symlink():
            # A rebuilt package replaces the earlier build's: move it aside, then swap.
            old = Path(tempfile.mkdtemp(prefix=f".{output.name}.old.", dir=parent))
            os.rename(output, old / output.name)
            os.rename(staging, output)
            shutil.rmtree(old)
        else:
            os.rename(staging, output)
    except BaseException:
        shutil.rmtree(staging, ignore_errors=True)
        raise


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("param", type=Path, help="the ncnn .param file")
    parser.add_argument("bin", type=Path, help="the ncnn .bin file")
    parser.add_argument("output", type=Path, help="the package folder to write (NAME.mlpackage)")
    parser.add_argument("--scale", type=int, required=True, help="how many times it enlarges")
    parser.add_argument("--source", required=True, help="where the network comes from")
    parser.add_argument("--license", required=True, help="its licence")
    parser.add_argument("--sizes", default="256,512",
                        help="input tile sizes, comma separated (default 256,512)")
    arguments = parser.parse_args(argv)
    try:
        arguments.sizes = [int(s) for s in arguments.sizes.split(",")]
    except ValueError:
        parser.error(f"--sizes {arguments.sizes!r} is not a list of integers")
    if not arguments.sizes or min(arguments.sizes) < 1 or arguments.scale < 1:
        parser.error("--sizes and --scale must be positive")
    return arguments


def main(argv):
    arguments = parse_arguments(argv)
    layers = read_param(arguments.param)
    weights = Weights(arguments.bin.read_bytes())
    model = build_model(layers, weights, arguments.scale, arguments.source)
    description = {
        "creatorDefined": {"scale": str(arguments.scale), "source": arguments.source,
                           "license": arguments.license},
        "inputs": [{"name": INPUT_NAME,
                    "image": {"pixelFormat": "BGRA8", "sizes": arguments.sizes}}],
        "outputs": [{"name": OUTPUT_NAME,
                     "image": {"pixelFormat": "BGRA8",
                               "sizes": [s * arguments.scale for s in arguments.sizes]}}],
        "pixels": {"range": 1, "channelOrder": "RGB"},
    }
    write_package(arguments.output, model, description)
    print(f"import-ncnn-network: {arguments.param.name} → {arguments.output} "
          f"({len(layers)} layers, {len(model.graph.node)} nodes)")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except (ConversionError, OSError, UnicodeDecodeError) as error:
        print(f"import-ncnn-network: {error}", file=sys.stderr)
        sys.exit(1)
