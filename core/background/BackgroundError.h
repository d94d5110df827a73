#pragma once

#include "platform/Error.h"

#include <string>

namespace orvane {

// The background remover's failures, each with the sentence the user reads.
class BackgroundError : public Error {
public:
    enum class Case { visionUnavailable, noSubject };

    // `reason` says why subject detection could not run.
    static BackgroundError visionUnavailable(const std::string& reason) {
        return BackgroundError(Case::visionUnavailable, "Subject detection isn't available here (" + reason +
                                                            "). Try on a real device.");
    }
    static BackgroundError noSubject() {
        return BackgroundError(Case::noSubject, "No clear subject found in this photo.");
    }

    Case errorCase() const noexcept { return case_; }

private:
    BackgroundError(Case c, std::string description)
        : Error(std::move(description))
        , case_(c) {}
    Case case_;
};

} // namespace orvane
