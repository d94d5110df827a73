#!/usr/bin/env python3
"""Turns a TensorFlow.js layers model (a Keras functional model, channels_last) into an Orvane
network package: a folder holding Manifest.json, network.onnx and description.json.

    import-tfjs-network.py MODEL_JSON OUTPUT.mlpackage --scale 4 --pixel-range 255|1 [--sizes 256,512]

The ONNX graph takes "input", float32 [1, 3, H, W] (NCHW, RGB, values in the pixel range) and gives
"output", float32 [1, 3, H*scale, W*scale] in the same range. Every Keras layer maps to the matching
ONNX operator; a layer type or a setting this tool does not know stops it with an error rather than
being guessed at. Offline tool: needs Debian's python3-onnx and python3-numpy.
"""

import argparse
import json
import os
import shutil
import sys
import tempfile
from fractions import Fraction
from pathlib import Path

import numpy as np
import onnx
from onnx import TensorProto, helper, numpy_helper

OPSET = 13
INPUT_NAME = "input"
OUTPUT_NAME = "output"


class ConversionError(Exception):
    pass


def fail(message):
    raise ConversionError(message)


# ---------------------------------------------------------------------------------------------
# Weights

_PLAIN_DTYPES = {"float32": np.float32, "float16": np.float16, "int32": np.int32, "bool": np.bool_}
_QUANTIZED_DTYPES = {"uint8": np.uint8, "uint16": np.uint16, "float16": np.float16}


def read_weights(model_json_path, manifest):
    """Returns {weight name: float32/int32 numpy array} from the weightsManifest's shards."""
    weights = {}
    for group in manifest:
        data = b"".join((model_json_path.parent / p).read_bytes() for p in group["paths"])
        offset = 0
        for entry in group["weights"]:
            name, shape, dtype = entry["name"], [int(d) for d in entry["shape"]], entry["dtype"]
            count = int(np.prod(shape, dtype=np.int64)) if shape else 1
            quantization = entry.get("quantization")
            if quantization:
                qtype = quantization.get("dtype")
                if qtype not in _QUANTIZED_DTYPES:
                    fail(f"weight {name}: quantization dtype {qtype!r} is not handled")
                stored = np.dtype(_QUANTIZED_DTYPES[qtype])
            else:
                if dtype not in _PLAIN_DTYPES:
                    fail(f"weight {name}: dtype {dtype!r} is not handled")
                stored = np.dtype(_PLAIN_DTYPES[dtype])
            size = count * stored.itemsize
            if offset + size > len(data):
                fail(f"weight {name}: the shards end before its {size} bytes")
            raw = np.frombuffer(data, dtype=stored.newbyteorder("<"), count=count, offset=offset)
            offset += size
            if quantization and quantization["dtype"] != "float16":
                # Affine quantization: value = quantized * scale + min.
                if "scale" not in quantization or "min" not in quantization:
                    fail(f"weight {name}: quantization without scale and min is not handled")
                value = raw.astype(np.float32) * np.float32(quantization["scale"]) + np.float32(
                    quantization["min"])
            else:
                value = raw
            if dtype in ("float32", "float16"):
                value = value.astype(np.float32)
            elif dtype == "int32":
                value = np.rint(value).astype(np.int32) if quantization else value.astype(np.int32)
            else:
                fail(f"weight {name}: dtype {dtype!r} is not handled")
            if name in weights:
                fail(f"weight {name} appears twice in the manifest")
            weights[name] = value.reshape(shape)
        if offset != len(data):
            fail(f"weight group {group['paths']}: {len(data) - offset} bytes left over")
    return weights


# ---------------------------------------------------------------------------------------------
# Layer settings

# Settings that do not change what a layer computes at inference time.
_IGNORED = {"name", "trainable", "dtype", "kernel_initializer", "bias_initializer",
            "kernel_regularizer", "bias_regularizer", "activity_regularizer", "kernel_constraint",
            "bias_constraint"}

_KNOWN = {
    "InputLayer": {"batch_input_shape", "sparse", "ragged"},
    "Conv2D": {"filters", "kernel_size", "strides", "padding", "data_format", "dilation_rate",
               "groups", "activation", "use_bias"},
    "Activation": {"activation"},
    "Concatenate": {"axis"},
    "Add": set(),
    "UpSampling2D": {"size", "data_format", "interpolation"},
    "MultiplyBeta": {"beta"},
    "PixelShuffle": {"scale"},
}


def layer_kind(class_name):
    # The custom depth-to-space layer is registered as PixelShuffle<scale>x.
    if class_name.startswith("PixelShuffle") and class_name.endswith("x") and \
            class_name[len("PixelShuffle"):-1].isdigit():
        return "PixelShuffle"
    return class_name


def check_settings(layer, kind):
    config = layer["config"]
    unknown = sorted(set(config) - _IGNORED - _KNOWN[kind])
    if unknown:
        fail(f"layer {layer['name']} ({layer['class_name']}): settings not handled: {unknown}")
    if config.get("sparse") or config.get("ragged"):
        fail(f"layer {layer['name']}: sparse or ragged input is not handled")
    if config.get("data_format", "channels_last") != "channels_last":
        fail(f"layer {layer['name']}: data_format {config['data_format']!r} is not handled")
    if config.get("dtype", "float32") != "float32":
        fail(f"layer {layer['name']}: dtype {config['dtype']!r} is not handled")


def pair(value, what, layer):
    if isinstance(value, int):
        return [value, value]
    if isinstance(value, list) and len(value) == 2 and all(isinstance(v, int) for v in value):
        return list(value)
    fail(f"layer {layer['name']}: {what} {value!r} is not a pair of integers")


# Keras axis of a rank-4 NHWC tensor → ONNX axis of the NCHW tensor.
_NHWC_TO_NCHW_AXIS = {0: 0, 1: 2, 2: 3, 3: 1, -1: 1, -2: 3, -3: 2, -4: 0}


# ---------------------------------------------------------------------------------------------
# Graph building


class Tensor:
    """What the importer knows about a tensor: its ONNX name, channel count and its spatial size
    relative to the input's (so that the claimed scale can be checked)."""

    def __init__(self, name, channels, scale):
        self.name, self.channels, self.scale = name, channels, scale


class Builder:
    def __init__(self, weights):
        self.weights = weights
        self.used_weights = set()
        self.nodes = []
        self.initializers = []
        self.counter = 0

    def fresh(self, base):
        self.counter += 1
        return f"{base}__{self.counter}"

    def constant(self, name, array):
        self.initializers.append(numpy_helper.from_array(array, name))
        return name

    def weight(self, layer_name, part):
        key = f"{layer_name}/{part}"
        if key not in self.weights:
            fail(f"layer {layer_name}: weight {key} is missing from the manifest")
        self.used_weights.add(key)
        return self.weights[key]

    def node(self, op, inputs, output, layer_name, **attributes):
        self.nodes.append(helper.make_node(op, inputs, [output], name=self.fresh(layer_name),
                                           **attributes))
        return output

    def activation(self, kind, source, output, layer_name):
        """Appends the ONNX form of a Keras activation; returns the output name."""
        simple = {"relu": "Relu", "sigmoid": "Sigmoid", "tanh": "Tanh", "softplus": "Softplus",
                  "softsign": "Softsign", "elu": "Elu", "selu": "Selu", "exponential": "Exp"}
        if kind == "linear":
            return self.node("Identity", [source], output, layer_name)
        if kind in simple:
            return self.node(simple[kind], [source], output, layer_name)
        if kind == "hard_sigmoid":  # Keras: clip(0.2 x + 0.5, 0, 1), ONNX's defaults
            return self.node("HardSigmoid", [source], output, layer_name, alpha=0.2, beta=0.5)
        if kind in ("swish", "silu"):
            gate = self.node("Sigmoid", [source], self.fresh(layer_name), layer_name)
            return self.node("Mul", [source, gate], output, layer_name)
        fail(f"layer {layer_name}: activation {kind!r} is not handled")


def convert_layer(builder, layer, kind, inputs, output_name):
    """Appends the ONNX nodes for one Keras layer. Returns the output Tensor."""
    name, config = layer["name"], layer["config"]

    def single_input():
        if len(inputs) != 1:
            fail(f"layer {name} ({kind}) takes one input, not {len(inputs)}")
        return inputs[0]

    if kind == "Conv2D":
        source = single_input()
        kernel_size = pair(config["kernel_size"], "kernel_size", layer)
        strides = pair(config["strides"], "strides", layer)
        dilations = pair(config["dilation_rate"], "dilation_rate", layer)
        groups = int(config.get("groups", 1))
        filters = int(config["filters"])
        kernel = builder.weight(name, "kernel")  # HWIO
        expected = (kernel_size[0], kernel_size[1], source.channels // max(groups, 1), filters)
        if groups < 1 or source.channels % groups or filters % groups or \
                tuple(kernel.shape) != expected:
            fail(f"layer {name}: kernel shape {list(kernel.shape)} does not fit {source.channels} "
                 f"input channels, {filters} filters, groups {groups}, kernel {kernel_size}")
        if max(strides) > 1 and max(dilations) > 1:
            fail(f"layer {name}: strides together with dilation are not handled")
        attributes = dict(kernel_shape=kernel_size, strides=strides, dilations=dilations,
                          group=groups)
        padding = config["padding"]
        if padding == "valid":
            attributes["pads"] = [0, 0, 0, 0]
        elif padding == "same":
            if strides == [1, 1]:
                # TensorFlow puts the odd pixel of padding after (bottom/right).
                total = [d * (k - 1) for k, d in zip(kernel_size, dilations)]
                attributes["pads"] = [total[0] // 2, total[1] // 2,
                                      total[0] - total[0] // 2, total[1] - total[1] // 2]
            else:
                # Padding then depends on the input size; SAME_UPPER is TensorFlow's rule.
                attributes["auto_pad"] = "SAME_UPPER"
        else:
            fail(f"layer {name}: padding {padding!r} is not handled")
        weight_name = builder.constant(f"{name}.weight",
                                       np.ascontiguousarray(kernel.transpose(3, 2, 0, 1)))
        conv_inputs = [source.name, weight_name]
        if config["use_bias"]:
            bias = builder.weight(name, "bias")
            if tuple(bias.shape) != (filters,):
                fail(f"layer {name}: bias shape {list(bias.shape)} is not [{filters}]")
            conv_inputs.append(builder.constant(f"{name}.bias", bias))
        activation = config.get("activation", "linear")
        if activation == "linear":
            builder.node("Conv", conv_inputs, output_name, name, **attributes)
        else:
            conv_output = builder.node("Conv", conv_inputs, builder.fresh(name), name,
                                       **attributes)
            builder.activation(activation, conv_output, output_name, name)
        scale = source.scale / Fraction(strides[0]) if strides[0] == strides[1] else None
        if scale is None:
            fail(f"layer {name}: unequal strides are not handled")
        return Tensor(output_name, filters, scale)

    if kind == "Activation":
        source = single_input()
        builder.activation(config["activation"], source.name, output_name, name)
        return Tensor(output_name, source.channels, source.scale)

    if kind == "Concatenate":
        axis = config.get("axis", -1)
        if axis not in (3, -1):
            fail(f"layer {name}: concatenation along axis {axis} (not channels) is not handled")
        if len(inputs) < 2 or len({t.scale for t in inputs}) != 1:
            fail(f"layer {name}: inputs do not have one spatial size")
        builder.node("Concat", [t.name for t in inputs], output_name, name,
                     axis=_NHWC_TO_NCHW_AXIS[axis])
        return Tensor(output_name, sum(t.channels for t in inputs), inputs[0].scale)

    if kind == "Add":
        if len(inputs) < 2:
            fail(f"layer {name}: Add needs at least two inputs")
        if len({(t.channels, t.scale) for t in inputs}) != 1:
            fail(f"layer {name}: inputs of different shapes (broadcasting) are not handled")
        total = inputs[0].name
        for index, term in enumerate(inputs[1:], start=2):
            target = output_name if index == len(inputs) else builder.fresh(name)
            total = builder.node("Add", [total, term.name], target, name)
        return Tensor(output_name, inputs[0].channels, inputs[0].scale)

    if kind == "UpSampling2D":
        source = single_input()
        size = pair(config["size"], "size", layer)
        if size[0] != size[1] or size[0] < 1:
            fail(f"layer {name}: unequal up-sampling factors {size} are not handled")
        interpolation = config.get("interpolation", "nearest")
        scales = builder.constant(f"{name}.scales",
                                  np.array([1, 1, size[0], size[1]], dtype=np.float32))
        if interpolation == "nearest":
            # With an integer factor, output pixel o takes input pixel floor(o / factor).
            builder.node("Resize", [source.name, "", scales], output_name, name, mode="nearest",
                         coordinate_transformation_mode="asymmetric", nearest_mode="floor")
        elif interpolation == "bilinear":
            # Keras resizes with half-pixel centres (tf.image.resize).
            builder.node("Resize", [source.name, "", scales], output_name, name, mode="linear",
                         coordinate_transformation_mode="half_pixel")
        else:
            fail(f"layer {name}: interpolation {interpolation!r} is not handled")
        return Tensor(output_name, source.channels, source.scale * size[0])

    if kind == "MultiplyBeta":
        source = single_input()
        beta = config.get("beta")
        if not isinstance(beta, (int, float)):
            fail(f"layer {name}: MultiplyBeta without a numeric beta")
        factor = builder.constant(f"{name}.beta", np.array(beta, dtype=np.float32))
        builder.node("Mul", [source.name, factor], output_name, name)
        return Tensor(output_name, source.channels, source.scale)

    if kind == "PixelShuffle":
        source = single_input()
        block = int(layer["class_name"][len("PixelShuffle"):-1])
        if config.get("scale", block) != block:
            fail(f"layer {name}: scale {config.get('scale')} disagrees with {layer['class_name']}")
        if source.channels % (block * block):
            fail(f"layer {name}: {source.channels} channels do not divide into {block}×{block}")
        # TensorFlow's depth_to_space orders the channels as (row, column, channel): DCR.
        builder.node("DepthToSpace", [source.name], output_name, name, blocksize=block,
                     mode="DCR")
        return Tensor(output_name, source.channels // (block * block), source.scale * block)

    fail(f"layer {name}: type {layer['class_name']} is not handled")


def topological(layers):
    by_name = {}
    for layer in layers:
        if layer["name"] in by_name:
            fail(f"two layers are named {layer['name']}")
        by_name[layer["name"]] = layer
    order, state = [], {}

    def visit(name, path):
        if state.get(name) == "done":
            return
        if state.get(name) == "open":
            fail(f"the layers form a cycle through {name}")
        if name not in by_name:
            fail(f"{path} refers to the unknown layer {name}")
        state[name] = "open"
        for source in inbound(by_name[name]):
            visit(source, name)
        state[name] = "done"
        order.append(by_name[name])

    for layer in layers:
        visit(layer["name"], "the model")
    return order


def inbound(layer):
    nodes = layer.get("inbound_nodes", [])
    if not nodes:
        return []
    if len(nodes) != 1:
        fail(f"layer {layer['name']} is called {len(nodes)} times; shared layers are not handled")
    names = []
    for entry in nodes[0]:
        if not isinstance(entry, list) or len(entry) < 3:
            fail(f"layer {layer['name']}: inbound entry {entry!r} is not understood")
        source, node_index, tensor_index = entry[0], entry[1], entry[2]
        kwargs = entry[3] if len(entry) > 3 else {}
        if node_index != 0 or tensor_index != 0 or kwargs:
            fail(f"layer {layer['name']}: inbound entry {entry!r} is not handled")
        names.append(source)
    return names


def build_model(model, weights, scale, description_name):
    topology = model.get("modelTopology", {})
    config = topology.get("model_config", topology)
    if config.get("class_name") not in ("Functional", "Model"):
        fail(f"model class {config.get('class_name')!r} is not handled (a functional model is)")
    graph = config["config"]
    if len(graph["input_layers"]) != 1 or len(graph["output_layers"]) != 1:
        fail("only models with one input and one output are handled")
    input_layer = graph["input_layers"][0][0]
    output_layer = graph["output_layers"][0][0]
    if graph["input_layers"][0][1:] != [0, 0] or graph["output_layers"][0][1:] != [0, 0]:
        fail("the model's input or output is not a layer's first tensor")

    builder = Builder(weights)
    tensors = {}
    for layer in topological(graph["layers"]):
        kind = layer_kind(layer["class_name"])
        if kind not in _KNOWN:
            fail(f"layer {layer['name']}: type {layer['class_name']} is not handled")
        check_settings(layer, kind)
        name = layer["name"]
        if kind == "InputLayer":
            if name != input_layer:
                fail(f"input layer {name} is not the model's input")
            shape = layer["config"]["batch_input_shape"]
            if len(shape) != 4 or shape[3] != 3 or shape[0] not in (None, 1):
                fail(f"input shape {shape} is not [batch, height, width, 3]")
            if shape[1] is not None or shape[2] is not None:
                fail(f"input shape {shape} has a fixed height or width")
            tensors[name] = Tensor(INPUT_NAME, 3, Fraction(1))
            continue
        sources = [tensors[s] for s in inbound(layer)]
        if not sources:
            fail(f"layer {name} has no inputs")
        output_name = OUTPUT_NAME if name == output_layer else name
        if output_name in (INPUT_NAME, OUTPUT_NAME) and name != output_layer:
            output_name = builder.fresh(name)
        tensors[name] = convert_layer(builder, layer, kind, sources, output_name)

    if input_layer not in tensors or output_layer not in tensors:
        fail("the model's input or output layer is missing")
    result = tensors[output_layer]
    if result.channels != 3:
        fail(f"the model gives {result.channels} channels, not 3")
    if result.scale != scale:
        fail(f"the model enlarges by {result.scale}, not by --scale {scale}")
    unused = sorted(set(weights) - builder.used_weights)
    if unused:
        fail(f"weights not used by any layer: {unused[:5]}")

    graph_proto = helper.make_graph(
        builder.nodes, "network",
        [helper.make_tensor_value_info(INPUT_NAME, TensorProto.FLOAT, [1, 3, "height", "width"])],
        [helper.make_tensor_value_info(OUTPUT_NAME, TensorProto.FLOAT,
                                       [1, 3, f"height_x{scale}", f"width_x{scale}"])],
        builder.initializers)
    onnx_model = helper.make_model(graph_proto, opset_imports=[helper.make_opsetid("", OPSET)],
                                   producer_name="orvane import-tfjs-network",
                                   doc_string=f"Imported from {description_name}")
    onnx.checker.check_model(onnx_model, full_check=True)
    return onnx_model


# ---------------------------------------------------------------------------------------------
# Package


def find_npm_package(model_json_path):
    for folder in model_json_path.resolve().parents:
        candidate = folder / "package.json"
        if candidate.is_file():
            return json.loads(candidate.read_text(encoding="utf-8"))
    return None


def write_package(output, onnx_model, description):
    output = Path(output)
    parent = output.parent if str(output.parent) else Path(".")
    parent.mkdir(parents=True, exist_ok=True)
    staging = Path(tempfile.mkdtemp(prefix=f".{output.name}.", dir=parent))
    try:
        manifest = {"format": "orvane-network-package", "version": 1,
                    "network": "network.onnx", "description": "description.json"}
        onnx.save_model(onnx_model, str(staging / "network.onnx"))
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
    parser.add_argument("model_json", type=Path, help="the TF.js layers model.json")
    parser.add_argument("output", type=Path, help="the package folder to write (NAME.mlpackage)")
    parser.add_argument("--scale", type=int, required=True, help="how many times it enlarges")
    parser.add_argument("--pixel-range", required=True, choices=["255", "1"],
                        help="the value of white in the network's input and output")
    parser.add_argument("--sizes", default="256,512",
                        help="input tile sizes, comma separated (default 256,512)")
    parser.add_argument("--source", help="where the network comes from (default: name@version "
                                         "from the npm package.json above MODEL_JSON)")
    parser.add_argument("--license", help="its licence (default: from that package.json)")
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
    model = json.loads(arguments.model_json.read_text(encoding="utf-8"))
    if model.get("format", "layers-model") != "layers-model":
        fail(f"format {model.get('format')!r} is not a TF.js layers model")

    package = find_npm_package(arguments.model_json) or {}
    source = arguments.source or (f"{package['name']}@{package['version']}"
                                  if "name" in package and "version" in package else None)
    license_name = arguments.license or package.get("license")
    if not source or not license_name:
        fail("no package.json above MODEL_JSON; give --source and --license")

    weights = read_weights(arguments.model_json, model.get("weightsManifest", []))
    onnx_model = build_model(model, weights, Fraction(arguments.scale), source)
    pixel_range = int(arguments.pixel_range)
    description = {
        "creatorDefined": {"scale": str(arguments.scale), "source": source,
                           "license": license_name},
        "inputs": [{"name": INPUT_NAME,
                    "image": {"pixelFormat": "BGRA8", "sizes": arguments.sizes}}],
        "outputs": [{"name": OUTPUT_NAME,
                     "image": {"pixelFormat": "BGRA8",
                               "sizes": [s * arguments.scale for s in arguments.sizes]}}],
        "pixels": {"range": pixel_range, "channelOrder": "RGB"},
    }
    write_package(arguments.output, onnx_model, description)
    print(f"import-tfjs-network: {source} → {arguments.output} "
          f"({len(onnx_model.graph.node)} nodes, {len(weights)} weights)")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except ConversionError as error:
        print(f"import-tfjs-network: {error}", file=sys.stderr)
        sys.exit(1)
