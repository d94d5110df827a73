#include "tests/support/ProgramRun.h"

#include <cstdio>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Everything written to `file` from its start.
std::string contents(std::FILE* file) {
    std::rewind(file);
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        text.push_back(static_cast<char>(c));
    }
    return text;
}

int spawnAndWait(const std::filesystem::path& program, std::vector<std::string> arguments,
                 std::vector<std::string> environment, const posix_spawn_file_actions_t* actions) {
    arguments.insert(arguments.begin(), program.string());
    const auto argv = pointers(arguments);
    const auto envp = pointers(environment);
    pid_t child = 0;
    if (::posix_spawn(&child, program.c_str(), actions, nullptr, argv.data(), envp.data()) != 0) {
        return -1;
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

int runProgram(const std::filesystem::path& program, std::vector<std::string> arguments,
               std::vector<std::string> environment) {
    return spawnAndWait(program, std::move(arguments), std::move(environment), nullptr);
}

ProgramOutput runProgramCapturing(const std::filesystem::path& program, std::vector<std::string> arguments,
                                  std::vector<std::string> environment) {
    // Files rather than pipes: a program that prints much cannot block on a pipe nobody reads.
    const std::unique_ptr<std::FILE, decltype(&std::fclose)> out(std::tmpfile(), &std::fclose);
    const std::unique_ptr<std::FILE, decltype(&std::fclose)> err(std::tmpfile(), &std::fclose);
    if (!out || !err) {
        return {-1, "", ""};
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, ::fileno(out.get()), STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, ::fileno(err.get()), STDERR_FILENO);
    const int status = spawnAndWait(program, std::move(arguments), std::move(environment), &actions);
    ::posix_spawn_file_actions_destroy(&actions);
    return {status, contents(out.get()), contents(err.get())};
}

} // namespace orvane::test
