"""A float64 numpy evaluation of an ncnn network, written from ncnn's own layer semantics and kept
apart from tools/import-ncnn-network.py, so that the two check each other.

A network is a list of Layer records (type, input blobs, output blobs, settings, weights); load()
reads one from a .param/.bin pair, and the tests build others in memory. run() evaluates it on a
[3, H, W] array. Only the layer types of the enlarging networks are known.
"""

import struct
from dataclasses import dataclass, field

import numpy as np


@dataclass
class Layer:
    kind: str
    inputs: list
    outputs: list
    params: dict = field(default_factory=dict)
    weights: list = field(default_factory=list)  # float64 arrays, in the .bin's order


def _number(text):
    return float(text) if any(c in text for c in ".eE") else int(text)


def _params(tokens):
    params = {}
    for token in tokens:
        key, value = token.split("=")
        key = int(key)
        if key <= -23300:
            values = [_number(v) for v in value.split(",")[1:]]
            params[-23300 - key] = values
        else:
            params[key] = _number(value)
    return params


def load(param_path, bin_path):
    lines = [line.split() for line in open(param_path, encoding="ascii") if line.strip()]
    assert lines[0] == ["7767517"]
    data, offset = open(bin_path, "rb").read(), 0

    def plain(count):
        nonlocal offset
        values = struct.unpack_from(f"<{count}f", data, offset)
        offset += 4 * count
        return np.array(values, dtype=np.float64)

    def half(count):
        nonlocal offset
        assert struct.unpack_from("<I", data, offset)[0] == 0x01306B47
        offset += 4
        values = np.frombuffer(data, dtype="<f2", count=count, offset=offset)
        offset += (2 * count + 3) // 4 * 4
        return values.astype(np.float64)

    layers = []
    for tokens in lines[2:]:
        n_in, n_out = int(tokens[2]), int(tokens[3])
        layer = Layer(tokens[0], tokens[4:4 + n_in], tokens[4 + n_in:4 + n_in + n_out],
                      _params(tokens[4 + n_in + n_out:]))
        if layer.kind == "Convolution":
            layer.weights.append(half(layer.params[6]))
            if layer.params.get(5, 0):
                layer.weights.append(plain(layer.params[0]))
        elif layer.kind == "PReLU":
            layer.weights.append(plain(layer.params[0]))
        layers.append(layer)
    assert offset == len(data), "the .bin holds more than the layers read"
    return layers


def _convolution(layer, x):
    outputs, k = layer.params[0], layer.params[1]
    pad = layer.params.get(4, 0)
    kernel = layer.weights[0].reshape(outputs, x.shape[0], k, k)
    padded = np.pad(x, ((0, 0), (pad, pad), (pad, pad)))
    height, width = padded.shape[1] - k + 1, padded.shape[2] - k + 1
    y = np.zeros((outputs, height, width))
    for i in range(k):
        for j in range(k):
            window = padded[:, i:i + height, j:j + width].reshape(x.shape[0], -1)
            y += (kernel[:, :, i, j] @ window).reshape(outputs, height, width)
    if layer.params.get(5, 0):
        y += layer.weights[1][:, None, None]
    if layer.params.get(9, 0) == 2:
        slope = layer.params[10][0]
        y = np.where(y > 0, y, y * slope)
    return y


def _pixel_shuffle(factor, x):
    # Output channel p, sub-pixel row sh and column sw come from input channel
    # p·factor² + sh·factor + sw.
    channels, height, width = x.shape
    out = np.zeros((channels // factor ** 2, height * factor, width * factor))
    for p in range(out.shape[0]):
        for sh in range(factor):
            for sw in range(factor):
                out[p, sh::factor, sw::factor] = x[p * factor * factor + sh * factor + sw]
    return out


def run(layers, picture):
    """picture: [3, H, W] in 0…1. Returns the network's last blob, float64."""
    blobs = {}
    last = None
    for layer in layers:
        xs = [blobs[name] for name in layer.inputs]
        if layer.kind == "Input":
            ys = [np.asarray(picture, dtype=np.float64)]
        elif layer.kind == "Split":
            ys = [xs[0]] * len(layer.outputs)
        elif layer.kind == "Convolution":
            ys = [_convolution(layer, xs[0])]
        elif layer.kind == "PReLU":
            slopes = layer.weights[0]
            slope = slopes[:, None, None] if slopes.size > 1 else slopes[0]
            ys = [np.where(xs[0] > 0, xs[0], xs[0] * slope)]
        elif layer.kind == "Eltwise":
            assert layer.params.get(0) == 1
            coefficients = layer.params.get(1, [1.0] * len(xs))
            ys = [sum(c * x for c, x in zip(coefficients, xs))]
        elif layer.kind == "BinaryOp":
            assert layer.params.get(0, 0) == 0
            ys = [xs[0] + xs[1]]
        elif layer.kind == "Concat":
            ys = [np.concatenate(xs, axis=0)]
        elif layer.kind == "Interp":
            factor = int(layer.params[1])
            ys = [xs[0].repeat(factor, axis=1).repeat(factor, axis=2)]
        elif layer.kind == "PixelShuffle":
            ys = [_pixel_shuffle(layer.params[0], xs[0])]
        else:
            raise NotImplementedError(layer.kind)
        for name, y in zip(layer.outputs, ys):
            blobs[name] = y
        last = layer.outputs[-1]
    return blobs[last]
