#include "core/Render.h"
#include "core/convert/ConvertError.h"
#include "core/convert/SizeSearch.h"
#include "core/convert/detail/ConverterSteps.h"
#include "core/upscale/DeviceLimits.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <future>
#include <map>
#include <mutex>
#include <queue>
#include <thread>
#include <utility>
#include <vector>

namespace orvane::Converter {

namespace {

// How sharply the guess that a candidate fits falls off as its estimated size passes the budget:
// at twice the budget the guess is about 6%, from sizes seen; from a prior alone, about 26%.
constexpr double fitSharpness = 4.0;
constexpr double priorSharpness = 1.5;
// Before any file is seen: a lossy photo takes about one bit a pixel at quality 0.5, growing by
// e^3.5 over the whole range of quality; a lossless one about ten.
constexpr double priorBitsAtHalfQuality = 1.0;
constexpr double priorQualitySlope = 3.5;
constexpr double priorLosslessBits = 10.0;
// Guesses from how sizes already seen at the same size of image rank in quality.
constexpr double likelyFit = 0.97;
constexpr double unlikelyFit = 1 - likelyFit;
// The natural logarithm of the growth of a lossy file per unit of quality, while only one file of
// that size of image has been seen.
constexpr double assumedQualitySlope = 2.5;
// Outcomes less likely than this are not encoded ahead.
constexpr double leastWorthwhile = 0.002;
// How far the planner looks ahead, in outcomes weighed per round.
constexpr int mostPlanned = 512;
// Files shrink about as the area does with each reduction.
const double reductionLogArea = 2 * std::log(SizeSearch::reductionFactor);

using Key = std::pair<int, double>; // attempt, encoder setting

struct Encoding {
    double quality = 0; // the first quality asked for with this setting
    bool done = false;
    std::optional<Bytes> bytes; // kept only while it fits and the search may still take it
    std::size_t size = 0;
    std::exception_ptr error;
};

// The images of the attempts, each reduced from the one before on first use, on whichever thread
// asks first.
class Reductions {
public:
    explicit Reductions(const Bitmap& image) {
        std::promise<Bitmap> given;
        given.set_value(image);
        images_.push_back(given.get_future().share());
        longEdges_.push_back(std::max(image.width(), image.height()));
    }

    std::shared_future<Bitmap> image(int attempt) {
        while (static_cast<int>(images_.size()) <= attempt) {
            const std::shared_future<Bitmap> previous = images_.back();
            // Reduced from the long edge the previous image really has, as the search does.
            images_.push_back(std::async(std::launch::deferred, [previous] {
                                  const Bitmap& image = previous.get();
                                  return Render::downscaled(image, SizeSearch::reducedLongEdge(std::max(
                                                                       image.width(), image.height())));
                              }).share());
            longEdges_.push_back(SizeSearch::reducedLongEdge(longEdges_.back()));
        }
        return images_[attempt];
    }

    // The long edge the attempt's image is expected to have, for looking ahead only.
    int expectedLongEdge(int attempt) {
        image(attempt);
        return longEdges_[attempt];
    }

private:
    std::vector<std::shared_future<Bitmap>> images_;
    std::vector<int> longEdges_;
};

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
        , pixels_(static_cast<double>(image.width()) * image.height())
        , reductions_(image)
        , search_(isLossy(format)) {}

    BudgetResult run() {
        std::optional<Bytes> best;
        std::unique_lock lock(mutex_);
        while (true) {
            switch (search_.phase()) {
            case SizeSearch::Phase::encoding: {
                const SizeCandidate candidate = search_.next();
                plan();
                Encoding& encoding = encodings_[keyOf(candidate)];
                while (!encoding.done) {
                    // Whichever encoding ends, its worker is free again.
                    finished_.wait(lock);
                    plan();
                }
                if (encoding.error) {
                    if (!search_.forgivesFailure()) {
                        std::rethrow_exception(encoding.error);
                    }
                    search_.record(false);
                    break;
                }
                const bool fits = fitsBudget(encoding.size, budget_);
                if (fits) {
                    best = encoding.bytes; // a copy: a quality with the same setting may follow
                }
                search_.record(fits);
                break;
            }
            case SizeSearch::Phase::reducing: {
                const int attempt = search_.next().attempt;
                lock.unlock();
                const Bitmap current = reductions_.image(attempt).get();
                lock.lock();
                search_.reduce(std::max(current.width(), current.height()));
                dropEarlierSizes();
                break;
            }
            case SizeSearch::Phase::found: {
                const Bitmap image = reductions_.image(search_.result().attempt).get();
                return {.data = std::move(*best), .quality = search_.resultQuality(), .image = image};
            }
            case SizeSearch::Phase::failed:
                throw ConvertError::cannotReachSize(budget_ / 1000);
            }
        }
    }

private:
    // Starts the encodings most likely to be asked for next while workers are free, weighing the
    // outcomes still open by how likely they are; the one the search needs now always starts.
    void plan() {
        struct Branch {
            double likelihood;
            bool certain; // every outcome on the way to it is known
            SizeSearch search;
            bool operator<(const Branch& other) const { return likelihood < other.likelihood; }
        };
        std::priority_queue<Branch> branches;
        branches.push({1.0, true, search_});
        for (int weighed = 0; !branches.empty() && weighed < mostPlanned; ++weighed) {
            Branch branch = branches.top();
            branches.pop();
            if (branch.likelihood < leastWorthwhile) {
                break;
            }
            SizeSearch& search = branch.search;
            if (search.phase() == SizeSearch::Phase::reducing) {
                search.reduce(reductions_.expectedLongEdge(search.next().attempt));
                branches.push(branch);
                continue;
            }
            if (search.phase() != SizeSearch::Phase::encoding) {
                continue;
            }
            const SizeCandidate candidate = search.next();
            const auto known = encodings_.find(keyOf(candidate));
            if (known == encodings_.end()) {
                if (running_ >= workers_ && !branch.certain) {
                    break; // every branch left is less likely than this one
                }
                start(candidate);
            } else if (known->second.done) {
                if (known->second.error && !search.forgivesFailure()) {
                    continue;
                }
                search.record(!known->second.error && fitsBudget(known->second.size, budget_));
                branches.push(branch);
                continue;
            }
            const double fits = guessFits(candidate);
            SizeSearch ifFits = search;
            ifFits.record(true);
            search.record(false);
            branches.push({branch.likelihood * fits, false, ifFits});
            branches.push({branch.likelihood * (1 - fits), false, search});
        }
    }

    void start(const SizeCandidate& candidate) {
        encodings_[keyOf(candidate)].quality = candidate.quality;
        ++running_;
        std::shared_future<Bitmap> image = reductions_.image(candidate.attempt);
        threads_.emplace_back([this, image, candidate] {
            std::optional<Bytes> bytes;
            std::exception_ptr error;
            try {
                bytes = encoder_(image.get(), properties_, format_, candidate.quality);
            } catch (...) {
                error = std::current_exception();
            }
            const std::lock_guard lock(mutex_);
            Encoding& encoding = encodings_[keyOf(candidate)];
            encoding.done = true;
            encoding.error = error;
            if (bytes) {
                encoding.size = bytes->size();
                // Only a file that fits can be the answer; of the others the size is enough.
                if (fitsBudget(encoding.size, budget_)) {
                    encoding.bytes = std::move(bytes);
                }
            }
            --running_;
            finished_.notify_all();
        });
    }

    Key keyOf(const SizeCandidate& candidate) const {
        return {candidate.attempt, setting_(candidate.quality)};
    }

    // The search never goes back to a larger image: only the sizes of its files are kept, for
    // guessing.
    void dropEarlierSizes() {
        for (auto& [key, encoding] : encodings_) {
            if (key.first < search_.next().attempt) {
                encoding.bytes.reset();
            }
        }
    }

    // How likely the candidate's file is to fit, from the sizes seen so far: files grow with
    // quality, and shrink with the image roughly as its pixel count does.
    double guessFits(const SizeCandidate& candidate) const {
        for (const auto& [key, encoding] : encodings_) {
            if (key.first != candidate.attempt || !encoding.done || encoding.error) {
                continue;
            }
            const bool fits = fitsBudget(encoding.size, budget_);
            if (fits && encoding.quality >= candidate.quality) {
                return likelyFit;
            }
            if (!fits && encoding.quality <= candidate.quality) {
                return unlikelyFit;
            }
        }
        const auto estimate = estimatedLogSize(candidate);
        const double logBudget = std::log(std::max<double>(1, budget_));
        if (!estimate) {
            return 1 / (1 + std::exp(priorSharpness * (priorLogSize(candidate) - logBudget)));
        }
        return 1 / (1 + std::exp(fitSharpness * (*estimate - logBudget)));
    }

    double priorLogSize(const SizeCandidate& candidate) const {
        const double bits = isLossy(format_) ? priorBitsAtHalfQuality *
                                                   std::exp(priorQualitySlope * (candidate.quality - 0.5))
                                             : priorLosslessBits;
        return std::log(pixels_ / 8 * bits) + candidate.attempt * reductionLogArea;
    }

    std::optional<double> estimatedLogSize(const SizeCandidate& candidate) const {
        for (int attempt = candidate.attempt; attempt >= 0; --attempt) {
            std::vector<std::pair<double, double>> seen;
            for (const auto& [key, encoding] : encodings_) {
                if (key.first == attempt && encoding.done && !encoding.error) {
                    seen.emplace_back(encoding.quality, std::log(std::max<double>(1, encoding.size)));
                }
            }
            if (seen.empty()) {
                continue;
            }
            // The two qualities nearest the candidate's give the slope, when there are two.
            std::ranges::sort(seen, [&](const auto& a, const auto& b) {
                return std::abs(a.first - candidate.quality) < std::abs(b.first - candidate.quality);
            });
            double slope = assumedQualitySlope;
            if (seen.size() >= 2 && std::abs(seen[0].first - seen[1].first) > 1e-9) {
                slope =
                    std::clamp((seen[0].second - seen[1].second) / (seen[0].first - seen[1].first), 0.5, 8.0);
            }
            const double atQuality = seen[0].second + slope * (candidate.quality - seen[0].first);
            return atQuality + (candidate.attempt - attempt) * reductionLogArea;
        }
        return std::nullopt;
    }

    const ImageProperties& properties_;
    const ConvertFormat format_;
    const std::int64_t budget_;
    const int workers_;
    const EncodeFunction& encoder_;
    const std::function<double(double)>& setting_;
    const double pixels_;
    Reductions reductions_;
    SizeSearch search_;

    std::mutex mutex_;
    std::condition_variable finished_;
    std::map<Key, Encoding> encodings_;
    int running_ = 0;
    // Last, so that it is destroyed first: encodings made ahead that the search no longer needs
    // cannot be stopped, and are waited for before what they use goes away.
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
        image, properties, format, budget, workers, encode,
        [format](double quality) { return encoderSetting(format, quality); });
}

} // namespace orvane::Converter
