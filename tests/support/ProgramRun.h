#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orvane::test {

// Runs `program` with `arguments` in `environment` alone (nothing of this process's own) and waits
// for it; returns its exit status, or -1 when it could not be started or did not exit by itself.
int runProgram(const std::filesystem::path& program, std::vector<std::string> arguments,
               std::vector<std::string> environment);

// What a program printed and how it ended (status as runProgram gives it).
struct ProgramOutput {
    int status;
    std::string out;
    std::string err;
};

// As runProgram, keeping what the program writes to standard output and standard error.
ProgramOutput runProgramCapturing(const std::filesystem::path& program, std::vector<std::string> arguments,
                                  std::vector<std::string> environment);

} // namespace orvane::test
