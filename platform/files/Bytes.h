#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace orvane {

// The content of a file or a buffer; shared where it is handed around without copying.
using Bytes = std::vector<std::uint8_t>;
using SharedBytes = std::shared_ptr<const Bytes>;

} // namespace orvane
