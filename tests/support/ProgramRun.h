#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orvane::test {

// Runs `program` with `arguments` in `environment` alone (nothing of this process's own) and waits
// for it; returns its exit status, or -1 when it could not be started or did not exit by itself.
int runProgram(const std::filesystem::path& program, std::vector<std::string> arguments,
               std::vector<std::string> environment);

} // namespace orvane::test
