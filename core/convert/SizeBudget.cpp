#include "core/Render.h"
#include "core/convert/ConvertError.h"
#include "core/convert/ConverterSteps.h"

#include <algorithm>

namespace orvane::Converter {

namespace {
constexpr double firstLossyQuality = 0.95;
constexpr double bisectionLow = 0.05;
constexpr double bisectionHigh = 0.95;
constexpr int bisectionSteps = 7;
constexpr double losslessQuality = 1.0;
constexpr double reductionFactor = 0.85;
constexpr int smallestLongEdge = 64;
constexpr int mostAttempts = 14;

bool fits(const Bytes& bytes, std::int64_t budget) {
    return static_cast<std::int64_t>(bytes.size()) <= budget;
}
} // namespace

BudgetResult encodeWithinBudget(const Bitmap& image, const ImageProperties& properties, ConvertFormat format,
                                std::int64_t budget, const EncodeFunction& encoder) {
    Bitmap current = image;
    for (int attempt = 1; attempt <= mostAttempts; ++attempt) {
        if (!isLossy(format)) {
            Bytes bytes = encoder(current, properties, format, losslessQuality);
            if (fits(bytes, budget)) {
                return {std::move(bytes), std::nullopt, current};
            }
        } else {
            try {
                Bytes bytes = encoder(current, properties, format, firstLossyQuality);
                if (fits(bytes, budget)) {
                    return {std::move(bytes), firstLossyQuality, current};
                }
            } catch (const std::exception&) {
                // A failure at the highest quality may not repeat lower down; the bisection decides.
            }
            double low = bisectionLow;
            double high = bisectionHigh;
            std::optional<Bytes> best;
            double bestQuality = 0;
            for (int step = 0; step < bisectionSteps; ++step) {
                const double mid = (low + high) * 0.5;
                Bytes bytes = encoder(current, properties, format, mid);
                if (fits(bytes, budget)) {
                    best = std::move(bytes);
                    bestQuality = mid;
                    low = mid;
                } else {
                    high = mid;
                }
            }
            if (best) {
                return {std::move(*best), bestQuality, current};
            }
        }
        const int longEdge = static_cast<int>(std::max(current.width(), current.height()) * reductionFactor);
        if (longEdge < smallestLongEdge || attempt == mostAttempts) {
            break;
        }
        current = Render::downscaled(current, longEdge);
    }
    throw ConvertError::cannotReachSize(budget / 1000);
}

} // namespace orvane::Converter
