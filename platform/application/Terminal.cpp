#include "platform/application/Terminal.h"

#include <unistd.h>

namespace orvane::Terminal {

bool showsStandardError() {
    return ::isatty(STDERR_FILENO) != 0;
}

} // namespace orvane::Terminal
