#!/usr/bin/env python3
"""Multiply-accumulates of a network's convolutions, per pixel of its input, read from an ONNX
file's Conv weight shapes. Run with /usr/bin/python3 (it needs Debian's python3-onnx):

    network-macs.py NETWORK.onnx [--tile 256]

Prints `macs_per_input_pixel=N`, `macs_per_output_pixel=N`, `macs_per_tile=N` and `convs=N`, one
a line. Give it the un-optimised network of a package (STYLE.mlpackage/network.onnx): the
compiled bundle's blocked (NCHWc) convolutions may pad their channel counts, which would count
work the network does not need.

Every tensor carries its spatial size relative to the input: a Conv divides it by its strides, a
DepthToSpace multiplies it by its block size, a Resize or Upsample by its scales on the last two
axes; any other operator keeps the size of its first input that has one. A Conv producing a tensor
at relative size (fy, fx) costs Cout × Cin/group × kH × kW × fy × fx MACs per input pixel.
"""

import argparse
import sys

import onnx
from onnx import numpy_helper


def constant_values(model):
    values = {i.name: numpy_helper.to_array(i) for i in model.graph.initializer}
    for node in model.graph.node:
        if node.op_type == "Constant" and node.domain in ("", "ai.onnx"):
            for attribute in node.attribute:
                if attribute.name == "value":
                    values[node.output[0]] = numpy_helper.to_array(attribute.t)
    return values


def attribute(node, name, default=None):
    for a in node.attribute:
        if a.name == name:
            return onnx.helper.get_attribute_value(a)
    return default


def macs_per_input_pixel(model):
    values = constant_values(model)
    scale = {i.name: (1.0, 1.0) for i in model.graph.input if i.name not in values}
    total = 0.0
    convs = 0
    for node in model.graph.node:  # ONNX graphs are topologically sorted
        known = [scale[name] for name in node.input if name in scale]
        fy, fx = known[0] if known else (1.0, 1.0)
        if node.op_type == "Conv":
            strides = attribute(node, "strides", [1, 1])
            fy, fx = fy / strides[0], fx / strides[1]
            weights = values.get(node.input[1])
            if weights is None or weights.ndim != 4:
                sys.exit(f"network-macs: Conv {node.name!r} has no constant 4-D weights")
            cout, cin_per_group, kh, kw = weights.shape
            total += cout * cin_per_group * kh * kw * fy * fx
            convs += 1
        elif node.op_type == "DepthToSpace":
            block = attribute(node, "blocksize")
            fy, fx = fy * block, fx * block
        elif node.op_type in ("Resize", "Upsample"):
            scales = attribute(node, "scales")  # Upsample-7 and the NCHWc Upsample
            if scales is None:
                candidates = [values.get(name) for name in node.input[1:] if name]
                candidates = [c for c in candidates if c is not None and c.ndim == 1 and len(c) == 4
                              and c.dtype.kind == "f"]
                if not candidates:
                    sys.exit(f"network-macs: {node.op_type} {node.name!r} has no constant scales")
                scales = candidates[-1]
            if len(scales) == 2:  # the NCHWc Upsample gives the spatial scales only
                scales = [1, 1, *scales]
            fy, fx = fy * float(scales[2]), fx * float(scales[3])
        for name in node.output:
            scale[name] = (fy, fx)
    outputs = [scale[o.name] for o in model.graph.output if o.name in scale]
    output_scale = outputs[0] if outputs else (1.0, 1.0)
    return total, convs, output_scale


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("network")
    parser.add_argument("--tile", type=int, default=256)
    args = parser.parse_args()
    model = onnx.load(args.network)
    per_input, convs, (oy, ox) = macs_per_input_pixel(model)
    print(f"macs_per_input_pixel={per_input:.0f}")
    print(f"macs_per_output_pixel={per_input / (oy * ox):.1f}")
    print(f"macs_per_tile={per_input * args.tile * args.tile:.0f}")
    print(f"convs={convs}")


if __name__ == "__main__":
    main()
