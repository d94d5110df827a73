#include "core/upscale/ModelStore.h"

#include "platform/files/FileDates.h"
#include "platform/files/Sha256.h"
#include "platform/files/UserFolders.h"
#include "platform/networks/Network.h"
#include "platform/networks/NetworkCompiler.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <system_error>

namespace orvane::ModelStore {

namespace fs = std::filesystem;

std::filesystem::path folder() {
    return UserFolders::caches() / "Zentrel" / "compiled";
}

std::string formatSeconds(double seconds) {
    // Plain decimals between 10⁻⁴ and 2⁵³, an exponent outside: "1700000000.5", "1e+16", "1e-05".
    const double magnitude = std::fabs(seconds);
    const bool plain = magnitude == 0 || (magnitude >= 1e-4 && magnitude < 9007199254740992.0);
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, seconds,
                                            plain ? std::chars_format::fixed : std::chars_format::scientific);
    std::string text(buffer, error == std::errc{} ? end : buffer);
    if (plain && text.find('.') == std::string::npos) {
        text += ".0";
    }
    return text;
}

std::string compiledName(const fs::path& package, double manifestModified) {
    const std::string identity = package.filename().string() + "|" + formatSeconds(manifestModified);
    const auto digest =
        Sha256::digest(std::span(reinterpret_cast<const std::uint8_t*>(identity.data()), identity.size()));
    return package.stem().string() + "-" + Sha256::hex(std::span(digest).first(8)) + ".mlmodelc";
}

fs::path compiledURL(const fs::path& package) {
    std::error_code error;
    fs::create_directories(folder(), error);
    if (error) {
        throw NetworkError("The folder for compiled networks couldn't be created: " + error.message() + ".");
    }
    const auto manifestDate = FileDates::modified(package / "Manifest.json");
    if (!manifestDate) {
        throw NetworkError("The network “" + package.filename().string() + "” has no Manifest.json.");
    }
    // Whole seconds and the nanoseconds apart, so that the name stays the one earlier versions gave.
    const auto sinceEpoch =
        std::chrono::duration_cast<std::chrono::nanoseconds>(manifestDate->time_since_epoch());
    const auto seconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
    const double modified =
        static_cast<double>(seconds.count()) + static_cast<double>((sinceEpoch - seconds).count()) / 1e9;
    const fs::path destination = folder() / compiledName(package, modified);
    // A bundle an earlier version made under the same name, or one a crash or a full disk left
    // damaged (a file missing or cut short), is compiled again in its place.
    if (fs::exists(destination, error)) {
        if (!NetworkCompiler::isIntact(destination)) {
            NetworkCompiler::replace(package, destination);
        }
        return destination;
    }
    try {
        NetworkCompiler::compile(package, destination);
    } catch (const NetworkError&) {
        // Another process may have compiled the same version meanwhile; its copy serves as well.
        if (NetworkCompiler::isIntact(destination)) {
            return destination;
        }
        throw;
    }
    return destination;
}

} // namespace orvane::ModelStore
