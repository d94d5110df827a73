#pragma once

// The order in which the size target tries qualities and sizes, kept apart from the encoding, so
// that the one order serves the search that encodes step by step and the one that encodes ahead
// on idle cores.

#include <optional>

namespace orvane::Converter {

// One encoding the search asks for: `quality` of the image at `attempt` (0 is the given image,
// each later attempt a reduction of the one before).
struct SizeCandidate {
    int attempt = 0;
    double quality = 0;
    friend bool operator==(const SizeCandidate&, const SizeCandidate&) = default;
};

class SizeSearch {
public:
    enum class Phase {
        encoding, // encode `next()` and record whether it fits
        reducing, // nothing fits at this size: `reduce` with the current image's long edge
        found,    // `result()` is the answer
        failed,   // no size fits: the budget cannot be reached
    };

    explicit SizeSearch(bool lossy);

    Phase phase() const { return phase_; }
    SizeCandidate next() const;
    // Whether the encoding of `next()` may fail without ending the search (it then counts as too
    // large); any other failed encoding ends it with that failure.
    bool forgivesFailure() const;
    void record(bool fits);

    // The long edge to reduce the image to, or none when the search has failed.
    std::optional<int> reduce(int currentLongEdge);
    // The long edge each reduction takes an image to.
    static int reducedLongEdge(int longEdge);
    // The long edge of the attempt after `attempt`, whose image's long edge is `longEdge`; none
    // when the search fails there instead.
    static std::optional<int> nextLongEdge(int attempt, int longEdge);
    static constexpr double reductionFactor = 0.85;

    // The candidate whose file is the answer; its quality is reported for lossy formats only.
    SizeCandidate result() const { return best_; }
    std::optional<double> resultQuality() const;

private:
    bool lossy_;
    Phase phase_ = Phase::encoding;
    int attempt_ = 0;
    int step_ = -1; // -1: the first try of a lossy attempt (or the one lossless encoding)
    double low_ = 0;
    double high_ = 0;
    std::optional<SizeCandidate> bestAtThisSize_;
    SizeCandidate best_;
};

} // namespace orvane::Converter
