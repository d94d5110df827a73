"""Tests of tools/quantise-network.py and tools/calibrate-network on a small float network with the
operators the imported networks use around their convolutions, against the numpy evaluator."""

import json
import os
import subprocess
import sys
import tempfile
import types
import unittest
from pathlib import Path

import numpy as np
import onnx
from onnx import TensorProto, helper, numpy_helper

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent.parent
sys.path.insert(0, str(HERE))
sys.path.insert(0, str(ROOT / "tools"))

from onnx_numpy_eval import evaluate  # noqa: E402

QUANTISER = ROOT / "tools" / "quantise-network.py"


def load_tool(name, path):
    # The tools' file names have hyphens, so they can't be imported by name.
    module = types.ModuleType(name)
    module.__file__ = str(path)
    sys.modules[name] = module
    exec(compile(Path(path).read_text(), str(path), "exec"), module.__dict__)
    return module


quantiser = load_tool("quantise_network", QUANTISER)
importer = load_tool("import_ncnn_network", ROOT / "tools" / "import-ncnn-network.py")
make_reference = load_tool("make_ncnn_reference", HERE / "make-ncnn-reference.py")


def layers(nodes, constants):
    graph = helper.make_graph(
        nodes, "small",
        [helper.make_tensor_value_info("input", TensorProto.FLOAT, [1, 3, "h", "w"])],
        [helper.make_tensor_value_info("output", TensorProto.FLOAT, [1, 3, "h", "w"])],
        [numpy_helper.from_array(v, k) for k, v in constants.items()])
    return helper.make_model(graph, opset_imports=[helper.make_opsetid("", 13)])


def weights(random, outputs, inputs):
    spread = np.geomspace(0.02, 2.0, outputs).reshape(-1, 1, 1, 1)
    return (random.standard_normal((outputs, inputs, 3, 3)) * spread).astype(np.float32)


CONV = {"kernel_shape": [3, 3], "pads": [1, 1, 1, 1]}


def chain_network(seed=4):
    """input → Conv → PRelu → Conv → LeakyRelu → Conv → + input: two pairs to equalise."""
    random = np.random.default_rng(seed)
    constants = {
        "w1": weights(random, 6, 3), "b1": random.standard_normal(6).astype(np.float32),
        "slope": random.uniform(0.05, 0.3, (6, 1, 1)).astype(np.float32),
        "w2": weights(random, 5, 6), "b2": random.standard_normal(5).astype(np.float32),
        "w3": weights(random, 3, 5) * 0.1,
    }
    return layers([
        helper.make_node("Conv", ["input", "w1", "b1"], ["c1"], name="c1", **CONV),
        helper.make_node("PRelu", ["c1", "slope"], ["p1"], name="p1"),
        helper.make_node("Conv", ["p1", "w2", "b2"], ["c2"], name="c2", **CONV),
        helper.make_node("LeakyRelu", ["c2"], ["l2"], name="l2", alpha=0.2),
        helper.make_node("Conv", ["l2", "w3"], ["c3"], name="c3", **CONV),
        helper.make_node("Add", ["c3", "input"], ["output"], name="sum"),
    ], constants)


def small_network(seed=3):
    """input → Conv (bias) → PRelu → Conv (no bias) → LeakyRelu, concatenated with the PRelu's
    output → Conv → + input. Output channels get weights of very different sizes, so that one
    scale for all of them (or scales along the wrong axis) shows."""
    random = np.random.default_rng(seed)
    constants = {
        "w1": weights(random, 6, 3), "b1": random.standard_normal(6).astype(np.float32),
        "slope": random.uniform(0.05, 0.3, (6, 1, 1)).astype(np.float32),
        "w2": weights(random, 5, 6),
        "w3": weights(random, 3, 11), "b3": (random.standard_normal(3) * 0.1).astype(np.float32),
    }
    conv = CONV
    return layers([
        helper.make_node("Conv", ["input", "w1", "b1"], ["c1"], name="c1", **conv),
        helper.make_node("PRelu", ["c1", "slope"], ["p1"], name="p1"),
        helper.make_node("Conv", ["p1", "w2"], ["c2"], name="c2", **conv),
        helper.make_node("LeakyRelu", ["c2"], ["l2"], name="l2", alpha=0.2),
        helper.make_node("Concat", ["p1", "l2"], ["joined"], name="joined", axis=1),
        helper.make_node("Conv", ["joined", "w3", "b3"], ["c3"], name="c3", **conv),
        helper.make_node("Add", ["c3", "input"], ["output"], name="sum"),
    ], constants)


def picture(height=24, width=20):
    """Whole bytes, RGB [H, W, 3]: a gradient, a hard edge and noise, with a different range in
    every channel so that a swapped channel order changes the ranges."""
    y, x = np.mgrid[0:height, 0:width].astype(np.float64)
    rgb = np.stack([0.1 + 0.8 * x / width, 0.5 + 0.2 * y / height,
                    np.where(x + y > 20, 0.9, 0.05)], axis=-1)
    rgb += np.random.default_rng(9).normal(0, 0.02, rgb.shape)
    return np.round(np.clip(rgb, 0, 1) * 255).astype(np.uint8)


def as_tensor(rgb):
    return rgb.astype(np.float32).transpose(2, 0, 1)[None] / np.float32(255)


def numpy_ranges(model, pictures):
    """Per channel, as calibrate-network gives them: {tensor: [[min, max], ...]}."""
    wanted = set(quantiser.activations(model))
    ranges = {}

    def observe(name, value):
        if name in wanted:
            channels = value[0].reshape(value.shape[1], -1)
            found = np.stack([channels.min(axis=1), channels.max(axis=1)], axis=1)
            old = ranges.get(name, found)
            ranges[name] = np.stack([np.minimum(old[:, 0], found[:, 0]),
                                     np.maximum(old[:, 1], found[:, 1])], axis=1)

    for rgb in pictures:
        evaluate(model, {"input": as_tensor(rgb)}, observe=observe)
    ranges = {name: channels.tolist() for name, channels in ranges.items()}
    ranges["input"] = [[0.0, 1.0]] * 3
    return ranges


def psnr(a, b):
    """Of `a` against `b`, with b's range as the peak."""
    error = np.mean((a.astype(np.float64) - b.astype(np.float64)) ** 2)
    peak = float(b.max() - b.min())
    return float("inf") if error == 0 else 10 * np.log10(peak ** 2 / error)


class QuantisedGraph(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.model = small_network()
        cls.ranges = numpy_ranges(cls.model, [picture()])
        cls.quantised = quantiser.quantise(cls.model, quantiser.per_tensor(cls.ranges))

    def test_every_convolution_sits_between_dequantise_and_quantise(self):
        # The pattern ONNX Runtime turns into an integer convolution: each input from a
        # DequantizeLinear (weights int8, per output channel; bias int32), the output read by one
        # QuantizeLinear (uint8) and nothing else.
        graph = self.quantised.graph
        makers = {o: n for n in graph.node for o in n.output}
        readers = {}
        for node in graph.node:
            for name in node.input:
                readers.setdefault(name, []).append(node)
        constants = {i.name: numpy_helper.to_array(i) for i in graph.initializer}
        convolutions = [n for n in graph.node if n.op_type == "Conv"]
        self.assertEqual(len(convolutions), 3)
        for conv in convolutions:
            sources = [makers[name] for name in conv.input]
            self.assertEqual([s.op_type for s in sources], ["DequantizeLinear"] * len(conv.input))
            self.assertEqual(constants[sources[0].input[2]].dtype, np.uint8)
            self.assertEqual(constants[sources[1].input[0]].dtype, np.int8)
            self.assertEqual(constants[sources[1].input[1]].shape, (conv_outputs := len(
                constants[sources[1].input[0]]),))
            self.assertFalse(constants[sources[1].input[2]].any(), "weights are symmetric")
            if len(conv.input) == 3:
                self.assertEqual(constants[sources[2].input[0]].dtype, np.int32)
                np.testing.assert_allclose(
                    constants[sources[2].input[1]],
                    constants[sources[0].input[1]] * constants[sources[1].input[1]], rtol=1e-6)
                self.assertEqual(constants[sources[2].input[1]].shape, (conv_outputs,))
            self.assertEqual([r.op_type for r in readers[conv.output[0]]], ["QuantizeLinear"])
        self.assertEqual([o.name for o in graph.output], ["output"])
        # Nothing else changed: the other operators are still there, in float.
        others = sorted(n.op_type for n in graph.node if n.op_type not in
                        ("Conv", "QuantizeLinear", "DequantizeLinear"))
        self.assertEqual(others, ["Add", "Concat", "LeakyRelu", "PRelu"])
        onnx.checker.check_model(self.quantised, full_check=True)

    def test_output_stays_close_to_the_float_network(self):
        # On a picture it was not calibrated on, within the calibrated ranges' resolution.
        rgb = picture()[::-1, ::-1].copy()
        expected = evaluate(self.model, {"input": as_tensor(rgb)})["output"]
        got = evaluate(self.quantised, {"input": as_tensor(rgb)})["output"]
        self.assertGreater(psnr(got, expected), 32)
        # Per-tensor weights (one scale for every channel) lose the small channels: far worse.
        flat = onnx.ModelProto()
        flat.CopyFrom(self.quantised)
        for initializer in flat.graph.initializer:
            if initializer.name.endswith(".scale") and initializer.name.startswith("w"):
                values = numpy_helper.to_array(initializer)
                initializer.CopyFrom(numpy_helper.from_array(
                    np.full_like(values, values.max()), initializer.name))
        worse = evaluate(flat, {"input": as_tensor(rgb)})["output"]
        self.assertLess(psnr(worse, expected), psnr(got, expected) - 10)

    def test_activation_ranges_always_hold_zero(self):
        # Zero (the convolutions' padding) must be exact, even for an all-positive range.
        # The rest of the range is covered to within half a step.
        for low, high in ((0.2, 3.0), (-4.0, -1.0), (-1.5, 2.5), (0.0, 0.0)):
            scale, zero_point = quantiser.activation_quantisation(low, high)
            self.assertGreater(scale, 0)
            self.assertTrue(0 <= zero_point <= 255)
            lowest = -int(zero_point) * float(scale)
            highest = (255 - int(zero_point)) * float(scale)
            self.assertLessEqual(lowest, min(low, 0.0) + scale / 2 + 1e-9)
            self.assertGreaterEqual(highest, max(high, 0.0) - scale / 2 - 1e-9)

    def test_refuses_ranges_that_do_not_fit(self):
        for broken in ({k: v for k, v in self.ranges.items() if k != "c2"},
                       {**self.ranges, "c2": [[1.0, -1.0]] * 5},
                       {**self.ranges, "c2": [1.0, 2.0]},
                       {**self.ranges, "c1": [[float("nan"), 1.0]] * 6}):
            with self.assertRaises(quantiser.QuantisationError):
                quantiser.check_ranges(self.model, broken)


class Equalisation(unittest.TestCase):
    def test_evens_out_the_channels_without_changing_the_result(self):
        model = chain_network()
        ranges = numpy_ranges(model, [picture()])
        equalised, scaled = quantiser.equalise(model, ranges)
        rgb = picture()[::-1].copy()
        np.testing.assert_allclose(evaluate(equalised, {"input": as_tensor(rgb)})["output"],
                                   evaluate(model, {"input": as_tensor(rgb)})["output"],
                                   rtol=1e-4, atol=1e-4)
        # The ranges it returns are those the equalised network has.
        for name, channels in numpy_ranges(equalised, [picture()]).items():
            np.testing.assert_allclose(scaled[name], channels, rtol=1e-4, atol=1e-5,
                                       err_msg=name)

        def spread(channels):
            magnitude = np.abs(np.asarray(channels)).max(axis=1)
            return magnitude.max() / np.median(magnitude)

        for name in ("c1", "p1", "c2", "l2"):
            self.assertLess(spread(scaled[name]), spread(ranges[name]) * 0.75, name)
        # The widest channel of a pair's activations keeps its range.
        for pair in (("c1", "p1"), ("c2", "l2")):
            self.assertAlmostEqual(max(np.abs(scaled[name]).max() for name in pair),
                                   max(np.abs(ranges[name]).max() for name in pair), places=3)
        # The network's last convolution feeds the sum, which no factor passes through.
        self.assertEqual(scaled["c3"], ranges["c3"])

    def test_leaves_a_network_without_pairs_alone(self):
        # In small_network every activation has two readers or feeds the sum.
        model = small_network()
        ranges = numpy_ranges(model, [picture()])
        equalised, scaled = quantiser.equalise(model, ranges)
        self.assertEqual(scaled, ranges)
        self.assertEqual(equalised.SerializeToString(), model.SerializeToString())


@unittest.skipUnless(os.environ.get("ORVANE_CALIBRATE_NETWORK"),
                     "ORVANE_CALIBRATE_NETWORK names the built calibrate-network")
class Calibration(unittest.TestCase):
    def test_calibrate_network_finds_the_numpy_ranges(self):
        # The whole tool chain: instrument, calibrate through ONNX Runtime, quantise.
        model = small_network()
        rgb = picture()
        with tempfile.TemporaryDirectory() as folder:
            folder = Path(folder)
            package = folder / "small.mlpackage"
            importer.write_package(package, model, {
                "inputs": [{"name": "input", "image": {"pixelFormat": "BGRA8", "sizes": [20]}}],
                "outputs": [{"name": "output", "image": {"pixelFormat": "BGRA8", "sizes": [20]}}],
                "pixels": {"range": 1, "channelOrder": "RGB"}})
            make_reference.write_png(folder / "picture.png", rgb)
            instrumented = folder / "instrumented.onnx"
            ranges_file = folder / "ranges.json"
            subprocess.run([sys.executable, str(QUANTISER), "instrument", str(package),
                            str(instrumented)], check=True)
            subprocess.run([os.environ["ORVANE_CALIBRATE_NETWORK"], str(package), str(instrumented),
                            str(ranges_file), "--crop", "20", "--crops", "1",
                            str(folder / "picture.png")], check=True, capture_output=True)
            ranges = json.loads(ranges_file.read_text())
            # Only the crop counts: the picture's top-left 20 × 20.
            expected = numpy_ranges(model, [rgb[:20, :20]])
            # The network's output comes too, whether a convolution makes it or not.
            self.assertEqual(sorted(set(ranges) - {"output"}), sorted(expected))
            for name, channels in expected.items():
                np.testing.assert_allclose(ranges[name], channels, rtol=1e-4, atol=1e-5,
                                           err_msg=name)
            subprocess.run([sys.executable, str(QUANTISER), "quantise", str(package),
                            str(ranges_file), str(folder / "small-int8.mlpackage")], check=True,
                           capture_output=True)
            self.assertTrue((folder / "small-int8.mlpackage" / "network.onnx").is_file())


if __name__ == "__main__":
    unittest.main()
