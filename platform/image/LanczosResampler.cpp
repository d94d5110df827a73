#include "platform/image/LanczosResampler.h"

#include "platform/image/detail/VipsRuntime.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <optional>
#include <stdexcept>

#ifdef _OPENMP
#include <omp.h>
#endif

namespace orvane {

namespace {

#ifdef _OPENMP
// The rows of a step are shared out over the team; the inner loops run as vectors.
#define ORVANE_EACH_ROW_ON_THE_TEAM _Pragma("omp parallel for schedule(static)")
#define ORVANE_AS_VECTORS _Pragma("omp simd")
int threads() {
    return omp_get_max_threads();
}
int thisThread() {
    return omp_get_thread_num();
}
#else
// Built without OpenMP (by another compiler than the one oneDNN's runtime comes with): one thread.
#define ORVANE_EACH_ROW_ON_THE_TEAM
#define ORVANE_AS_VECTORS
int threads() {
    return 1;
}
int thisThread() {
    return 0;
}
#endif

constexpr int lobes = 3;
// Output pixels are placed on a grid of 1/64 of an input pixel, and their weights computed for
// those places only, as the image library does.
constexpr int placeSteps = 64;
constexpr int fineBits = 12;
constexpr int vectorBits = 6;

double lanczos(double x) {
    if (x == 0) {
        return 1;
    }
    if (x < -lobes || x > lobes) {
        return 0;
    }
    constexpr double pi = std::numbers::pi;
    return lobes * std::sin(pi * x) * std::sin(pi * x / lobes) / (pi * pi * x * x);
}

// The kernel stretched by `factor` over `taps` pixels, for an output pixel `offset` (0 to 1) past
// the one the taps are counted from; the weights sum to 1.
std::vector<double> kernel(int taps, double factor, double offset) {
    std::vector<double> weights(static_cast<std::size_t>(taps));
    double sum = 0;
    for (int i = 0; i < taps; ++i) {
        weights[static_cast<std::size_t>(i)] = lanczos((i - (taps - 2) / 2.0 - offset) / factor);
        sum += weights[static_cast<std::size_t>(i)];
    }
    for (double& weight : weights) {
        weight /= sum;
    }
    return weights;
}

// Fixed point by cutting off the fraction, as the image library's plain code takes its weights.
std::vector<std::int32_t> truncated(const std::vector<double>& weights, int bits) {
    std::vector<std::int32_t> fixed;
    fixed.reserve(weights.size());
    for (const double weight : weights) {
        fixed.push_back(static_cast<std::int32_t>(weight * (1 << bits)));
    }
    return fixed;
}

// Fixed point as the image library's vector code takes its weights: each rounded after one common
// scale, searched for so that the rounded weights add up to the rounded sum; what a search of a
// hundredth cannot settle is spread over the weights, the odd units on the first ones.
std::vector<std::int32_t> roundedToTheirSum(const std::vector<double>& weights, int bits) {
    const int one = 1 << bits;
    const auto n = static_cast<int>(weights.size());
    double exactSum = 0;
    for (const double weight : weights) {
        exactSum += weight;
    }
    const auto target = static_cast<int>(std::rint(exactSum * one));
    std::vector<std::int32_t> fixed(weights.size());
    double high = one + (n + 1) / 2;
    double low = one - (n + 1) / 2;
    int sum = 0;
    do {
        const double guess = (high + low) / 2;
        sum = 0;
        for (std::size_t i = 0; i < weights.size(); ++i) {
            fixed[i] = static_cast<std::int32_t>(std::rint(weights[i] * guess));
            sum += fixed[i];
        }
        if (sum == target) {
            break;
        }
        (sum < target ? low : high) = guess;
    } while (high - low > 0.01);
    if (sum != target) {
        const int each = (target - sum) / n;
        const int odd = (target - sum) % n;
        for (auto& weight : fixed) {
            weight += each;
        }
        for (int i = 0; i < std::abs(odd); ++i) {
            fixed[static_cast<std::size_t>(i)] += odd > 0 ? 1 : -1;
        }
    }
    return fixed;
}

// One side's steps, with the image library's floating-point arithmetic in its order, so that every
// output pixel lands on the same place and takes the same weights.
LanczosResampler::Axis plan(int from, int to, int bits) {
    LanczosResampler::Axis axis;
    axis.from = from;
    axis.boxed = from;
    axis.to = to;
    if (to == from) {
        return axis;
    }
    double factor = 1.0 / (static_cast<double>(to) / from);
    // The input pixels the output has beyond (or, negative, short of) the input's own.
    double extra = to * factor - from;
    // A reduction of more than twice starts with a box of the whole part of half of it.
    const int box = std::max(1, static_cast<int>(std::floor(static_cast<double>(from) / to / 2.0)));
    if (box > 1) {
        axis.box = box;
        axis.boxed = (from + box - 1) / box;
        factor /= box;
        extra /= box;
    }
    if (factor == 1.0) {
        return axis;
    }
    axis.taps = 2 * static_cast<int>(std::rint(lobes * factor)) + 1;
    axis.shift = bits;
    const double offset = (1 + extra) / 2.0 - 1;
    const int before = static_cast<int>(std::ceil(axis.taps / 2.0)) - 1;
    std::array<std::optional<std::vector<std::int32_t>>, placeSteps + 1> weightsAt;
    axis.indices.reserve(static_cast<std::size_t>(axis.taps) * to);
    axis.weights.reserve(static_cast<std::size_t>(axis.taps) * to);
    for (int i = 0; i < to; ++i) {
        const double place = (i + 0.5) * factor - 0.5 - offset;
        const auto pixel = static_cast<int>(place);
        // The nearest of the grid's places past `pixel`, by halves of a step rounded up.
        const auto halfSteps = static_cast<int>(place * placeSteps * 2);
        const int step = ((halfSteps & (placeSteps * 2 - 1)) + 1) >> 1;
        auto& weights = weightsAt[static_cast<std::size_t>(step)];
        if (!weights) {
            const auto exact = kernel(axis.taps, factor, static_cast<double>(step) / placeSteps);
            weights = bits == fineBits ? truncated(exact, bits) : roundedToTheirSum(exact, bits);
        }
        for (int t = 0; t < axis.taps; ++t) {
            // Beyond the edges the edge pixels repeat.
            axis.indices.push_back(std::clamp(pixel - before + t, 0, axis.boxed - 1));
            axis.weights.push_back((*weights)[static_cast<std::size_t>(t)]);
        }
    }
    return axis;
}

struct Plane {
    const std::uint8_t* data;
    std::size_t rowBytes;
    int width;
    int height;
};

// An intermediate picture; every step writes all of it, so it starts unfilled.
struct Picture {
    std::unique_ptr<std::uint8_t[]> pixels;
    int width;
    int height;

    Picture(int w, int h)
        : pixels(std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(w) *
                                                                static_cast<std::size_t>(h) * 4))
        , width(w)
        , height(h) {}
    std::size_t rowBytes() const { return static_cast<std::size_t>(width) * 4; }
    Plane plane() const { return {pixels.get(), rowBytes(), width, height}; }
    std::uint8_t* row(int y) { return pixels.get() + static_cast<std::size_t>(y) * rowBytes(); }
};

std::uint8_t clamped(std::int32_t value) {
    return static_cast<std::uint8_t>(std::clamp<std::int32_t>(value, 0, 255));
}

void store(std::uint8_t* out, std::int32_t first, std::int32_t second, std::int32_t third,
           LanczosResampler::Order order) {
    out[0] = clamped(order == LanczosResampler::Order::kept ? first : third);
    out[1] = clamped(second);
    out[2] = clamped(order == LanczosResampler::Order::kept ? third : first);
    out[3] = 255;
}

// Sums per byte of a row, one row of them for each thread.
class RowSums {
public:
    explicit RowSums(std::size_t bytes)
        : bytes_(bytes)
        , sums_(bytes * static_cast<std::size_t>(threads())) {}
    std::int32_t* mine() { return sums_.data() + bytes_ * static_cast<std::size_t>(thisThread()); }

private:
    std::size_t bytes_;
    std::vector<std::int32_t> sums_;
};

// The inner loops, also built for AVX2 (taken where the processor has it): the baseline x86-64
// has no 32-bit multiply of vectors.
#define ORVANE_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))

ORVANE_VECTOR_CLONES void addRow(std::int32_t* sums, const std::uint8_t* in, std::size_t bytes) {
    ORVANE_AS_VECTORS
    for (std::size_t x = 0; x < bytes; ++x) {
        sums[x] += in[x];
    }
}

ORVANE_VECTOR_CLONES void addWeightedRow(std::int32_t* sums, const std::uint8_t* in, std::int32_t weight,
                                         std::size_t bytes) {
    ORVANE_AS_VECTORS
    for (std::size_t x = 0; x < bytes; ++x) {
        sums[x] += weight * in[x];
    }
}

ORVANE_VECTOR_CLONES void narrowedRow(std::uint8_t* out, const std::int32_t* sums, int shift,
                                      std::size_t bytes) {
    ORVANE_AS_VECTORS
    for (std::size_t x = 0; x < bytes; ++x) {
        out[x] = clamped(sums[x] >> shift);
    }
}

// Four channels of one pixel as one vector.
using Channels = std::int32_t __attribute__((vector_size(16)));
using PixelBytes = std::uint8_t __attribute__((vector_size(4)));

Channels channelsAt(const std::uint8_t* pixel) {
    PixelBytes bytes;
    std::memcpy(&bytes, pixel, sizeof bytes);
    return __builtin_convertvector(bytes, Channels);
}

// One row of output pixels, each a weighted sum of the taps of its row; the fourth channel only
// for the vectors' sake.
ORVANE_VECTOR_CLONES void weightedPixels(std::uint8_t* out, const std::uint8_t* in, const int* index,
                                         const std::int32_t* weight, int pixels, int taps, int shift,
                                         LanczosResampler::Order order) {
    const std::int32_t half = 1 << (shift - 1);
    for (int x = 0; x < pixels; ++x, out += 4) {
        Channels sums = {half, half, half, half};
        for (int t = 0; t < taps; ++t, ++index, ++weight) {
            sums += *weight * channelsAt(in + static_cast<std::size_t>(*index) * 4);
        }
        sums >>= shift;
        store(out, sums[0], sums[1], sums[2], order);
    }
}

void boxRows(const Plane& from, int box, Picture& to) {
    const std::size_t bytes = static_cast<std::size_t>(from.width) * 4;
    RowSums rowSums(bytes);
    ORVANE_EACH_ROW_ON_THE_TEAM
    for (int y = 0; y < to.height; ++y) {
        std::int32_t* sums = rowSums.mine();
        std::fill_n(sums, bytes, box / 2);
        for (int j = 0; j < box; ++j) {
            addRow(sums,
                   from.data +
                       static_cast<std::size_t>(std::min(y * box + j, from.height - 1)) * from.rowBytes,
                   bytes);
        }
        std::uint8_t* out = to.row(y);
        for (std::size_t x = 0; x < bytes; ++x) {
            out[x] = static_cast<std::uint8_t>(sums[x] / box);
        }
    }
}

void kernelRows(const Plane& from, const LanczosResampler::Axis& axis, Picture& to) {
    const std::size_t bytes = static_cast<std::size_t>(from.width) * 4;
    const auto taps = static_cast<std::size_t>(axis.taps);
    RowSums rowSums(bytes);
    ORVANE_EACH_ROW_ON_THE_TEAM
    for (int y = 0; y < to.height; ++y) {
        std::int32_t* sums = rowSums.mine();
        std::fill_n(sums, bytes, 1 << (axis.shift - 1));
        for (std::size_t t = 0; t < taps; ++t) {
            const std::size_t tap = static_cast<std::size_t>(y) * taps + t;
            addWeightedRow(sums, from.data + static_cast<std::size_t>(axis.indices[tap]) * from.rowBytes,
                           axis.weights[tap], bytes);
        }
        narrowedRow(to.row(y), sums, axis.shift, bytes);
    }
}

void boxColumns(const Plane& from, int box, int width, std::uint8_t* to, std::size_t toRowBytes,
                LanczosResampler::Order order) {
    ORVANE_EACH_ROW_ON_THE_TEAM
    for (int y = 0; y < from.height; ++y) {
        const std::uint8_t* in = from.data + static_cast<std::size_t>(y) * from.rowBytes;
        std::uint8_t* out = to + static_cast<std::size_t>(y) * toRowBytes;
        for (int x = 0; x < width; ++x, out += 4) {
            std::array<std::int32_t, 3> sums{box / 2, box / 2, box / 2};
            for (int j = 0; j < box; ++j) {
                const std::uint8_t* p =
                    in + static_cast<std::size_t>(std::min(x * box + j, from.width - 1)) * 4;
                for (std::size_t c = 0; c < 3; ++c) {
                    sums[c] += p[c];
                }
            }
            store(out, sums[0] / box, sums[1] / box, sums[2] / box, order);
        }
    }
}

void kernelColumns(const Plane& from, const LanczosResampler::Axis& axis, std::uint8_t* to,
                   std::size_t toRowBytes, LanczosResampler::Order order) {
    ORVANE_EACH_ROW_ON_THE_TEAM
    for (int y = 0; y < from.height; ++y) {
        weightedPixels(to + static_cast<std::size_t>(y) * toRowBytes,
                       from.data + static_cast<std::size_t>(y) * from.rowBytes, axis.indices.data(),
                       axis.weights.data(), axis.to, axis.taps, axis.shift, order);
    }
}

void copyColumns(const Plane& from, std::uint8_t* to, std::size_t toRowBytes, LanczosResampler::Order order) {
    ORVANE_EACH_ROW_ON_THE_TEAM
    for (int y = 0; y < from.height; ++y) {
        const std::uint8_t* in = from.data + static_cast<std::size_t>(y) * from.rowBytes;
        std::uint8_t* out = to + static_cast<std::size_t>(y) * toRowBytes;
        for (int x = 0; x < from.width; ++x, in += 4, out += 4) {
            store(out, in[0], in[1], in[2], order);
        }
    }
}

} // namespace

bool LanczosResampler::handles(int fromWidth, int fromHeight, int toWidth, int toHeight) {
    return toWidth >= 1 && toHeight >= 1 && toWidth <= fromWidth && toHeight <= fromHeight;
}

LanczosResampler::LanczosResampler(int fromWidth, int fromHeight, int toWidth, int toHeight) {
    if (!handles(fromWidth, fromHeight, toWidth, toHeight)) {
        throw std::invalid_argument("the resampler only shrinks, to at least one pixel");
    }
    rows_ = plan(fromHeight, toHeight, VipsRuntime::vectorPathEnabled() ? vectorBits : fineBits);
    columns_ = plan(fromWidth, toWidth, fineBits);
}

void LanczosResampler::resample(const std::uint8_t* from, std::size_t fromRowBytes, std::uint8_t* to,
                                std::size_t toRowBytes, Order order) const {
    Plane current{from, fromRowBytes, columns_.from, rows_.from};
    std::optional<Picture> boxed;
    if (rows_.box > 1) {
        boxed.emplace(columns_.from, rows_.boxed);
        boxRows(current, rows_.box, *boxed);
        current = boxed->plane();
    }
    std::optional<Picture> reduced;
    if (rows_.taps > 0) {
        reduced.emplace(columns_.from, rows_.to);
        kernelRows(current, rows_, *reduced);
        current = reduced->plane();
    }
    if (columns_.taps == 0) {
        if (columns_.box > 1) {
            boxColumns(current, columns_.box, columns_.to, to, toRowBytes, order);
        } else {
            copyColumns(current, to, toRowBytes, order);
        }
        return;
    }
    std::optional<Picture> narrowed;
    if (columns_.box > 1) {
        narrowed.emplace(columns_.boxed, rows_.to);
        boxColumns(current, columns_.box, columns_.boxed, narrowed->row(0), narrowed->rowBytes(),
                   Order::kept);
        current = narrowed->plane();
    }
    kernelColumns(current, columns_, to, toRowBytes, order);
}

} // namespace orvane
