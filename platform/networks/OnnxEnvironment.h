#pragma once

// The process's one ONNX Runtime environment, and how its failures reach callers. Every session is
// made in it, the offline tools' and benchmarks' too: an environment made any other way starts the
// runtime's telemetry.

#include "platform/networks/NetworkError.h"

#include <onnxruntime_cxx_api.h>

namespace orvane {

// Created on first use; never destroyed, because sessions held in static objects may outlive
// anything destroyed at exit.
Ort::Env& onnxEnvironment();

// Runs `work`, turning ONNX Runtime's exceptions into NetworkError with the runtime's message.
template <class Work> decltype(auto) withOnnxErrors(Work&& work) {
    try {
        return work();
    } catch (const Ort::Exception& e) {
        throw NetworkError(e.what());
    }
}

} // namespace orvane
