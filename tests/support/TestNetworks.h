#pragma once

// Networks for the enlarging tests, made from the build's 4× nearest-neighbour test package.

#include "platform/networks/NetworkDescription.h"

#include <filesystem>
#include <functional>

namespace orvane::test {

std::filesystem::path nearest4xPackage();
// The package compiled once per test run.
std::filesystem::path nearest4xBundle();
// A copy of the compiled bundle in `folder` under `name`, with its description changed.
std::filesystem::path bundleVariant(const std::filesystem::path& folder, const std::string& name,
                                    const std::function<void(NetworkDescription&)>& change);

} // namespace orvane::test
