#pragma once

#include <filesystem>

namespace orvane::NetworkCompiler {

// Turns a network package into a compiled bundle at `bundle` (which must not exist yet): the
// network's layers as the runner executes them, with the scales of residual sums folded into the
// convolutions before them, and the same description. Throws UnsupportedNetwork for a network with
// a layer the runner doesn't have, and NetworkError for any other failure; either way nothing is
// left at `bundle`.
// The bundle is written durably: its files and folder reach the disk before it is given its name,
// and the name before this returns, so that a crash leaves either no bundle or a whole one.
void compile(const std::filesystem::path& package, const std::filesystem::path& bundle);

// Compiles `package` again in place of what is at `bundle` (a damaged bundle, or one an earlier
// version made), which is set aside only once the new bundle is whole, so that the name never holds
// half a bundle. When another process puts a whole bundle there meanwhile, that one stays. Throws
// as `compile` does.
void replace(const std::filesystem::path& package, const std::filesystem::path& bundle);

// Whether `bundle` is whole as `compile` made it: its manifest reads, records every file this
// version writes, and each of them has the recorded size and modification time. Reads no file but
// the manifest; a bundle whose manifest records no times (an earlier version's) is not whole.
bool isIntact(const std::filesystem::path& bundle);

} // namespace orvane::NetworkCompiler
