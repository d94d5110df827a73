"""Tests of tools/import-ncnn-network.py on a small ncnn network that uses every layer type the
importer knows, written here as ncnn writes it, against a float64 evaluation of the same network
(ncnn_reference.run) on the weights held in memory."""

import json
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

import numpy as np
import onnx

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent.parent
sys.path.insert(0, str(HERE))
sys.path.insert(0, str(ROOT / "tools"))

import ncnn_reference  # noqa: E402
from ncnn_reference import Layer  # noqa: E402
from onnx_numpy_eval import evaluate  # noqa: E402

IMPORTER = ROOT / "tools" / "import-ncnn-network.py"
FP16_TAG = 0x01306B47


def fp16_values(random, count, spread=0.3):
    # The weights as ncnn stores them: the reference computes with exactly these values.
    return (random.standard_normal(count) * spread).astype(np.float16).astype(np.float64)


def convolution(random, inputs, outputs, source, target, slope=None, bias=True):
    params = {0: outputs, 1: 3, 4: 1, 5: int(bias), 6: outputs * inputs * 9}
    weights = [fp16_values(random, outputs * inputs * 9)]
    if bias:
        weights.append(random.standard_normal(outputs) * 0.1)
    if slope is not None:
        params.update({9: 2, 10: [slope]})
    return Layer("Convolution", [source], [target], params, weights)


def small_network(seed=7):
    """Every supported layer type: 3 channels in, 2× larger out. The first convolution has an odd
    number of fp16 weights (135), so its values are followed by two bytes of padding."""
    random = np.random.default_rng(seed)
    return [
        Layer("Input", [], ["data"]),
        Layer("Split", ["data"], ["data_0", "data_1"]),
        convolution(random, 3, 5, "data_0", "c1"),
        Layer("PReLU", ["c1"], ["p1"], {0: 5}, [random.uniform(0.05, 0.4, 5)]),
        Layer("Split", ["p1"], ["p1_0", "p1_1", "p1_2"]),
        convolution(random, 5, 4, "p1_0", "c2", slope=0.2),
        Layer("Concat", ["p1_1", "c2"], ["joined"], {0: 0}),
        convolution(random, 9, 5, "joined", "c3", slope=0.1),
        # Unequal coefficients, so that applying them to the wrong inputs shows.
        Layer("Eltwise", ["c3", "p1_2"], ["sum"], {0: 1, 1: [0.2, 1.0]}),
        convolution(random, 5, 12, "sum", "c4", bias=False),
        Layer("PixelShuffle", ["c4"], ["shuffled"], {0: 2}),
        Layer("Interp", ["data_1"], ["near"], {0: 1, 1: 2.0, 2: 2.0}),
        Layer("BinaryOp", ["shuffled", "near"], ["added"], {0: 0}),
        Layer("PReLU", ["added"], ["output"], {0: 1}, [np.array([0.25])]),
    ]


def param_text(layers):
    def value(v):
        return f"{v:e}" if isinstance(v, float) else str(v)

    lines = ["7767517", f"{len(layers)} {len({b for layer in layers for b in layer.outputs})}"]
    for index, layer in enumerate(layers):
        settings = []
        for key, v in layer.params.items():
            if isinstance(v, list):
                settings.append(f"{-23300 - key}={len(v)}," + ",".join(value(x) for x in v))
            else:
                settings.append(f"{key}={value(v)}")
        lines.append(" ".join([layer.kind, f"{layer.kind.lower()}_{index}", str(len(layer.inputs)),
                               str(len(layer.outputs)), *layer.inputs, *layer.outputs, *settings]))
    return "\n".join(lines) + "\n"


def bin_bytes(layers, tag=FP16_TAG):
    data = bytearray()
    for layer in layers:
        for index, weights in enumerate(layer.weights):
            if layer.kind == "Convolution" and index == 0:
                values = weights.astype("<f2").tobytes()
                data += struct.pack("<I", tag) + values + b"\0" * ((4 - len(values) % 4) % 4)
            else:
                data += weights.astype("<f4").tobytes()
    return bytes(data)


class ImporterRun:
    def __init__(self, folder, param, weights, *extra):
        folder = Path(folder)
        (folder / "n.param").write_text(param, encoding="ascii")
        (folder / "n.bin").write_bytes(weights)
        self.package = folder / "n.mlpackage"
        self.result = subprocess.run(
            [sys.executable, str(IMPORTER), str(folder / "n.param"), str(folder / "n.bin"),
             str(self.package), "--source", "a test", "--license", "MIT", *extra],
            capture_output=True, text=True)


class ImportedNetworkComputesWhatNcnnDoes(unittest.TestCase):
    def test_every_layer_type_matches_the_reference(self):
        layers = small_network()
        picture = np.random.default_rng(1).uniform(0, 1, (3, 9, 7))  # not square
        with tempfile.TemporaryDirectory() as folder:
            run = ImporterRun(folder, param_text(layers), bin_bytes(layers), "--scale", "2",
                              "--sizes", "64,128")
            self.assertEqual(run.result.returncode, 0, run.result.stderr)
            model = onnx.load(str(run.package / "network.onnx"))
            description = json.loads((run.package / "description.json").read_text(encoding="utf-8"))
        got = evaluate(model, {"input": picture[None].astype(np.float32)})["output"][0]
        expected = ncnn_reference.run(layers, picture)
        self.assertEqual(got.shape, (3, 18, 14))
        self.assertLess(np.abs(got - expected).max(), 1e-4)
        # The output is not flat, so that a wrong order of any layer shows.
        self.assertGreater(expected.std(), 0.1)
        self.assertEqual(description["pixels"], {"range": 1, "channelOrder": "RGB"})
        self.assertEqual(description["outputs"][0]["image"]["sizes"], [128, 256])

    def test_the_reference_tells_the_likely_mistakes_apart(self):
        # The tolerance above is far below what each of these mistakes changes.
        layers = small_network()
        picture = np.random.default_rng(1).uniform(0, 1, (3, 9, 7))
        expected = ncnn_reference.run(layers, picture)

        swapped = small_network()
        swapped[8].params[1] = [1.0, 0.2]
        self.assertGreater(np.abs(ncnn_reference.run(swapped, picture) - expected).max(), 1e-2)

        shuffled = small_network()
        c4 = shuffled[9]
        # Depth-first order: input channel (sh·2 + sw)·3 + p instead of p·4 + sh·2 + sw.
        kernel = c4.weights[0].reshape(12, 5, 3, 3)
        c4.weights[0] = kernel.reshape(3, 4, 5, 3, 3).transpose(1, 0, 2, 3, 4).reshape(-1)
        self.assertGreater(np.abs(ncnn_reference.run(shuffled, picture) - expected).max(), 1e-2)


class ImporterRefuses(unittest.TestCase):
    def refused(self, param=None, weights=None, extra=("--scale", "2")):
        layers = small_network()
        with tempfile.TemporaryDirectory() as folder:
            run = ImporterRun(folder, param if param is not None else param_text(layers),
                              weights if weights is not None else bin_bytes(layers), *extra)
            self.assertEqual(run.result.returncode, 1, run.result.stdout)
            self.assertFalse(run.package.exists())
            self.assertTrue(run.result.stderr.startswith("import-ncnn-network: "))
            return run.result.stderr

    def changed(self, change):
        layers = small_network()
        change(layers)
        return param_text(layers)

    def test_layers_and_settings_it_does_not_know(self):
        cases = {
            "layer type Sigmoid is not handled":
                lambda n: n.__setitem__(13, Layer("Sigmoid", ["added"], ["output"])),
            "int8 quantisation 8=1": lambda n: n[2].params.update({8: 1}),
            "settings [7] are not handled": lambda n: n[2].params.update({7: 1}),
            "activation 9=1": lambda n: n[5].params.update({9: 1}),
            "operation (only 1, sum, is handled) 0=0": lambda n: n[8].params.update({0: 0}),
            "resize type (only 1, nearest, is handled) 0=2": lambda n: n[11].params.update({0: 2}),
            "only equal whole factors": lambda n: n[11].params.update({1: 1.5, 2: 1.5}),
            "channel order 1=1": lambda n: n[10].params.update({1: 1}),
            "a constant operand": lambda n: n[12].params.update({2: 0.5}),
            "axis (only 0, the channels, is handled) 0=1": lambda n: n[6].params.update({0: 1}),
            "need 2 coefficients": lambda n: n[8].params.update({1: [0.2]}),
            "5 slopes for 12 channels": lambda n: n[10].__init__(
                "PReLU", ["c4"], ["shuffled"], {0: 5}, []),
        }
        for message, change in cases.items():
            with self.subTest(message):
                self.assertIn(message, self.refused(param=self.changed(change)))

    def test_weights_it_cannot_read(self):
        layers = small_network()
        weights = bin_bytes(layers)
        self.assertIn("weight tag 0x000D4B38 is not fp16",
                      self.refused(weights=bin_bytes(layers, tag=0x000D4B38)))
        self.assertIn("4 bytes that no layer reads", self.refused(weights=weights + bytes(4)))
        self.assertIn("ends 3 bytes too soon", self.refused(weights=weights[:-3]))

    def test_a_wrong_scale_or_a_broken_graph(self):
        self.assertIn("enlarges by 2, not by --scale 4", self.refused(extra=("--scale", "4")))
        self.assertIn("is not made by an earlier layer",
                      self.refused(param=self.changed(lambda n: n[12].inputs.__setitem__(1, "x"))))
        self.assertIn("is read twice",
                      self.refused(param=self.changed(lambda n: n[6].inputs.__setitem__(0, "p1_0"))))
        self.assertIn("not an ncnn .param file", self.refused(param="7767518\n"))


if __name__ == "__main__":
    unittest.main()
