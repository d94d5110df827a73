#pragma once

// Networks for the enlarging tests, from the packages that tools/make-test-network.py makes at
// build time.

#include "platform/networks/NetworkDescription.h"

#include <filesystem>
#include <functional>

namespace orvane::test {

// A 4× nearest-neighbour enlarger, pixels 0 to 255.
std::filesystem::path nearest4xPackage();
// A small 4× enlarger with fixed random weights holding every layer the enlarging networks have,
// pixels 0 to 1.
std::filesystem::path everyLayer4xPackage();
// nearest4x followed by a layer no enlarging network has (a Sigmoid).
std::filesystem::path unsupported4xPackage();
// The package compiled once per test run.
std::filesystem::path nearest4xBundle();
// A copy of the compiled bundle in `folder` under `name`, with its description changed.
std::filesystem::path bundleVariant(const std::filesystem::path& folder, const std::string& name,
                                    const std::function<void(NetworkDescription&)>& change);

} // namespace orvane::test
