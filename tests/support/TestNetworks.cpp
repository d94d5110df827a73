#include "tests/support/TestNetworks.h"

#include "platform/networks/NetworkCompiler.h"
#include "tests/support/TemporaryDirectory.h"

namespace orvane::test {

namespace fs = std::filesystem;

fs::path nearest4xPackage() {
    return fs::path(ORVANE_TEST_NETWORKS) / "nearest4x.mlpackage";
}

fs::path everyLayer4xPackage() {
    return fs::path(ORVANE_TEST_NETWORKS) / "everylayer4x.mlpackage";
}

fs::path unsupported4xPackage() {
    return fs::path(ORVANE_TEST_NETWORKS) / "unsupported4x.mlpackage";
}

fs::path nearest4xBundle() {
    static const TemporaryDirectory folder;
    static const fs::path bundle = [] {
        const fs::path path = folder / "nearest4x.mlmodelc";
        NetworkCompiler::compile(nearest4xPackage(), path);
        return path;
    }();
    return bundle;
}

fs::path bundleVariant(const fs::path& folder, const std::string& name,
                       const std::function<void(NetworkDescription&)>& change) {
    const fs::path copy = folder / name;
    fs::copy(nearest4xBundle(), copy, fs::copy_options::recursive);
    NetworkDescription description = NetworkDescription::read(copy / "description.json");
    change(description);
    description.write(copy / "description.json");
    return copy;
}

} // namespace orvane::test
