#!/usr/bin/env python3
"""A small numpy evaluator for the ONNX graphs that import-ncnn-network.py writes, and a check that
runs a network package on a picture and compares the result with a reference picture.

    onnx_numpy_eval.py PACKAGE.mlpackage INPUT.png EXPECTED.png [--min-psnr 90]

It knows only the operators the importer emits (Conv, LeakyRelu, PRelu, Concat, Add, Mul, Resize
nearest, DepthToSpace), the quantising ones quantise-network.py adds (QuantizeLinear,
DequantizeLinear) and a few plain activations, and fails on anything else. It is a development aid, not an
inference engine: simple and float32, in the order a reader can follow. Also usable as a module:
evaluate(model, {"input": array}) and read_png(path).
"""

import argparse
import json
import struct
import sys
import zlib
from pathlib import Path

import numpy as np
import onnx
from onnx import numpy_helper


# ---------------------------------------------------------------------------------------------
# PNG (8-bit, non-interlaced grey, grey+alpha, RGB or RGBA)


def read_png(path):
    data = Path(path).read_bytes()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG file")
    position, idat, header = 8, [], None
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        position += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            break
    width, height, depth, colour, _, _, interlace = header
    channels = {0: 1, 4: 2, 2: 3, 6: 4}.get(colour)
    if depth != 8 or channels is None or interlace:
        raise ValueError(f"{path}: only 8-bit, non-interlaced, non-palette PNG files are read")
    raw = np.frombuffer(zlib.decompress(b"".join(idat)), dtype=np.uint8)
    stride = width * channels
    rows = raw.reshape(height, stride + 1)
    image = np.zeros((height, stride), dtype=np.int32)
    previous = np.zeros(stride, dtype=np.int32)
    for y in range(height):
        kind, line = rows[y, 0], rows[y, 1:].astype(np.int32)
        if kind == 0:
            current = line
        elif kind == 2:
            current = (line + previous) & 0xFF
        elif kind in (1, 3, 4):
            current = np.zeros(stride, dtype=np.int32)
            for x in range(stride):
                left = current[x - channels] if x >= channels else 0
                up = previous[x]
                if kind == 1:
                    predictor = left
                elif kind == 3:
                    predictor = (left + up) >> 1
                else:
                    upper_left = previous[x - channels] if x >= channels else 0
                    estimate = left + up - upper_left
                    pa, pb = abs(estimate - left), abs(estimate - up)
                    pc = abs(estimate - upper_left)
                    predictor = left if pa <= pb and pa <= pc else (up if pb <= pc else upper_left)
                current[x] = (line[x] + predictor) & 0xFF
        else:
            raise ValueError(f"{path}: unknown PNG filter {kind}")
        image[y] = current
        previous = current
    return image.astype(np.uint8).reshape(height, width, channels)


# ---------------------------------------------------------------------------------------------
# Operators (NCHW, float32)


def _conv(node, x, w, b=None):
    a = {attribute.name: onnx.helper.get_attribute_value(attribute) for attribute in node.attribute}
    kh, kw = w.shape[2], w.shape[3]
    sh, sw = a.get("strides", [1, 1])
    dh, dw = a.get("dilations", [1, 1])
    group = a.get("group", 1)
    auto_pad = a.get("auto_pad", b"NOTSET")
    auto_pad = auto_pad.decode() if isinstance(auto_pad, bytes) else auto_pad
    height, width = x.shape[2], x.shape[3]
    if auto_pad in ("SAME_UPPER", "SAME_LOWER"):
        pads = []
        for size, k, s, d in ((height, kh, sh, dh), (width, kw, sw, dw)):
            total = max((-(-size // s) - 1) * s + (k - 1) * d + 1 - size, 0)
            small = total // 2
            pads.append((small, total - small) if auto_pad == "SAME_UPPER" else
                        (total - small, small))
        top, bottom = pads[0]
        left, right = pads[1]
    elif auto_pad in ("NOTSET", "VALID"):
        top, left, bottom, right = a.get("pads", [0, 0, 0, 0]) if auto_pad == "NOTSET" else \
            (0, 0, 0, 0)
    else:
        raise NotImplementedError(f"Conv auto_pad {auto_pad}")
    padded = np.pad(x, ((0, 0), (0, 0), (top, bottom), (left, right)))
    out_h = (padded.shape[2] - (kh - 1) * dh - 1) // sh + 1
    out_w = (padded.shape[3] - (kw - 1) * dw - 1) // sw + 1
    in_per_group, out_per_group = x.shape[1] // group, w.shape[0] // group
    y = np.zeros((x.shape[0], w.shape[0], out_h, out_w), dtype=np.float32)
    for g in range(group):
        xg = padded[:, g * in_per_group:(g + 1) * in_per_group]
        wg = w[g * out_per_group:(g + 1) * out_per_group]
        # Every kernel tap's shifted copy of the input, side by side: one matrix product (BLAS)
        # then does the whole convolution. (N, C·kh·kw, H, W)
        patches = np.concatenate(
            [xg[:, :, i * dh:i * dh + (out_h - 1) * sh + 1:sh,
                j * dw:j * dw + (out_w - 1) * sw + 1:sw]
             for i in range(kh) for j in range(kw)], axis=1)
        # Weights in the same order: tap-major, then input channel.
        taps = wg.transpose(0, 2, 3, 1).reshape(out_per_group, -1)
        for n in range(x.shape[0]):
            y[n, g * out_per_group:(g + 1) * out_per_group] = (
                taps @ patches[n].reshape(taps.shape[1], -1)).reshape(-1, out_h, out_w)
    if b is not None:
        y += b.reshape(1, -1, 1, 1)
    return y


def _resize(node, x, roi=None, scales=None, sizes=None):
    a = {attribute.name: onnx.helper.get_attribute_value(attribute) for attribute in node.attribute}
    text = {k: (v.decode() if isinstance(v, bytes) else v) for k, v in a.items()}
    if text.get("mode", "nearest") != "nearest" or \
            text.get("coordinate_transformation_mode") != "asymmetric" or \
            text.get("nearest_mode") != "floor":
        raise NotImplementedError(f"Resize {text}")
    if scales is None or scales.size != 4 or scales[0] != 1 or scales[1] != 1:
        raise NotImplementedError("Resize without NCHW scales [1, 1, h, w]")
    fh, fw = float(scales[2]), float(scales[3])
    out_h, out_w = int(np.floor(x.shape[2] * fh)), int(np.floor(x.shape[3] * fw))
    rows = np.minimum(np.floor(np.arange(out_h) / fh).astype(np.int64), x.shape[2] - 1)
    cols = np.minimum(np.floor(np.arange(out_w) / fw).astype(np.int64), x.shape[3] - 1)
    return x[:, :, rows][:, :, :, cols]


def _depth_to_space(node, x):
    a = {attribute.name: onnx.helper.get_attribute_value(attribute) for attribute in node.attribute}
    block = a["blocksize"]
    mode = a.get("mode", b"DCR")
    mode = mode.decode() if isinstance(mode, bytes) else mode
    n, c, h, w = x.shape
    if mode == "DCR":
        y = x.reshape(n, block, block, c // block ** 2, h, w).transpose(0, 3, 4, 1, 5, 2)
    elif mode == "CRD":
        y = x.reshape(n, c // block ** 2, block, block, h, w).transpose(0, 1, 4, 2, 5, 3)
    else:
        raise NotImplementedError(f"DepthToSpace mode {mode}")
    return y.reshape(n, c // block ** 2, h * block, w * block)


def _concat(node, *xs):
    axis = next(onnx.helper.get_attribute_value(a) for a in node.attribute if a.name == "axis")
    return np.concatenate(xs, axis=axis)


def _leaky_relu(node, x):
    alpha = next(onnx.helper.get_attribute_value(a) for a in node.attribute if a.name == "alpha")
    return np.where(x > 0, x, x * np.float32(alpha))


def _axis_shape(node, x, scale):
    # A per-axis scale or zero point, shaped to broadcast along its axis.
    if np.ndim(scale) == 0:
        return lambda v: v
    axis = next((onnx.helper.get_attribute_value(a) for a in node.attribute if a.name == "axis"), 1)
    shape = [1] * x.ndim
    shape[axis] = -1
    return lambda v: np.reshape(v, shape)


def _quantize(node, x, scale, zero_point):
    shaped = _axis_shape(node, x, scale)
    info = np.iinfo(zero_point.dtype)
    q = np.rint(x / shaped(scale)) + shaped(zero_point).astype(np.float64)
    return np.clip(q, info.min, info.max).astype(zero_point.dtype)


def _dequantize(node, x, scale, zero_point=None):
    shaped = _axis_shape(node, x, scale)
    offset = 0 if zero_point is None else shaped(zero_point).astype(np.float64)
    return ((x.astype(np.float64) - offset) * shaped(scale)).astype(np.float32)


def _check_plain(node):
    if node.attribute:
        raise NotImplementedError(f"{node.op_type} with attributes")


OPERATORS = {
    "Conv": _conv,
    "Resize": _resize,
    "DepthToSpace": _depth_to_space,
    "Concat": _concat,
    "Relu": lambda node, x: (_check_plain(node), np.maximum(x, 0))[1],
    "LeakyRelu": _leaky_relu,
    "PRelu": lambda node, x, slope: (_check_plain(node), np.where(x > 0, x, x * slope))[1],
    "Sigmoid": lambda node, x: (_check_plain(node), 1 / (1 + np.exp(-x)))[1],
    "Tanh": lambda node, x: (_check_plain(node), np.tanh(x))[1],
    "Identity": lambda node, x: x,
    "QuantizeLinear": _quantize,
    "DequantizeLinear": _dequantize,
    "Add": lambda node, x, y: (_check_plain(node), x + y)[1],
    "Mul": lambda node, x, y: (_check_plain(node), x * y)[1],
}


def evaluate(model, feeds, observe=None):
    """Runs model (an onnx.ModelProto) on feeds {name: array}; returns {output name: array}.
    observe(name, array), when given, sees every tensor the graph makes, and the feeds."""
    values = {i.name: numpy_helper.to_array(i) for i in model.graph.initializer}
    values.update({k: np.asarray(v, dtype=np.float32) for k, v in feeds.items()})
    if observe is not None:
        for name in feeds:
            observe(name, values[name])
    remaining = {}
    for node in model.graph.node:
        for name in node.input:
            if name:
                remaining[name] = remaining.get(name, 0) + 1
    outputs = {o.name for o in model.graph.output}
    for node in model.graph.node:
        if node.op_type not in OPERATORS or node.domain not in ("", "ai.onnx"):
            raise NotImplementedError(f"operator {node.domain}:{node.op_type}")
        arguments = [values[name] if name else None for name in node.input]
        result = OPERATORS[node.op_type](node, *arguments)
        values[node.output[0]] = (result if node.op_type == "QuantizeLinear" else
                                  result.astype(np.float32, copy=False))
        if observe is not None:
            observe(node.output[0], values[node.output[0]])
        for name in node.input:  # free what no later node reads
            if name:
                remaining[name] -= 1
                if remaining[name] == 0 and name not in outputs and name not in feeds:
                    values.pop(name, None)
    return {name: values[name] for name in outputs}


# ---------------------------------------------------------------------------------------------
# Checking a package against a reference picture


def psnr(a, b):
    error = np.mean((a.astype(np.float64) - b.astype(np.float64)) ** 2)
    return float("inf") if error == 0 else 10 * np.log10(255.0 ** 2 / error)


# Ways a float picture in 0…255 becomes bytes.
TO_BYTES = {
    "round half up": lambda v: np.floor(np.clip(v, 0, 255) + 0.5),
    "round half even": lambda v: np.rint(np.clip(v, 0, 255)),
    "truncate": lambda v: np.trunc(np.clip(v, 0, 255)),
}


def run_package(package, rgb):
    """rgb: uint8 [H, W, 3]. Returns the network's output as float [H', W', 3] in 0…255."""
    package = Path(package)
    manifest = json.loads((package / "Manifest.json").read_text(encoding="utf-8"))
    description = json.loads((package / manifest["description"]).read_text(encoding="utf-8"))
    model = onnx.load(str(package / manifest["network"]))
    pixel_range = float(description["pixels"]["range"])
    x = rgb.astype(np.float32).transpose(2, 0, 1)[None] * np.float32(pixel_range / 255.0)
    y = evaluate(model, {"input": x})["output"]
    return y[0].transpose(1, 2, 0) * np.float32(255.0 / pixel_range)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("package", type=Path)
    parser.add_argument("input", type=Path, help="PNG picture (alpha is dropped)")
    parser.add_argument("expected", type=Path, help="PNG picture the network should give")
    parser.add_argument("--min-psnr", type=float, default=90.0)
    arguments = parser.parse_args(argv)

    picture = read_png(arguments.input)
    expected = read_png(arguments.expected)
    if picture.shape[2] == 4:
        print(f"input alpha: {picture[..., 3].min()}…{picture[..., 3].max()} (dropped)")
    if expected.shape[2] == 4:
        print(f"expected alpha: {expected[..., 3].min()}…{expected[..., 3].max()}")
    output = run_package(arguments.package, picture[..., :3])
    if output.shape != expected[..., :3].shape:
        print(f"shape {output.shape} is not the expected {expected[..., :3].shape}")
        return 1
    print(f"output values {output.min():.3f}…{output.max():.3f}")
    best = None
    for name, to_bytes in TO_BYTES.items():
        got = to_bytes(output).astype(np.uint8)
        value = psnr(got, expected[..., :3])
        differing = int(np.count_nonzero(got != expected[..., :3]))
        largest = int(np.abs(got.astype(int) - expected[..., :3].astype(int)).max())
        print(f"{name}: PSNR {value:.2f} dB, {differing} values differ, largest difference "
              f"{largest}")
        best = value if best is None else max(best, value)
    return 0 if best >= arguments.min_psnr else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
