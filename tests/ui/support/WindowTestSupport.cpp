#include "tests/ui/support/WindowTestSupport.h"

#include "tests/support/TestImages.h"

#include <fstream>

namespace orvane::test {

std::filesystem::path writePhoto(const std::filesystem::path& path, int width, int height) {
    const Bytes bytes = encoded(gradient(width, height), ConvertFormat::jpeg);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
}

} // namespace orvane::test
