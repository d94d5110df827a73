#include "tests/support/ProgramRun.h"

#include <spawn.h>
#include <sys/wait.h>

namespace orvane::test {

namespace {

// posix_spawn takes null-terminated arrays of pointers into the strings, which must outlive the call.
std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (std::string& s : strings) {
        result.push_back(s.data());
    }
    result.push_back(nullptr);
    return result;
}

} // namespace

int runProgram(const std::filesystem::path& program, std::vector<std::string> arguments,
               std::vector<std::string> environment) {
    arguments.insert(arguments.begin(), program.string());
    const auto argv = pointers(arguments);
    const auto envp = pointers(environment);
    pid_t child = 0;
    if (::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) {
        return -1;
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace orvane::test
