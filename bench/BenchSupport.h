#pragma once

// What the benchmark programs share: timing, medians, fingerprints of results, and the noise
// their generated photos are drawn with.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <vector>

namespace orvane::bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double secondsOf(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return secondsSince(start);
}

// The machine's 1-minute load average, or -1 where it can't be read.
inline double loadAverage() {
    double load = -1;
    if (std::FILE* file = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(file, "%lf", &load) != 1) {
            load = -1;
        }
        std::fclose(file);
    }
    return load;
}

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// FNV-1a: tells whether two builds give the very same result.
inline std::uint64_t fingerprint(std::span<const std::uint8_t> bytes) {
    std::uint64_t h = 0xcbf29ce484222325u;
    for (const std::uint8_t byte : bytes) {
        h = (h ^ byte) * 0x100000001b3u;
    }
    return h;
}

inline std::uint32_t hash(std::int32_t x, std::int32_t y, std::uint32_t seed) {
    std::uint32_t h =
        seed ^ (static_cast<std::uint32_t>(x) * 0x27d4eb2du) ^ (static_cast<std::uint32_t>(y) * 0x165667b1u);
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}

inline float lattice(std::int32_t x, std::int32_t y, std::uint32_t seed) {
    return static_cast<float>(hash(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

// Smooth value noise in [0, 1).
inline float valueNoise(float x, float y, std::uint32_t seed) {
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const auto ix = static_cast<std::int32_t>(fx);
    const auto iy = static_cast<std::int32_t>(fy);
    float tx = x - fx;
    float ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    const float top = lattice(ix, iy, seed) + (lattice(ix + 1, iy, seed) - lattice(ix, iy, seed)) * tx;
    const float bottom =
        lattice(ix, iy + 1, seed) + (lattice(ix + 1, iy + 1, seed) - lattice(ix, iy + 1, seed)) * tx;
    return top + (bottom - top) * ty;
}

// Fractal noise in about [0, 1): `octaves` layers, each of twice the frequency and half the weight.
inline float fbm(float x, float y, int octaves, std::uint32_t seed) {
    float sum = 0;
    float weight = 0.5f;
    float total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += weight * valueNoise(x, y, seed + static_cast<std::uint32_t>(i) * 7919u);
        total += weight;
        weight *= 0.5f;
        x = x * 2.03f + 17.1f;
        y = y * 2.03f + 5.3f;
    }
    return sum / total;
}

// Roughly normal noise with unit deviation (a sum of four uniforms).
inline float grain(int x, int y, std::uint32_t seed) {
    float sum = 0;
    for (std::uint32_t i = 0; i < 4; ++i) {
        sum += lattice(x, y, seed + i * 131u);
    }
    return (sum - 2.0f) * 1.7320508f;
}

inline float smoothstep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

} // namespace orvane::bench
