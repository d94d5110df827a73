"""Tests of tools/widen-network.py on a small network stored as the subject network is: float32 in
and out, float16 weights, constants and activations between casts."""

import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

import numpy as np
import onnx
from onnx import TensorProto, helper, numpy_helper

ROOT = Path(__file__).resolve().parent.parent.parent
WIDENER = ROOT / "tools" / "widen-network.py"


def half_network(weights, bias, scale):
    nodes = [
        helper.make_node("Cast", ["input"], ["input16"], to=TensorProto.FLOAT16),
        helper.make_node("Conv", ["input16", "w", "b"], ["conv"], pads=[1, 1, 1, 1]),
        helper.make_node("Constant", [], ["scale"],
                         value=numpy_helper.from_array(scale, "scale")),
        helper.make_node("Mul", ["conv", "scale"], ["scaled"]),
        helper.make_node("Shape", ["scaled"], ["shape"]),
        helper.make_node("Cast", ["shape"], ["shape_float"], to=TensorProto.FLOAT),
        helper.make_node("Cast", ["scaled"], ["output"], to=TensorProto.FLOAT),
    ]
    graph = helper.make_graph(
        nodes, "half",
        [helper.make_tensor_value_info("input", TensorProto.FLOAT, [1, 3, 8, 8])],
        [helper.make_tensor_value_info("output", TensorProto.FLOAT, [1, 2, 8, 8])],
        [numpy_helper.from_array(weights, "w"), numpy_helper.from_array(bias, "b")],
        value_info=[helper.make_tensor_value_info("conv", TensorProto.FLOAT16, [1, 2, 8, 8]),
                    helper.make_tensor_value_info("shape", TensorProto.INT64, [4])])
    return helper.make_model(graph, opset_imports=[helper.make_opsetid("", 13)])


class WidenNetwork(unittest.TestCase):
    def test_every_float16_becomes_float32_of_the_same_value_and_nothing_else_changes(self):
        random = np.random.default_rng(7)
        weights = random.normal(size=(2, 3, 3, 3)).astype(np.float16)
        bias = np.array([0.1, -65504], dtype=np.float16)
        scale = np.array(0.3333, dtype=np.float16)
        with tempfile.TemporaryDirectory() as folder:
            source = Path(folder) / "half.onnx"
            widened = Path(folder) / "wide.onnx"
            onnx.save(half_network(weights, bias, scale), source)
            subprocess.run([sys.executable, str(WIDENER), str(source), str(widened)], check=True)
            model = onnx.load(widened)
            self.assertEqual(sorted(p.name for p in Path(folder).iterdir()), ["half.onnx", "wide.onnx"])

        graph = model.graph
        constants = {t.name: numpy_helper.to_array(t) for t in graph.initializer}
        self.assertEqual(constants["w"].dtype, np.float32)
        np.testing.assert_array_equal(constants["w"], weights.astype(np.float32))
        np.testing.assert_array_equal(constants["b"], bias.astype(np.float32))
        constant = numpy_helper.to_array(graph.node[2].attribute[0].t)
        self.assertEqual(constant.dtype, np.float32)
        self.assertEqual(constant, np.float32(scale))

        casts = [(n.input[0], n.attribute[0].i) for n in graph.node if n.op_type == "Cast"]
        self.assertEqual(casts, [("input", TensorProto.FLOAT), ("shape", TensorProto.FLOAT),
                                 ("scaled", TensorProto.FLOAT)])
        types = {v.name: v.type.tensor_type.elem_type
                 for v in list(graph.input) + list(graph.output) + list(graph.value_info)}
        self.assertEqual(types, {"input": TensorProto.FLOAT, "output": TensorProto.FLOAT,
                                 "conv": TensorProto.FLOAT, "shape": TensorProto.INT64})
        self.assertEqual([n.op_type for n in graph.node],
                         ["Cast", "Conv", "Constant", "Mul", "Shape", "Cast", "Cast"])

    def test_a_network_with_subgraphs_is_refused_and_nothing_is_written(self):
        branch = helper.make_graph([helper.make_node("Identity", ["input"], ["kept"])], "branch", [],
                                   [helper.make_tensor_value_info("kept", TensorProto.FLOAT, [1])])
        graph = helper.make_graph(
            [helper.make_node("If", ["condition"], ["output"], then_branch=branch, else_branch=branch)],
            "branching",
            [helper.make_tensor_value_info("condition", TensorProto.BOOL, []),
             helper.make_tensor_value_info("input", TensorProto.FLOAT, [1])],
            [helper.make_tensor_value_info("output", TensorProto.FLOAT, [1])])
        with tempfile.TemporaryDirectory() as folder:
            source = Path(folder) / "branching.onnx"
            onnx.save(helper.make_model(graph), source)
            run = subprocess.run([sys.executable, str(WIDENER), str(source), str(Path(folder) / "wide.onnx")],
                                 capture_output=True, text=True)
            self.assertNotEqual(run.returncode, 0)
            self.assertIn("subgraphs", run.stderr)
            self.assertEqual([p.name for p in Path(folder).iterdir()], ["branching.onnx"])


if __name__ == "__main__":
    unittest.main()
