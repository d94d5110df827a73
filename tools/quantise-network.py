#!/usr/bin/env python3
"""Writes an int8 copy of a network package: every convolution in QDQ form, which ONNX Runtime
runs as integer convolutions (VNNI where the processor has it).

    quantise-network.py instrument PACKAGE.mlpackage INSTRUMENTED.onnx
    calibrate-network PACKAGE.mlpackage INSTRUMENTED.onnx RANGES.json PICTURE.png...
    quantise-network.py quantise PACKAGE.mlpackage RANGES.json OUTPUT.mlpackage

Weights: int8, symmetric, one scale per output channel. Biases: int32 at the input scale times
the weight scale. Activations (each convolution's input and output): uint8, one scale and zero
point per tensor, covering the smallest and largest value the float network gives on the
calibration pictures; calibrate-network (C++, ONNX Runtime) finds those on the instrumented copy.
The pictures must be ones the project makes itself, so that the build gives the same network
every time. Everything else in the graph stays float.
Offline tool: needs Debian's python3-onnx and python3-numpy.
"""

import argparse
import json
import sys
import types
from pathlib import Path

import numpy as np
import onnx
from onnx import helper, numpy_helper

HERE = Path(__file__).resolve().parent


def _importer():
    # The importer's file name has hyphens, so it can't be imported by name.
    path = HERE / "import-ncnn-network.py"
    module = types.ModuleType("import_ncnn_network")
    module.__file__ = str(path)
    sys.modules[module.__name__] = module
    exec(compile(path.read_text(), str(path), "exec"), module.__dict__)
    return module


class QuantisationError(Exception):
    pass


# ---------------------------------------------------------------------------------------------
# Calibration


def activations(model):
    """The float tensors to quantise: each convolution's data input and output."""
    initializers = {i.name for i in model.graph.initializer}
    names = []
    for node in model.graph.node:
        if node.op_type == "Conv":
            for name in (node.input[0], node.output[0]):
                if name not in initializers and name not in names:
                    names.append(name)
    return names


def instrument(model):
    """A copy of the float model that also gives every tensor to quantise, for calibrate-network."""
    result = onnx.ModelProto()
    result.CopyFrom(model)
    outputs = {o.name for o in model.graph.output}
    for name in activations(model):
        if name not in outputs and name not in {i.name for i in model.graph.input}:
            result.graph.output.append(helper.make_empty_tensor_value_info(name))
    return result


def check_ranges(model, ranges):
    """ranges: {tensor: [[min, max] per channel]}, as calibrate-network writes them."""
    missing = [name for name in activations(model) if name not in ranges]
    if missing:
        raise QuantisationError(f"the ranges lack {', '.join(missing[:3])}")
    for name in activations(model):
        channels = np.asarray(ranges[name], dtype=np.float64)
        if channels.ndim != 2 or channels.shape[1] != 2 or not len(channels) or \
                not np.isfinite(channels).all() or (channels[:, 0] > channels[:, 1]).any():
            raise QuantisationError(f"{name} has no usable range per channel")


def per_tensor(ranges):
    """{tensor: [min, max]} from ranges per channel."""
    return {name: [float(np.min(np.asarray(c)[:, 0])), float(np.max(np.asarray(c)[:, 1]))]
            for name, c in ranges.items()}


# ---------------------------------------------------------------------------------------------
# Equalising the channels


def equalise(model, ranges, sweeps=4):
    """Rescales channels so that each activation's channels span similar ranges, without changing
    what the network computes. One scale and zero point per activation tensor (all ONNX
    Runtime's integer convolution takes) otherwise spends its 256 steps on the widest channel and
    leaves a narrow one a few. Where Conv A's output reaches Conv B alone, directly or through a
    PRelu or LeakyRelu (both commute with a positive factor per channel), output channel c of A
    (weights and bias) is multiplied by t_c and input channel c of B's weights divided by it.
    t_c = sqrt(w_c / a_c), with a_c the channel's largest magnitude in either activation and w_c
    that of B's weights for it, makes both sqrt(a_c·w_c): the activations even out without
    piling the spread onto B's weights. A sweep does every pair; a few sweeps settle the
    convolutions that are both A and B.

    Returns the new model and the ranges per channel scaled with it."""
    model_copy = onnx.ModelProto()
    model_copy.CopyFrom(model)
    model = model_copy
    ranges = {name: np.asarray(c, dtype=np.float64).copy() for name, c in ranges.items()}
    weights = {i.name: numpy_helper.to_array(i).astype(np.float64) for i in model.graph.initializer}
    readers = {}
    for node in model.graph.node:
        for name in node.input:
            readers.setdefault(name, []).append(node)
    outputs = {o.name for o in model.graph.output}

    def only_reader(name):
        found = readers.get(name, [])
        return found[0] if len(found) == 1 and name not in outputs else None

    def group(node):
        return next((helper.get_attribute_value(a) for a in node.attribute if a.name == "group"), 1)

    pairs = []  # (A, tensors scaled with A's output channels, B)
    for a in model.graph.node:
        if a.op_type != "Conv" or group(a) != 1:
            continue
        tensors = [a.output[0]]
        reader = only_reader(a.output[0])
        if reader is not None and reader.op_type in ("PRelu", "LeakyRelu") and \
                reader.input[0] == a.output[0]:
            if reader.op_type == "LeakyRelu" or np.asarray(weights.get(reader.input[1], [])).size:
                tensors.append(reader.output[0])
                reader = only_reader(reader.output[0])
            else:
                reader = None
        if reader is not None and reader.op_type == "Conv" and group(reader) == 1 and \
                reader.input[0] == tensors[-1] and all(t in ranges for t in tensors):
            pairs.append((a, tensors, reader))

    for _ in range(sweeps):
        for a, tensors, b in pairs:
            magnitude = np.max([np.abs(ranges[t]).max(axis=1) for t in tensors], axis=0)
            w = np.abs(weights[b.input[1]]).max(axis=(0, 2, 3))
            usable = (magnitude > 0) & (w > 0)
            t = np.ones_like(magnitude)
            t[usable] = np.sqrt(w[usable] / magnitude[usable])
            # The widest channel keeps its range: only the others move.
            if usable.any():
                t /= np.max(np.where(usable, magnitude * t, 0)) / np.max(magnitude)
            weights[a.input[1]] *= t.reshape(-1, 1, 1, 1)
            if len(a.input) > 2 and a.input[2]:
                weights[a.input[2]] *= t
            weights[b.input[1]] /= t.reshape(1, -1, 1, 1)
            for name in tensors:
                ranges[name] *= t.reshape(-1, 1)
    scaled = {name for a, _, b in pairs for name in (a.input[1], b.input[1],
                                                       a.input[2] if len(a.input) > 2 else "")}
    for initializer in model.graph.initializer:
        if initializer.name in scaled:
            initializer.CopyFrom(numpy_helper.from_array(
                weights[initializer.name].astype(np.float32), initializer.name))
    return model, {name: c.tolist() for name, c in ranges.items()}


# ---------------------------------------------------------------------------------------------
# The QDQ graph


def activation_quantisation(low, high):
    """uint8 scale and zero point covering [low, high], which always holds 0 exactly (padding)."""
    low, high = min(low, 0.0), max(high, 0.0)
    if high - low < 1e-8:
        high = low + 1e-8
    scale = (high - low) / 255.0
    zero_point = int(np.clip(round(-low / scale), 0, 255))
    return np.float32(scale), np.uint8(zero_point)


def weight_quantisation(weights):
    """int8 weights and one scale per output channel (axis 0), symmetric."""
    largest = np.abs(weights.reshape(weights.shape[0], -1)).max(axis=1).astype(np.float64)
    scales = np.where(largest > 0, largest / 127.0, 1.0)
    shaped = scales.reshape(-1, *([1] * (weights.ndim - 1)))
    quantised = np.clip(np.round(weights / shaped), -127, 127).astype(np.int8)
    return quantised, scales.astype(np.float32)


def quantise(model, ranges):
    """A new model with every Conv between DequantizeLinear and QuantizeLinear nodes."""
    initializers = {i.name: numpy_helper.to_array(i) for i in model.graph.initializer}
    kept = [i for i in model.graph.initializer]
    nodes = []
    added = []
    dequantised = {}  # float tensor → its quantised-and-back copy

    def constant(name, array):
        added.append(numpy_helper.from_array(array, name))
        return name

    def scale_of(name):
        low, high = ranges[name]
        return activation_quantisation(low, high)

    def qdq(name):
        if name not in dequantised:
            scale, zero_point = scale_of(name)
            s = constant(f"{name}.scale", np.array(scale, dtype=np.float32))
            z = constant(f"{name}.zero_point", np.array(zero_point, dtype=np.uint8))
            nodes.append(helper.make_node("QuantizeLinear", [name, s, z], [f"{name}.q"],
                                          name=f"{name}.quantise"))
            nodes.append(helper.make_node("DequantizeLinear", [f"{name}.q", s, z], [f"{name}.dq"],
                                          name=f"{name}.dequantise"))
            dequantised[name] = f"{name}.dq"
        return dequantised[name]

    renamed = {}  # a Conv output → the name the Conv now writes, before its QDQ pair
    for node in model.graph.node:
        if node.op_type != "Conv":
            node = _copy(node, renamed)
            nodes.append(node)
            continue
        data, weight_name = node.input[0], node.input[1]
        bias_name = node.input[2] if len(node.input) > 2 and node.input[2] else None
        if weight_name not in initializers or (bias_name and bias_name not in initializers):
            raise QuantisationError(f"{node.name}: weights that are not constants")
        source = renamed.get(data, data)
        x = qdq(source)
        input_scale, _ = scale_of(source)
        weights, weight_scales = weight_quantisation(initializers[weight_name])
        w = constant(f"{weight_name}.int8", weights)
        ws = constant(f"{weight_name}.scale", weight_scales)
        wz = constant(f"{weight_name}.zero_point", np.zeros(len(weight_scales), dtype=np.int8))
        nodes.append(helper.make_node("DequantizeLinear", [w, ws, wz], [f"{weight_name}.dq"],
                                      name=f"{weight_name}.dequantise", axis=0))
        inputs = [x, f"{weight_name}.dq"]
        if bias_name:
            bias_scales = (weight_scales.astype(np.float64) * float(input_scale)).astype(np.float32)
            bias = np.round(initializers[bias_name] / bias_scales.astype(np.float64))
            b = constant(f"{bias_name}.int32",
                         np.clip(bias, -2**31, 2**31 - 1).astype(np.int32))
            bs = constant(f"{bias_name}.scale", bias_scales)
            bz = constant(f"{bias_name}.zero_point", np.zeros(len(bias_scales), dtype=np.int32))
            nodes.append(helper.make_node("DequantizeLinear", [b, bs, bz], [f"{bias_name}.dq"],
                                          name=f"{bias_name}.dequantise", axis=0))
            inputs.append(f"{bias_name}.dq")
        output = node.output[0]
        convolved = f"{output}.float"
        conv = helper.make_node("Conv", inputs, [convolved], name=node.name)
        conv.attribute.extend(node.attribute)
        nodes.append(conv)
        # The QDQ pair after the Conv, whose copy is what every reader of the output now reads.
        scale, zero_point = scale_of(output)
        s = constant(f"{output}.scale", np.array(scale, dtype=np.float32))
        z = constant(f"{output}.zero_point", np.array(zero_point, dtype=np.uint8))
        nodes.append(helper.make_node("QuantizeLinear", [convolved, s, z], [f"{output}.q"],
                                      name=f"{output}.quantise"))
        nodes.append(helper.make_node("DequantizeLinear", [f"{output}.q", s, z],
                                      [f"{output}.dq"], name=f"{output}.dequantise"))
        renamed[output] = f"{output}.dq"
        # A later Conv reading this output reads the same quantised copy.
        dequantised[f"{output}.dq"] = f"{output}.dq"
        ranges.setdefault(f"{output}.dq", ranges[output])

    used = {name for node in nodes for name in node.input}
    kept = [i for i in kept if i.name in used]
    outputs = []
    for value in model.graph.output:
        if value.name in renamed:
            # The graph's output keeps its name: an Identity gives it.
            nodes.append(helper.make_node("Identity", [renamed[value.name]], [value.name]))
        outputs.append(value)
    graph = helper.make_graph(nodes, model.graph.name, list(model.graph.input), outputs,
                              kept + added)
    result = helper.make_model(graph, opset_imports=list(model.opset_import),
                               producer_name="orvane quantise-network",
                               doc_string=model.doc_string + " (convolutions in int8)")
    result.ir_version = model.ir_version
    onnx.checker.check_model(result, full_check=True)
    return result


def _copy(node, renamed):
    copy = onnx.NodeProto()
    copy.CopyFrom(node)
    copy.input[:] = [renamed.get(name, name) for name in node.input]
    return copy


# ---------------------------------------------------------------------------------------------
# Command line


def read_package(package):
    manifest = json.loads((package / "Manifest.json").read_text(encoding="utf-8"))
    description = json.loads((package / manifest["description"]).read_text(encoding="utf-8"))
    return onnx.load(str(package / manifest["network"])), description


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    command = commands.add_parser("instrument", help="write the float network with its "
                                  "activations as outputs, for calibrate-network")
    command.add_argument("package", type=Path, help="the float network package")
    command.add_argument("output", type=Path, help="the ONNX file to write")
    command = commands.add_parser("quantise", help="write the int8 package")
    command.add_argument("package", type=Path, help="the float network package")
    command.add_argument("ranges", type=Path, help="calibrate-network's ranges (JSON)")
    command.add_argument("output", type=Path, help="the package to write (NAME.mlpackage)")
    arguments = parser.parse_args(argv)

    model, description = read_package(arguments.package)
    if arguments.command == "instrument":
        onnx.save_model(instrument(model), str(arguments.output))
        return 0
    ranges = json.loads(arguments.ranges.read_text(encoding="utf-8"))
    check_ranges(model, ranges)
    model, ranges = equalise(model, ranges)
    quantised = quantise(model, per_tensor(ranges))
    description.setdefault("creatorDefined", {})["quantisation"] = (
        "int8 convolutions: per-channel weights, uint8 activations calibrated on generated "
        "pictures")
    _importer().write_package(arguments.output, quantised, description)
    convolutions = sum(1 for node in model.graph.node if node.op_type == "Conv")
    print(f"quantise-network: {arguments.package.name} → {arguments.output} "
          f"({convolutions} convolutions in int8)")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except (QuantisationError, OSError, ValueError) as error:
        print(f"quantise-network: {error}", file=sys.stderr)
        sys.exit(1)
