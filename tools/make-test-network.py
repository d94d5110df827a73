#!/usr/bin/env python3
"""Writes a network package (see platform/networks/NETWORKS.md) holding a 4x nearest-neighbour enlarger.

The tests run it through the network runtime and compare with an enlargement made by hand, so
the network has to be exact: Resize with "asymmetric" coordinates and "floor" rounding maps
output pixel (x, y) to input pixel (x // 4, y // 4).

Usage: make-test-network.py OUTPUT.mlpackage
"""

import json
import os
import shutil
import sys
import tempfile

import numpy
import onnx
from onnx import TensorProto, helper, numpy_helper

SCALE = 4
SIZES = [32, 64, 256]


def network():
    scales = numpy_helper.from_array(numpy.array([1, 1, SCALE, SCALE], dtype=numpy.float32), "scales")
    resize = helper.make_node(
        "Resize",
        ["input", "", "scales"],
        ["output"],
        mode="nearest",
        coordinate_transformation_mode="asymmetric",
        nearest_mode="floor",
    )
    graph = helper.make_graph(
        [resize],
        "nearest4x",
        [helper.make_tensor_value_info("input", TensorProto.FLOAT, [1, 3, "height", "width"])],
        [helper.make_tensor_value_info("output", TensorProto.FLOAT, [1, 3, "outputHeight", "outputWidth"])],
        initializer=[scales],
    )
    model = helper.make_model(graph, opset_imports=[helper.make_opsetid("", 13)])
    model.ir_version = 7  # old enough for any ONNX Runtime of the last years
    onnx.checker.check_model(model)
    return model


def description():
    def image(name, sizes):
        return {"name": name, "image": {"pixelFormat": "BGRA8", "sizes": sizes}}

    return {
        "creatorDefined": {"scale": str(SCALE)},
        "inputs": [image("input", SIZES)],
        "outputs": [image("output", [size * SCALE for size in SIZES])],
        "pixels": {"range": 255, "channelOrder": "RGB"},
    }


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    package = os.path.abspath(sys.argv[1])
    parent = os.path.dirname(package)
    os.makedirs(parent, exist_ok=True)
    # Built beside the destination and renamed into place, so a failed run leaves no half package.
    staging = tempfile.mkdtemp(dir=parent, prefix=".make-test-network-")
    try:
        onnx.save(network(), os.path.join(staging, "network.onnx"))
        with open(os.path.join(staging, "description.json"), "w") as file:
            json.dump(description(), file, indent=4)
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
