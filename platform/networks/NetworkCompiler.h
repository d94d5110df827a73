#pragma once

#include <filesystem>

namespace orvane::NetworkCompiler {

// How far ONNX Runtime optimises the graph. `all` adds its blocked memory layout, which speeds most
// convolution networks up but puts a reorder on each side of every operator that has no blocked
// form: a network with a PReLU after each convolution runs faster with `extended`.
enum class Optimisation { extended, all };

// Turns a network package into a compiled bundle at `bundle` (which must not exist yet): the
// network as ONNX Runtime optimises it, and the same description. Throws NetworkError.
void compile(const std::filesystem::path& package, const std::filesystem::path& bundle,
             Optimisation optimisation = Optimisation::all);

} // namespace orvane::NetworkCompiler
