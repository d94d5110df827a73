#include "core/Render.h"
#include "core/convert/ConvertError.h"
#include "core/convert/SizeSearch.h"
#include "core/convert/detail/ConverterSteps.h"
#include "core/upscale/DeviceLimits.h"
#include "platform/application/SystemMemory.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <exception>
#include <limits>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace orvane::Converter {

namespace {

// An attempt begins ahead of its turn once the attempt before it has found this many of its files
// too large and none that fits: by then the budget is likely below what that size can give.
constexpr int missesBeforeNextSize = 2;
// The sizes searched at once hold at most this many times the given image's pixels, each with an
// encoder's buffers: a JPEG with computed Huffman tables keeps all of its coefficients.
constexpr double mostImagesAtOnce = 2.0;

// The images of the attempts, each reduced from the one before, on whichever thread asks first;
// one is let go once nothing needs it any more.
class Reductions {
public:
    explicit Reductions(const Bitmap& image)
        : images_{image}
        , longEdges_{std::max(image.width(), image.height())} {}

    Bitmap image(int attempt) {
        const std::lock_guard lock(making_);
        while (true) {
            {
                const std::lock_guard known(mutex_);
                if (static_cast<int>(images_.size()) > attempt) {
                    return *images_[attempt];
                }
            }
            // Reduced from the long edge the previous image really has, as the search does.
            const Bitmap previous = *images_.back();
            const int longEdge = longEdges_.back();
            const Bitmap reduced = Render::downscaled(previous, SizeSearch::reducedLongEdge(longEdge));
            const std::lock_guard known(mutex_);
            images_.emplace_back(reduced);
            longEdges_.push_back(std::max(reduced.width(), reduced.height()));
        }
    }

    // The long edge of the attempt's image, once it is made.
    std::optional<int> longEdge(int attempt) {
        const std::lock_guard lock(mutex_);
        return attempt < static_cast<int>(longEdges_.size()) ? std::optional(longEdges_[attempt])
                                                             : std::nullopt;
    }

    void release(int attempt) {
        const std::lock_guard lock(mutex_);
        // The last one made is the start of the next reduction.
        if (attempt + 1 < static_cast<int>(images_.size())) {
            images_[attempt].reset();
        }
    }

private:
    std::mutex making_; // one reduction at a time, each from the one before
    std::mutex mutex_;
    std::vector<std::optional<Bitmap>> images_;
    std::vector<int> longEdges_;
};

// The outcome of one size's quality search, as the one-by-one search would reach it.
struct AttemptOutcome {
    enum class State { running, fits, tooLarge, failed, stopped } state = State::running;
    int misses = 0;
    Bytes data;
    std::optional<double> quality;
    std::exception_ptr error;
    std::optional<Bitmap> image; // kept for the answer only
};

// Each size's qualities are tried in the search's own order, one after another, so that no size
// costs more encodings than the one-by-one search gives it; different sizes run side by side, a
// smaller one starting as soon as the larger one looks unlikely to fit.
class ConcurrentSearch {
public:
    ConcurrentSearch(const Bitmap& image, const ImageProperties& properties, ConvertFormat format,
                     std::int64_t budget, int workers, const EncodeFunction& encoder,
                     const std::function<double(double)>& setting)
        : properties_(properties)
        , format_(format)
        , budget_(budget)
        , workers_(std::max(1, workers))
        , encoder_(encoder)
        , setting_(setting)
        , reductions_(image) {}

    ~ConcurrentSearch() {
        {
            const std::lock_guard lock(mutex_);
            stopFrom_ = 0;
        }
        threads_.clear(); // each stops after its current encoding
    }

    BudgetResult run() {
        std::unique_lock lock(mutex_);
        for (int attempt = 0;; ++attempt) {
            startWhatMayBeNeeded();
            changed_.wait(lock, [&] { return outcomes_[attempt].state != AttemptOutcome::State::running; });
            AttemptOutcome& outcome = outcomes_[attempt];
            switch (outcome.state) {
            case AttemptOutcome::State::fits:
                stopFrom_ = attempt + 1;
                return {.data = std::move(outcome.data), .quality = outcome.quality, .image = *outcome.image};
            case AttemptOutcome::State::failed:
                stopFrom_ = attempt + 1;
                std::rethrow_exception(outcome.error);
            default:
                break;
            }
            if (!nextSizeExists(attempt)) {
                stopFrom_ = attempt + 1;
                throw ConvertError::cannotReachSize(budget_ / 1000);
            }
        }
    }

private:
    // Within the one-by-one search's limits on sizes: at most its number of attempts, none below
    // its smallest long edge. Unknown, and so no, while the attempt's image isn't made yet.
    bool nextSizeExists(int attempt) {
        const auto longEdge = reductions_.longEdge(attempt);
        return longEdge && SizeSearch::nextLongEdge(attempt, *longEdge);
    }

    // Called with the lock held.
    void startWhatMayBeNeeded() {
        while (running_ < workers_) {
            const int next = static_cast<int>(outcomes_.size());
            if (next > 0) {
                const AttemptOutcome& before = outcomes_[next - 1];
                const bool likelyTooLarge =
                    before.state == AttemptOutcome::State::tooLarge ||
                    (before.state == AttemptOutcome::State::running && before.misses >= missesBeforeNextSize);
                if (!likelyTooLarge || !nextSizeExists(next - 1) || next >= stopFrom_) {
                    return;
                }
            }
            const double share = std::pow(SizeSearch::reductionFactor, 2 * next);
            if (running_ > 0 && imagesRunning_ + share > mostImagesAtOnce) {
                return;
            }
            outcomes_.emplace_back();
            ++running_;
            imagesRunning_ += share;
            threads_.emplace_back([this, next] { search(next); });
        }
    }

    bool stopped(int attempt) {
        const std::lock_guard lock(mutex_);
        return attempt >= stopFrom_;
    }

    void finish(int attempt, AttemptOutcome::State state, std::optional<Bytes> best,
                std::optional<double> quality, std::exception_ptr error, const std::optional<Bitmap>& image) {
        const std::lock_guard lock(mutex_);
        AttemptOutcome& outcome = outcomes_[attempt];
        outcome.state = state;
        outcome.quality = quality;
        outcome.error = std::move(error);
        if (best) {
            outcome.data = std::move(*best);
        }
        if (state == AttemptOutcome::State::fits) {
            outcome.image = image;
        }
        --running_;
        imagesRunning_ -= std::pow(SizeSearch::reductionFactor, 2 * attempt);
        startWhatMayBeNeeded();
        changed_.notify_all();
    }

    void search(int attempt) {
        std::optional<Bitmap> image;
        try {
            image = reductions_.image(attempt);
        } catch (...) {
            finish(attempt, AttemptOutcome::State::failed, std::nullopt, std::nullopt,
                   std::current_exception(), std::nullopt);
            return;
        }
        SizeSearch steps(isLossy(format_));
        std::optional<Bytes> best;
        // Qualities the encoder treats alike give the same file: each is encoded once.
        std::map<double, std::optional<Bytes>> bySetting;
        while (steps.phase() == SizeSearch::Phase::encoding) {
            if (stopped(attempt)) {
                finish(attempt, AttemptOutcome::State::stopped, std::nullopt, std::nullopt, nullptr,
                       std::nullopt);
                return;
            }
            const double quality = steps.next().quality;
            auto known = bySetting.find(setting_(quality));
            if (known == bySetting.end()) {
                std::optional<Bytes> bytes;
                try {
                    bytes = encoder_(*image, properties_, format_, quality);
                } catch (...) {
                    if (!steps.forgivesFailure()) {
                        reductions_.release(attempt);
                        finish(attempt, AttemptOutcome::State::failed, std::nullopt, std::nullopt,
                               std::current_exception(), std::nullopt);
                        return;
                    }
                }
                known = bySetting.emplace(setting_(quality), std::move(bytes)).first;
            }
            const bool fits = known->second && fitsBudget(known->second->size(), budget_);
            if (fits) {
                best = known->second;
            } else {
                const std::lock_guard lock(mutex_);
                ++outcomes_[attempt].misses;
                startWhatMayBeNeeded();
            }
            // Of a file too large only the fact is kept.
            if (!fits) {
                known->second.reset();
            }
            // An encoder's large buffers, freed on this thread, would otherwise stay with its heap
            // while the other sizes' encoders ask for theirs.
            SystemMemory::releaseFreeMemory();
            steps.record(fits);
        }
        reductions_.release(attempt);
        if (steps.phase() == SizeSearch::Phase::found) {
            finish(attempt, AttemptOutcome::State::fits, std::move(best), steps.resultQuality(), nullptr,
                   image);
        } else {
            finish(attempt, AttemptOutcome::State::tooLarge, std::nullopt, std::nullopt, nullptr,
                   std::nullopt);
        }
    }

    const ImageProperties& properties_;
    const ConvertFormat format_;
    const std::int64_t budget_;
    const int workers_;
    const EncodeFunction& encoder_;
    const std::function<double(double)>& setting_;
    Reductions reductions_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<AttemptOutcome> outcomes_;
    int running_ = 0;
    double imagesRunning_ = 0; // in shares of the given image's pixels
    int stopFrom_ = std::numeric_limits<int>::max();
    // Last, so that it is destroyed first.
    std::vector<std::jthread> threads_;
};

} // namespace

int searchWorkers(std::int64_t pixels, unsigned cores, std::uint64_t physicalMemory) {
    // One a core. The HEIC and AVIF encoders are threaded themselves, but leave cores idle for
    // much of each encoding, which the others fill. Each of them holds about 14 to 18 bytes a
    // pixel while it works (measured on 18 MP photos): the encodings at once keep within a
    // quarter of the memory, so that a very large image is searched with fewer.
    constexpr double bytesPerPixel = 24;
    const double perEncoding = std::max(1.0, static_cast<double>(pixels) * bytesPerPixel);
    const double byMemory = static_cast<double>(physicalMemory) / 4 / perEncoding;
    const double byCores = std::clamp(cores, 1U, 8U);
    return static_cast<int>(std::clamp(std::min(byMemory, byCores), 1.0, 8.0));
}

int searchWorkers(std::int64_t pixels) {
    return searchWorkers(pixels, std::thread::hardware_concurrency(), DeviceLimits::physicalMemory());
}

BudgetResult encodeWithinBudgetConcurrently(const Bitmap& image, const ImageProperties& properties,
                                            ConvertFormat format, std::int64_t budget, int workers,
                                            const EncodeFunction& encoder,
                                            const std::function<double(double quality)>& setting) {
    if (workers <= 1) {
        return encodeWithinBudget(image, properties, format, budget, encoder);
    }
    ConcurrentSearch search(image, properties, format, budget, workers, encoder, setting);
    return search.run();
}

BudgetResult encodeWithinBudgetConcurrently(const Bitmap& image, const ImageProperties& properties,
                                            ConvertFormat format, std::int64_t budget, int workers) {
    return encodeWithinBudgetConcurrently(
        image, properties, format, budget, workers, encodeForSize,
        [format](double quality) { return encoderSetting(format, quality); });
}

} // namespace orvane::Converter
