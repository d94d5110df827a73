#include "core/convert/SizeSearch.h"

namespace orvane::Converter {

namespace {
constexpr double firstLossyQuality = 0.95;
constexpr double bisectionLow = 0.05;
constexpr double bisectionHigh = 0.95;
constexpr int bisectionSteps = 7;
constexpr double losslessQuality = 1.0;
constexpr int smallestLongEdge = 64;
constexpr int mostAttempts = 14;
} // namespace

SizeSearch::SizeSearch(bool lossy)
    : lossy_(lossy) {}

SizeCandidate SizeSearch::next() const {
    if (!lossy_) {
        return {attempt_, losslessQuality};
    }
    if (step_ < 0) {
        return {attempt_, firstLossyQuality};
    }
    return {attempt_, (low_ + high_) * 0.5};
}

bool SizeSearch::forgivesFailure() const {
    // A failure at the highest quality may not repeat lower down; the bisection decides.
    return lossy_ && step_ < 0;
}

void SizeSearch::record(bool fits) {
    const SizeCandidate tried = next();
    if (!lossy_ || step_ < 0) {
        if (fits) {
            best_ = tried;
            phase_ = Phase::found;
        } else if (!lossy_) {
            phase_ = Phase::reducing;
        } else {
            step_ = 0;
            low_ = bisectionLow;
            high_ = bisectionHigh;
            bestAtThisSize_.reset();
        }
        return;
    }
    if (fits) {
        bestAtThisSize_ = tried;
        low_ = tried.quality;
    } else {
        high_ = tried.quality;
    }
    if (++step_ == bisectionSteps) {
        if (bestAtThisSize_) {
            best_ = *bestAtThisSize_;
            phase_ = Phase::found;
        } else {
            phase_ = Phase::reducing;
        }
    }
}

int SizeSearch::reducedLongEdge(int longEdge) {
    return static_cast<int>(longEdge * reductionFactor);
}

std::optional<int> SizeSearch::nextLongEdge(int attempt, int longEdge) {
    const int reduced = reducedLongEdge(longEdge);
    if (reduced < smallestLongEdge || attempt + 1 >= mostAttempts) {
        return std::nullopt;
    }
    return reduced;
}

std::optional<int> SizeSearch::reduce(int currentLongEdge) {
    const auto longEdge = nextLongEdge(attempt_, currentLongEdge);
    if (!longEdge) {
        phase_ = Phase::failed;
        return std::nullopt;
    }
    ++attempt_;
    step_ = -1;
    phase_ = Phase::encoding;
    return longEdge;
}

std::optional<double> SizeSearch::resultQuality() const {
    return lossy_ ? std::optional(best_.quality) : std::nullopt;
}

} // namespace orvane::Converter
