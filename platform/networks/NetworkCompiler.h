#pragma once

#include <filesystem>

namespace orvane::NetworkCompiler {

// Turns a network package into a compiled bundle at `bundle` (which must not exist yet): the
// network's layers as the runner executes them, with the scales of residual sums folded into the
// convolutions before them, and the same description. Throws UnsupportedNetwork for a network with
// a layer the runner doesn't have, and NetworkError for any other failure; either way nothing is
// left at `bundle`.
void compile(const std::filesystem::path& package, const std::filesystem::path& bundle);

} // namespace orvane::NetworkCompiler
