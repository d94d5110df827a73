#!/usr/bin/env python3
"""Writes a network package (see platform/networks/NETWORKS.md) for the tests.

- nearest4x (the default): a 4x nearest-neighbour enlarger, pixels 0 to 255.
- everylayer4x: a small 4x enlarger with fixed random weights holding every layer the enlarging
  networks have, in import-ncnn-network.py's form, pixels 0 to 1.
- unsupported4x: nearest4x followed by a Sigmoid, a layer no enlarging network has.

The tests run nearest4x through the network runtime and compare with an enlargement made by hand,
so that network has to be exact: Resize with "asymmetric" coordinates and "floor" rounding maps
output pixel (x, y) to input pixel (x // 4, y // 4).

Usage: make-test-network.py OUTPUT.mlpackage [--network nearest4x|everylayer4x|unsupported4x]
"""

import argparse
import json
import os
import shutil
import tempfile

import numpy
import onnx
from onnx import TensorProto, helper, numpy_helper

SCALE = 4
SIZES = [32, 64, 256]


def nearest4x_graph(output):
    scales = numpy_helper.from_array(numpy.array([1, 1, SCALE, SCALE], dtype=numpy.float32), "scales")
    resize = helper.make_node(
        "Resize",
        ["input", "", "scales"],
        [output],
        mode="nearest",
        coordinate_transformation_mode="asymmetric",
        nearest_mode="floor",
    )
    return [resize], [scales]


def model(name, nodes, initializers):
    graph = helper.make_graph(
        nodes,
        name,
        [helper.make_tensor_value_info("input", TensorProto.FLOAT, [1, 3, "height", "width"])],
        [helper.make_tensor_value_info("output", TensorProto.FLOAT, [1, 3, "outputHeight", "outputWidth"])],
        initializer=initializers,
    )
    model = helper.make_model(graph, opset_imports=[helper.make_opsetid("", 13)])
    model.ir_version = 7  # old enough for any ONNX Runtime of the last years
    onnx.checker.check_model(model, full_check=True)
    return model


def nearest4x():
    return model("nearest4x", *nearest4x_graph("output"))


def unsupported4x():
    nodes, initializers = nearest4x_graph("enlarged")
    nodes.append(helper.make_node("Sigmoid", ["enlarged"], ["output"]))
    return model("unsupported4x", nodes, initializers)


class EveryLayer:
    """Builds everylayer4x's graph the way import-ncnn-network.py writes its nodes: each
    convolution padded to keep its size, activations as separate nodes, a scaled term as a Mul
    by a scalar constant feeding an Add."""

    def __init__(self):
        self.random = numpy.random.default_rng(16)
        self.nodes, self.initializers = [], []

    def constant(self, name, array):
        self.initializers.append(numpy_helper.from_array(numpy.ascontiguousarray(array, dtype=numpy.float32), name))
        return name

    def node(self, op, inputs, output, **attributes):
        self.nodes.append(helper.make_node(op, inputs, [output], name=output, **attributes))
        return output

    def conv(self, name, source, inputs, outputs, kernel, gain=1.0):
        # He-style scaling keeps the activations' size from layer to layer; `gain` shrinks a branch.
        spread = gain * numpy.sqrt(2.0 / (inputs * kernel * kernel))
        weight = self.random.normal(0, spread, (outputs, inputs, kernel, kernel))
        bias = self.random.uniform(-0.05, 0.05, outputs)
        pad = kernel // 2
        return self.node(
            "Conv",
            [source, self.constant(f"{name}.weight", weight), self.constant(f"{name}.bias", bias)],
            name,
            kernel_shape=[kernel, kernel],
            strides=[1, 1],
            dilations=[1, 1],
            pads=[pad, pad, pad, pad],
        )

    def leaky(self, source):
        return self.node("LeakyRelu", [source], f"{source}.leaky", alpha=0.2)

    def prelu(self, source, channels):
        slopes = self.random.uniform(0.05, 0.3, (channels, 1, 1))
        return self.node("PRelu", [source, self.constant(f"{source}.slope", slopes)], f"{source}.prelu")

    def scaled(self, source, factor):
        return self.node("Mul", [source, self.constant(f"{source}.coefficient", numpy.array(factor))], f"{source}.scaled")

    def add(self, first, second, output):
        return self.node("Add", [first, second], output)

    def resize(self, source, factor, output):
        scales = self.constant(f"{output}.scales", numpy.array([1, 1, factor, factor]))
        return self.node(
            "Resize",
            [source, "", scales],
            output,
            mode="nearest",
            coordinate_transformation_mode="asymmetric",
            nearest_mode="floor",
        )


def everylayer4x():
    b = EveryLayer()
    features = b.leaky(b.conv("conv0", "input", 3, 16, 3))  # 16
    a = b.prelu(b.conv("conv1", features, 16, 8, 3), 8)  # 8
    # 0.2·conv + y, the convolution read by the Mul alone.
    first = b.add(b.scaled(b.conv("conv2", a, 8, 8, 1), 0.2), a, "sum1")
    # 0.2·(0.2·conv + sum1) + a, Real-ESRGAN's nested residual; the scaled term comes second.
    inner = b.add(b.scaled(b.conv("conv3", first, 8, 8, 3), 0.2), first, "sum2")
    nested = b.add(a, b.scaled(inner, 0.2), "sum3")
    joined = b.node("Concat", [features, first, nested], "concat", axis=1)  # 16 + 8 + 8 = 32
    mixed = b.leaky(b.conv("conv4", joined, 32, 24, 1))  # 24
    body = b.add(b.conv("conv5", mixed, 24, 16, 3, gain=0.5), features, "sum4")  # 16
    upscaled = b.resize(body, 2, "resize2")
    shuffled = b.node("DepthToSpace", [b.prelu(b.conv("conv6", upscaled, 16, 12, 3, gain=0.05), 12)], "shuffle", blocksize=2, mode="CRD")  # 3
    # A long skip: the network learns the difference to the nearest-neighbour enlargement.
    b.add(shuffled, b.resize("input", SCALE, "resize4"), "output")
    return model("everylayer4x", b.nodes, b.initializers)


NETWORKS = {"nearest4x": (nearest4x, 255), "everylayer4x": (everylayer4x, 1), "unsupported4x": (unsupported4x, 255)}


def description(pixel_range):
    def image(name, sizes):
        return {"name": name, "image": {"pixelFormat": "BGRA8", "sizes": sizes}}

    return {
        "creatorDefined": {"scale": str(SCALE)},
        "inputs": [image("input", SIZES)],
        "outputs": [image("output", [size * SCALE for size in SIZES])],
        "pixels": {"range": pixel_range, "channelOrder": "RGB"},
    }


def main():
    parser = argparse.ArgumentParser(usage=__doc__.split("Usage: ")[-1])
    parser.add_argument("package")
    parser.add_argument("--network", choices=NETWORKS, default="nearest4x")
    arguments = parser.parse_args()
    make, pixel_range = NETWORKS[arguments.network]
    package = os.path.abspath(arguments.package)
    parent = os.path.dirname(package)
    os.makedirs(parent, exist_ok=True)
    # Built beside the destination and renamed into place, so a failed run leaves no half package.
    staging = tempfile.mkdtemp(dir=parent, prefix=".make-test-network-")
    try:
        onnx.save(make(), os.path.join(staging, "network.onnx"))
        with open(os.path.join(staging, "description.json"), "w") as file:
            json.dump(description(pixel_range), file, indent=4)
        manifest = {
            "format": "orvane-network-package",
            "version": 1,
            "network": "network.onnx",
            "description": "description.json",
        }
        with open(os.path.join(staging, "Manifest.json"), "w") as file:
            json.dump(manifest, file, indent=4)
        os.chmod(staging, 0o755)
        shutil.rmtree(package, ignore_errors=True)
        os.rename(staging, package)
    except BaseException:
        shutil.rmtree(staging, ignore_errors=True)
        raise


if __name__ == "__main__":
    main()
