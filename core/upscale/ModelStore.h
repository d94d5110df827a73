#pragma once

#include <filesystem>
#include <string>

namespace orvane::ModelStore {

// Where compiled copies of network packages are kept: "Zentrel/compiled" in the user's caches.
std::filesystem::path folder();

// The compiled bundle of a network package, compiled into the cache first when this version of
// the package has no whole copy there yet (each file is checked against its recorded size and
// modification time, without reading it). Throws NetworkError.
std::filesystem::path compiledURL(const std::filesystem::path& package);

// "name-0123456789abcdef.mlmodelc": the package's name and 16 hexadecimal digits of a key made
// from its file name and its manifest's modification time (seconds since 1970).
std::string compiledName(const std::filesystem::path& package, double manifestModified);
// The modification time as the key writes it: the shortest decimal that reads back the same,
// always with a fraction or an exponent ("0.0", "1700000000.5").
std::string formatSeconds(double seconds);

} // namespace orvane::ModelStore
