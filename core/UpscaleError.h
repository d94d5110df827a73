#pragma once

#include "platform/Error.h"

#include <string>

namespace orvane {

// Failures of running a super-resolution network, and of rendering any image to pixels.
class UpscaleError : public Error {
public:
    enum class Case { badModel, pixelBuffer, prediction, output };

    static UpscaleError badModel(const std::string& text) {
        return UpscaleError(Case::badModel, "Model problem: " + text);
    }
    static UpscaleError pixelBuffer() {
        return UpscaleError(Case::pixelBuffer, "Could not allocate a pixel buffer");
    }
    static UpscaleError prediction() { return UpscaleError(Case::prediction, "The model returned no image"); }
    static UpscaleError output() { return UpscaleError(Case::output, "Could not build the output image"); }

    Case errorCase() const noexcept { return case_; }

private:
    UpscaleError(Case c, std::string description)
        : Error(std::move(description))
        , case_(c) {}
    Case case_;
};

} // namespace orvane
