#include "platform/OnnxEnvironment.h"

namespace orvane {

Ort::Env& onnxEnvironment() {
    static Ort::Env* const environment =
        withOnnxErrors([] { return new Ort::Env(ORT_LOGGING_LEVEL_WARNING, "orvane"); });
    return *environment;
}

} // namespace orvane
