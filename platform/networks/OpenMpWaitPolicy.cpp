// How the networks' threads wait for each other at every layer's barrier. GCC's OpenMP runtime, which
// oneDNN runs on, lets them spin for a while first. Beside other busy programs every barrier then
// stalls on the one thread the system has taken off its core while the others burn theirs: an
// enlargement took six times as long. On free cores, though, spinning is much the quicker: waking a
// sleeping thread at each of a run's thousands of barriers made a 1 MP enlargement half as long again
// in a virtual machine. So the threads sleep at once only when other programs keep cores busy as the
// program starts.
//
// The runtime reads its settings from the environment once, in its own initialiser, and offers no
// way to change them afterwards. Nothing of the executable's own runs before that initialiser but
// its pre-initialisation functions, and what they add to the environment is lost when the C library
// starts (it sets the environment back to the one the process was started with). So the setting
// takes one fresh start of the same program with the variable added, made from here before any
// library has been initialised; whoever set either variable keeps their own choice, and programs
// started from here inherit the setting. Linked into every executable that can run a network.

#include "platform/networks/OpenMpWaitPolicy.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace orvane::OpenMpWaitPolicy {

bool sleepsAtOnce(int otherRunnable, int processors) {
    // A quarter of the cores taken (two of eight) already makes a spinning team wait on them.
    return otherRunnable >= (processors >= 8 ? processors / 4 : 1);
}

int teamSize(int otherRunnable, int processors) {
    return std::max({processors - otherRunnable, processors / 2, 1});
}

} // namespace orvane::OpenMpWaitPolicy

namespace {

constexpr char policyVariable[] = "OMP_WAIT_POLICY=";
constexpr char spinVariable[] = "GOMP_SPINCOUNT=";
constexpr char threadsVariable[] = "OMP_NUM_THREADS=";
char passive[] = "OMP_WAIT_POLICY=passive";

bool setIn(char** environment, const char* prefix) {
    for (char** entry = environment; entry != nullptr && *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, prefix, std::strlen(prefix)) == 0) {
            return true;
        }
    }
    return false;
}

// The threads of other programs ready to run now, from the kernel's count of runnable threads (which
// includes this one), or -1 where it can't be read. Plain system calls: the C library isn't
// initialised yet.
int otherRunnableThreads() {
    const int file = open("/proc/stat", O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return -1;
    }
    char text[16384];
    const ssize_t length = read(file, text, sizeof text - 1);
    close(file);
    if (length <= 0) {
        return -1;
    }
    text[length] = '\0';
    const char* line = std::strstr(text, "procs_running ");
    if (line == nullptr) {
        return -1;
    }
    int running = 0;
    for (const char* digit = line + std::strlen("procs_running "); *digit >= '0' && *digit <= '9'; ++digit) {
        running = running * 10 + (*digit - '0');
    }
    return running - 1;
}

// Runs before the C library is initialised: only the arguments and the system calls are at hand.
void chooseWaitPolicy(int, char** arguments, char** environment) {
    if (arguments == nullptr || environment == nullptr || setIn(environment, policyVariable) ||
        setIn(environment, spinVariable)) {
        return;
    }
    // The command-line actions that never run these networks are spared the second start.
    if (arguments[0] != nullptr && arguments[1] != nullptr &&
        (std::strcmp(arguments[1], "convert") == 0 || std::strcmp(arguments[1], "remove-background") == 0)) {
        return;
    }
    const int others = otherRunnableThreads();
    const long processors = sysconf(_SC_NPROCESSORS_ONLN);
    if (others < 0 || processors < 1 ||
        !orvane::OpenMpWaitPolicy::sleepsAtOnce(others, static_cast<int>(processors))) {
        return;
    }
    std::size_t count = 0;
    while (environment[count] != nullptr) {
        ++count;
    }
    char* withPolicy[count + 3]; // NOLINT: no allocator runs this early
    std::memcpy(withPolicy, environment, count * sizeof(char*));
    withPolicy[count++] = passive;
    // Threads beyond the free cores would only wait for each other; a team size the user gave stays.
    char threads[32] = "OMP_NUM_THREADS=";
    if (!setIn(environment, threadsVariable)) {
        char digits[12];
        int length = 0;
        for (int n = orvane::OpenMpWaitPolicy::teamSize(others, static_cast<int>(processors)); n > 0;
             n /= 10) {
            digits[length++] = static_cast<char>('0' + n % 10);
        }
        char* end = threads + std::strlen(threads);
        while (length > 0) {
            *end++ = digits[--length];
        }
        *end = '\0';
        withPolicy[count++] = threads;
    }
    withPolicy[count] = nullptr;
    // By its own path rather than /proc/self/exe, which would give the process that link's name.
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length > 0) {
        path[length] = '\0';
        execve(path, arguments, withPolicy);
    }
    // Without /proc, or with the program replaced since it started, the threads keep spinning:
    // slower beside busy programs, still correct.
}

} // namespace

__attribute__((section(".preinit_array"),
               used)) void (*const orvaneChooseWaitPolicy)(int, char**, char**) = &chooseWaitPolicy;
