#pragma once

#include <filesystem>

namespace orvane::NetworkCompiler {

// Turns a network package into a compiled bundle at `bundle` (which must not exist yet): the
// network as ONNX Runtime optimises it, and the same description. Throws NetworkError.
void compile(const std::filesystem::path& package, const std::filesystem::path& bundle);

} // namespace orvane::NetworkCompiler
