#pragma once

#include "intents/CommandLine.h"

#include <sstream>
#include <string>
#include <vector>

namespace orvane::test {

// What one command line printed and how it ended.
struct CommandLineOutcome {
    int status;
    std::string out;
    std::string err;
};

inline CommandLineOutcome runCommandLine(const std::vector<std::string>& arguments,
                                         const CommandLine::Desktop& desktop = {}) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = CommandLine::run(arguments, out, err, desktop);
    return {status, out.str(), err.str()};
}

} // namespace orvane::test
