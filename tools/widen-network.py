#!/usr/bin/env python3
"""Writes an ONNX network whose weights and activations are float16 as the same network in float32:
every float16 weight and constant becomes the float32 of the same value (exactly), every cast to
float16 a cast to float32, and every float16 value a float32 one. ONNX Runtime has no float16
kernels on most x86 processors: it runs such a file by casting each weight to float32 on every run
and each activation back and forth, which costs a second copy of the weights in memory besides the
time.

Usage: widen-network.py INPUT.onnx OUTPUT.onnx
"""

import os
import sys

import numpy as np
import onnx
from onnx import TensorProto, numpy_helper


def widened(tensor):
    return numpy_helper.from_array(numpy_helper.to_array(tensor).astype(np.float32), tensor.name)


def widen_value(value):
    tensor_type = value.type.tensor_type
    if tensor_type.elem_type == TensorProto.FLOAT16:
        tensor_type.elem_type = TensorProto.FLOAT


def widen(model):
    graph = model.graph
    for index, tensor in enumerate(graph.initializer):
        if tensor.data_type == TensorProto.FLOAT16:
            graph.initializer[index].CopyFrom(widened(tensor))
    for node in graph.node:
        for attribute in node.attribute:
            if attribute.type == onnx.AttributeProto.TENSOR and attribute.t.data_type == TensorProto.FLOAT16:
                attribute.t.CopyFrom(widened(attribute.t))
            if node.op_type == "Cast" and attribute.name == "to" and attribute.i == TensorProto.FLOAT16:
                attribute.i = TensorProto.FLOAT
            if attribute.type == onnx.AttributeProto.GRAPH:
                raise SystemExit("widen-network: subgraphs (node %s) are not supported" % node.name)
    for value in list(graph.input) + list(graph.output) + list(graph.value_info):
        widen_value(value)
    return model


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    model = widen(onnx.load(argv[1]))
    partial = argv[2] + ".part"
    onnx.save(model, partial)
    os.replace(partial, argv[2])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
