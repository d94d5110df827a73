#include "platform/networks/NetworkManifest.h"

#include "platform/networks/NetworkError.h"

#include <fstream>
#include <nlohmann/json.hpp>

namespace orvane {

namespace fs = std::filesystem;

namespace {
const char* const manifestName = "Manifest.json";

// Packages may come from elsewhere: their file names must not lead out of the folder.
std::string fileNameInFolder(const nlohmann::json& manifest, const char* key, const fs::path& file) {
    const auto name = manifest.at(key).get<std::string>();
    const fs::path path(name);
    if (name.empty() || path.is_absolute() || path != path.filename() || name == "." || name == "..") {
        throw NetworkError(file.string() + ": \"" + key + "\" must name a file in the same folder");
    }
    return name;
}

std::vector<NetworkManifest::File> filesFrom(const nlohmann::json& manifest, const fs::path& file) {
    std::vector<NetworkManifest::File> files;
    if (const auto list = manifest.find("files"); list != manifest.end()) {
        for (const auto& entry : list->get_ref<const nlohmann::json::array_t&>()) {
            NetworkManifest::File recorded{fileNameInFolder(entry, "name", file),
                                           entry.at("bytes").get<std::uint64_t>(),
                                           entry.at("sha256").get<std::string>(), std::nullopt};
            if (const auto modified = entry.find("modified"); modified != entry.end()) {
                recorded.modified = modified->get<std::int64_t>();
            }
            files.push_back(std::move(recorded));
        }
    }
    return files;
}
} // namespace

NetworkManifest NetworkManifest::read(const fs::path& folder, std::string_view format) {
    const fs::path file = folder / manifestName;
    std::ifstream stream(file);
    if (!stream) {
        throw NetworkError("No network manifest at " + file.string());
    }
    NetworkManifest manifest;
    try {
        const auto json = nlohmann::json::parse(stream);
        manifest.format = json.at("format").get<std::string>();
        manifest.version = json.at("version").get<int>();
        manifest.network = fileNameInFolder(json, "network", file);
        manifest.description = fileNameInFolder(json, "description", file);
        manifest.files = filesFrom(json, file);
    } catch (const nlohmann::json::exception& e) {
        throw NetworkError(file.string() + ": " + e.what());
    }
    if (manifest.format != format) {
        throw NetworkError(file.string() + ": the format is \"" + manifest.format + "\", not \"" +
                           std::string(format) + "\"");
    }
    const int expected = format == bundleFormat ? bundleVersion : packageVersion;
    if (manifest.version != expected) {
        throw NetworkError(file.string() + ": version " + std::to_string(manifest.version) +
                           " is not supported");
    }
    return manifest;
}

void NetworkManifest::write(const fs::path& folder) const {
    nlohmann::ordered_json json = {
        {"format", format}, {"version", version}, {"network", network}, {"description", description}};
    if (!files.empty()) {
        auto& list = json["files"] = nlohmann::ordered_json::array();
        for (const auto& entry : files) {
            nlohmann::ordered_json item = {
                {"name", entry.name}, {"bytes", entry.bytes}, {"sha256", entry.sha256}};
            if (entry.modified) {
                item["modified"] = *entry.modified;
            }
            list.push_back(std::move(item));
        }
    }
    const fs::path file = folder / manifestName;
    std::ofstream stream(file);
    stream << json.dump(4) << '\n';
    stream.close();
    if (!stream) {
        throw NetworkError("Could not write " + file.string());
    }
}

} // namespace orvane
