#include "platform/networks/OnnxEnvironment.h"

#include <cstdlib>

namespace orvane {

namespace {
// ONNX Runtime's telemetry starts when the runtime makes its first environment: it keeps a device
// id and a database of events in the user's cache and uploads them when it can. Photos and what is
// done with them never leave the machine, so it must not start at all. The runtime's switch on the
// environment (DisableTelemetryEvents) comes too late to stop the device id and the database; this
// variable, read when the first environment is made, stops everything. It is set during static
// initialisation, while nothing else can be reading the environment.
[[maybe_unused]] const bool telemetryTurnedOff = ::setenv("ORT_DISABLE_TELEMETRY", "1", 1) == 0;

// The runtime's own messages would reach the user's terminal raw; its failures reach callers as
// exceptions instead (withOnnxErrors).
void discard(void*, OrtLoggingLevel, const char*, const char*, const char*, const char*) {}
} // namespace

Ort::Env& onnxEnvironment() {
    static Ort::Env* const environment = withOnnxErrors([] {
        auto* env = new Ort::Env(ORT_LOGGING_LEVEL_WARNING, "orvane", &discard, nullptr);
        env->DisableTelemetryEvents();
        return env;
    });
    return *environment;
}

} // namespace orvane
