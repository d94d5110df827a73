#pragma once

// The photo the enlarging benchmarks run on: a generated landscape with a smooth sky and soft
// clouds, a mountain ridge (a hard edge) with rock texture, a grassy meadow, houses with windows
// (straight edges, fine detail) and mild sensor noise.

#include "bench/BenchSupport.h"
#include "platform/image/Bitmap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace orvane::bench {

using Colour = std::array<float, 3>;

inline Colour mix(const Colour& a, const Colour& b, float t) {
    return {a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t};
}

inline Bitmap makeLandscapePhoto(int width, int height) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    for (int py = 0; py < height; ++py) {
        for (int px = 0; px < width; ++px) {
            const float x = static_cast<float>(px);
            const float y = static_cast<float>(py);
            const float u = x / width;
            const float v = y / height;
            const float ridge = height * (0.25f + 0.25f * fbm(u * 4, 0.5f, 6, 11));
            const float meadow = height * (0.62f + 0.04f * std::sin(u * 5 + 1));
            Colour c;
            if (y < ridge) {
                c = mix(Colour{45, 95, 175}, Colour{185, 208, 232}, v / 0.5f);
                const float cloud = std::clamp((fbm(u * 4, v * 9, 6, 101) - 0.5f) * 4, 0.0f, 1.0f);
                c = mix(c, Colour{240, 240, 244}, cloud * 0.85f);
            } else if (y < meadow) {
                const float rock = fbm(x / 90, y / 60, 6, 201);
                c = mix(Colour{70, 78, 95}, Colour{135, 140, 155}, rock);
                c = mix(c, Colour{c[0] * 0.75f, c[1] * 0.75f, c[2] * 0.75f},
                        valueNoise(x / 3, y / 3, 203) * 0.5f);
                c = mix(c, Colour{160, 180, 200}, 0.35f * (meadow - y) / std::max(1.0f, meadow - ridge));
            } else {
                c = mix(Colour{45, 85, 30}, Colour{125, 150, 55}, fbm(x / 400, y / 250, 4, 301));
                c = mix(c, Colour{c[0] * 0.55f, c[1] * 0.6f, c[2] * 0.5f},
                        fbm(x / 2.5f, y / 9, 3, 303) * 0.9f);
            }
            for (int i = 0; i < 5; ++i) {
                const float left = width * (0.1f + 0.17f * i);
                const float right = left + width * 0.06f;
                const float bottom = meadow + height * 0.06f;
                const float top = bottom - height * 0.07f;
                if (x >= left && x < right && y >= top && y < bottom) {
                    const float across = std::fmod((x - left) / (right - left) * 4, 1.0f);
                    const float down = std::fmod((y - top) / (bottom - top) * 3, 1.0f);
                    const bool window = across > 0.35f && across < 0.75f && down > 0.3f && down < 0.8f;
                    c = window ? Colour{40, 48, 60} : Colour{215, 200, 170};
                } else if (y >= top - height * 0.03f && y < top &&
                           std::abs(x - (left + right) / 2) <
                               (right - left) * 0.6f * (y - top + height * 0.03f) / (height * 0.03f)) {
                    c = Colour{150, 62, 42};
                }
            }
            std::uint8_t* out = pixels.data() + (static_cast<std::size_t>(py) * width + px) * 4;
            for (int k = 0; k < 3; ++k) {
                const float noise = (lattice(px, py, 901 + static_cast<std::uint32_t>(k)) - 0.5f) * 6;
                out[k] = static_cast<std::uint8_t>(std::clamp(std::lround(c[k] + noise), 0L, 255L));
            }
            out[3] = 255;
        }
    }
    return Bitmap(width, height, AlphaInfo::noneSkipLast, std::move(pixels));
}

} // namespace orvane::bench
