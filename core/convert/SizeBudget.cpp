#include "core/Render.h"
#include "core/convert/ConvertError.h"
#include "core/convert/SizeSearch.h"
#include "core/convert/detail/ConverterSteps.h"

#include <algorithm>

namespace orvane::Converter {

BudgetResult encodeWithinBudget(const Bitmap& image, const ImageProperties& properties, ConvertFormat format,
                                std::int64_t budget, const EncodeFunction& encoder) {
    SizeSearch search(isLossy(format));
    Bitmap current = image;
    std::optional<Bytes> best;
    while (true) {
        switch (search.phase()) {
        case SizeSearch::Phase::encoding: {
            Bytes bytes;
            try {
                bytes = encoder(current, properties, format, search.next().quality);
            } catch (const std::exception&) {
                if (!search.forgivesFailure()) {
                    throw;
                }
                search.record(false);
                break;
            }
            const bool fits = fitsBudget(bytes.size(), budget);
            if (fits) {
                // Each fitting file replaces the one before: only the last can be the answer.
                best = std::move(bytes);
            }
            search.record(fits);
            break;
        }
        case SizeSearch::Phase::reducing: {
            const auto longEdge = search.reduce(std::max(current.width(), current.height()));
            if (longEdge) {
                current = Render::downscaled(current, *longEdge);
            }
            break;
        }
        case SizeSearch::Phase::found:
            return {.data = std::move(*best), .quality = search.resultQuality(), .image = current};
        case SizeSearch::Phase::failed:
            throw ConvertError::cannotReachSize(budget / 1000);
        }
    }
}

bool fitsBudget(std::size_t byteCount, std::int64_t budget) {
    return static_cast<std::int64_t>(byteCount) <= budget;
}

} // namespace orvane::Converter
