#include "platform/application/DesktopNotification.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace orvane {
namespace {

struct Outcome {
    bool shown = false;
    std::string output;
};

// Runs the notifier with these arguments, and reads what it prints.
Outcome runNotifier(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
        return {};
    }
    // The notifier's own complaints (no session bus, an option it doesn't know) are not the
    // user's business.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = ::posix_spawnp(&child, "notify-send", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    Outcome outcome;
    if (spawned == 0) {
        char buffer[256];
        for (;;) {
            const ssize_t got = ::read(pipe[0], buffer, sizeof buffer);
            if (got > 0 && outcome.output.size() < 4096) {
                outcome.output.append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || (got < 0 && errno != EINTR)) {
                break;
            }
        }
    }
    ::close(pipe[0]);
    if (spawned != 0) {
        return outcome;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return outcome;
        }
    }
    outcome.shown = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return outcome;
}

// The number --print-id prints; anything else (a notifier that ignored the option) is none.
std::optional<std::uint32_t> parseId(std::string output) {
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r' || output.back() == ' ')) {
        output.pop_back();
    }
    const char* end = output.data() + output.size();
    std::uint32_t id = 0;
    const auto [stop, error] = std::from_chars(output.data(), end, id);
    if (output.empty() || error != std::errc{} || stop != end || id == 0) {
        return std::nullopt;
    }
    return id;
}

} // namespace

bool DesktopNotification::show(const std::string& summary, const std::string& body, Look look) {
    std::vector<std::string> arguments = {"notify-send", "--app-name=Orvane",
                                          look == Look::failure ? "--icon=dialog-error"
                                                                : "--icon=image-x-generic"};
    const auto withTexts = [&](std::vector<std::string> options) {
        options.insert(options.begin(), arguments.begin(), arguments.end());
        options.insert(options.end(), {"--", summary, body});
        return options;
    };
    if (id_) {
        if (runNotifier(withTexts({"--replace-id=" + std::to_string(*id_), "--print-id"})).shown) {
            return true;
        }
        // The one on screen may be beyond replacing (its notifier restarted); a new one will do.
        id_.reset();
    }
    Outcome outcome = runNotifier(withTexts({"--print-id"}));
    if (!outcome.shown) {
        // A notifier from before libnotify 0.7.10 refuses the option; it can still show each anew.
        outcome = runNotifier(withTexts({}));
    }
    id_ = outcome.shown ? parseId(outcome.output) : std::nullopt;
    return outcome.shown;
}

} // namespace orvane
