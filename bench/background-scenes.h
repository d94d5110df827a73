#pragma once

// Photo-like scenes with a known subject for the background and enhancement benchmarks, drawn
// from geometry so that the true outline is exact: shaded solid figures and objects, in focus,
// with soft contact shadows, in front of a textured, out-of-focus wall and floor, with sensor
// grain. Nothing is read from disk.

#include "bench/BenchSupport.h"
#include "platform/filters/Mask.h"
#include "platform/image/Bitmap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace orvane::benchscene {

enum class Kind {
    person,      // a standing figure in a room
    tableObject, // a vase on a wooden table
    twoObjects,  // a ball and a box on a floor
    darkNoisy,   // the person, under-exposed by about 1.5 stops, with heavy sensor noise
};

inline std::string name(Kind kind) {
    switch (kind) {
    case Kind::person:
        return "person";
    case Kind::tableObject:
        return "object on a table";
    case Kind::twoObjects:
        return "two objects";
    case Kind::darkNoisy:
        return "dark and noisy";
    }
    return "?";
}

struct Scene {
    Bitmap photo;
    Mask truth; // 255 where a pixel is more than half covered by the subject, 0 elsewhere
};

namespace detail {

using namespace orvane::bench;

using Colour = std::array<float, 3>;

inline Colour mix(const Colour& a, const Colour& b, float t) {
    return {a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t};
}

inline Colour scaled(const Colour& c, float f) {
    return {c[0] * f, c[1] * f, c[2] * f};
}

// A solid part of a subject, in coordinates where the photo's height is 1: its signed distance
// (negative inside) and the surface normal's x and y at a point, for shading.
struct Part {
    enum class Shape { capsule, ellipse, box } shape;
    float ax, ay, bx, by; // capsule: the axis from a to b; ellipse: centre a, radii b; box: corners
    float radius;         // capsule: its radius; box: its corner rounding
    Colour colour;
    float shininess = 0;

    // The distance (negative inside) and the normal's (nx, ny) at (x, y).
    void probe(float x, float y, float& distance, float& nx, float& ny) const {
        if (shape == Shape::capsule) {
            const float dx = bx - ax, dy = by - ay;
            const float t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
            const float px = x - (ax + t * dx), py = y - (ay + t * dy);
            const float d = std::sqrt(px * px + py * py);
            distance = d - radius;
            const float r = std::min(1.0f, d / radius);
            nx = d > 0 ? px / d * r : 0;
            ny = d > 0 ? py / d * r : 0;
        } else if (shape == Shape::ellipse) {
            const float ux = (x - ax) / bx, uy = (y - ay) / by;
            const float r = std::sqrt(ux * ux + uy * uy);
            distance = (r - 1.0f) * std::min(bx, by);
            nx = std::min(1.0f, r) * (r > 0 ? ux / r : 0);
            ny = std::min(1.0f, r) * (r > 0 ? uy / r : 0);
        } else {
            const float cx = (ax + bx) / 2, cy = (ay + by) / 2;
            const float hx = (bx - ax) / 2 - radius, hy = (by - ay) / 2 - radius;
            const float qx = std::abs(x - cx) - hx, qy = std::abs(y - cy) - hy;
            const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
            distance = std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
            // A box reads as flat faces with rounded edges: the normal turns only near them.
            nx = std::clamp((x - cx) / (hx + radius), -1.0f, 1.0f);
            nx = nx * nx * nx * nx * nx * (nx < 0 ? -1.0f : 1.0f) * 0.8f;
            ny = 0;
        }
    }
};

struct Shadow {
    float cx, cy, rx, ry, depth; // a soft elliptical contact shadow on the floor
};

struct Layout {
    std::vector<Part> parts;
    std::vector<Shadow> shadows;
    float horizon; // where the wall meets the floor (or the table's back edge)
    Colour wallTop, wallBottom, floorNear, floorFar;
    bool woodFloor; // a table top with grain
    float exposure = 1.0f;
    float grainDeviation = 2.0f; // in 8-bit steps
};

inline Layout layout(Kind kind, float aspect) {
    Layout l;
    const float c = aspect / 2; // the horizontal centre
    l.wallTop = {150, 160, 170};
    l.wallBottom = {196, 190, 178};
    l.floorFar = {120, 104, 90};
    l.floorNear = {150, 130, 108};
    l.woodFloor = false;
    l.horizon = 0.72f;
    switch (kind) {
    case Kind::person:
    case Kind::darkNoisy: {
        const Colour skin{214, 170, 140}, shirt{40, 96, 158}, trousers{56, 52, 60}, hair{60, 42, 30};
        const float x = c - 0.08f * aspect;
        l.parts = {
            {Part::Shape::ellipse, x, 0.17f, 0.055f, 0.07f, 0, skin, 0.2f},  // head
            {Part::Shape::ellipse, x, 0.13f, 0.058f, 0.045f, 0, hair, 0.1f}, // hair
            {Part::Shape::capsule, x, 0.24f, x, 0.27f, 0.028f, skin, 0.1f},  // neck
            {Part::Shape::capsule, x, 0.34f, x, 0.55f, 0.085f, shirt, 0.1f}, // torso
            {Part::Shape::capsule, x - 0.09f, 0.33f, x - 0.15f, 0.52f, 0.03f, shirt, 0.1f},
            {Part::Shape::capsule, x - 0.15f, 0.52f, x - 0.13f, 0.64f, 0.024f, skin, 0.2f},
            {Part::Shape::capsule, x + 0.09f, 0.33f, x + 0.17f, 0.44f, 0.03f, shirt, 0.1f},
            {Part::Shape::capsule, x + 0.17f, 0.44f, x + 0.21f, 0.30f, 0.024f, skin, 0.2f}, // a raised arm
            {Part::Shape::capsule, x - 0.04f, 0.62f, x - 0.05f, 0.88f, 0.037f, trousers, 0.05f},
            {Part::Shape::capsule, x + 0.04f, 0.62f, x + 0.07f, 0.88f, 0.037f, trousers, 0.05f},
            {Part::Shape::ellipse, x - 0.06f, 0.905f, 0.045f, 0.018f, 0, {30, 28, 26}, 0.3f}, // shoes
            {Part::Shape::ellipse, x + 0.08f, 0.905f, 0.045f, 0.018f, 0, {30, 28, 26}, 0.3f},
        };
        l.shadows = {{x + 0.03f, 0.915f, 0.16f, 0.025f, 0.55f}};
        if (kind == Kind::darkNoisy) {
            l.exposure = 0.33f;
            l.grainDeviation = 9.0f;
        }
        break;
    }
    case Kind::tableObject: {
        l.horizon = 0.58f;
        l.woodFloor = true;
        l.floorFar = {112, 70, 40};
        l.floorNear = {150, 96, 56};
        l.wallTop = {205, 210, 200};
        l.wallBottom = {170, 178, 168};
        const Colour glaze{196, 70, 48};
        l.parts = {
            {Part::Shape::ellipse, c, 0.56f, 0.15f, 0.17f, 0, glaze, 0.6f},              // the belly
            {Part::Shape::capsule, c, 0.30f, c, 0.44f, 0.06f, glaze, 0.6f},              // the neck
            {Part::Shape::ellipse, c, 0.28f, 0.085f, 0.022f, 0, glaze, 0.6f},            // the lip
            {Part::Shape::box, c - 0.09f, 0.68f, c + 0.09f, 0.745f, 0.01f, glaze, 0.3f}, // the foot
            {Part::Shape::capsule, c + 0.28f, 0.70f, c + 0.42f, 0.70f, 0.03f, {230, 200, 60}, 0.4f}, // a
                                                                                                     // lemon
        };
        l.shadows = {{c + 0.06f, 0.745f, 0.2f, 0.03f, 0.6f}, {c + 0.37f, 0.735f, 0.1f, 0.015f, 0.5f}};
        break;
    }
    case Kind::twoObjects: {
        l.horizon = 0.6f;
        l.wallTop = {120, 140, 150};
        l.wallBottom = {170, 180, 176};
        l.floorFar = {96, 98, 92};
        l.floorNear = {138, 136, 124};
        l.parts = {
            {Part::Shape::ellipse, c - 0.42f, 0.62f, 0.17f, 0.17f, 0, {60, 150, 70}, 0.7f},        // a ball
            {Part::Shape::box, c + 0.12f, 0.36f, c + 0.52f, 0.80f, 0.012f, {205, 170, 110}, 0.1f}, // a box
            {Part::Shape::box, c + 0.12f, 0.52f, c + 0.52f, 0.56f, 0.0f, {170, 60, 50}, 0.1f},     // its band
        };
        l.shadows = {{c - 0.36f, 0.79f, 0.2f, 0.03f, 0.6f}, {c + 0.36f, 0.80f, 0.28f, 0.03f, 0.55f}};
        break;
    }
    }
    return l;
}

} // namespace detail

// The scene drawn at `width` × `height`, on every core.
inline Scene draw(Kind kind, int width, int height, std::uint32_t seed = 1) {
    using namespace detail;
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    const Layout l = layout(kind, aspect);
    const float pixel = 1.0f / static_cast<float>(height);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    std::vector<std::uint8_t> truth(static_cast<std::size_t>(width) * height);
    // The light comes from the upper left and a little from the front.
    const float lx = -0.5f, ly = -0.6f, lz = 0.62f;

    auto rows = [&](int first, int last) {
        for (int py = first; py < last; ++py) {
            for (int px = 0; px < width; ++px) {
                const float x = (static_cast<float>(px) + 0.5f) * pixel;
                const float y = (static_cast<float>(py) + 0.5f) * pixel;
                // The backdrop: out of focus, so only low frequencies survive.
                Colour back;
                const float blotches = fbm(x * 3.0f, y * 3.0f, 4, seed + 11);
                if (y < l.horizon) {
                    back = mix(l.wallTop, l.wallBottom, y / l.horizon);
                    back = scaled(back, 0.86f + 0.26f * blotches);
                    // A blurred window light on the wall.
                    const float wx = (x - aspect * 0.82f) / 0.16f, wy = (y - 0.28f) / 0.2f;
                    const float window = std::exp(-(wx * wx * wx * wx + wy * wy * wy * wy));
                    back = mix(back, Colour{246, 244, 236}, 0.75f * window);
                } else {
                    const float depth = (y - l.horizon) / (1.0f - l.horizon);
                    back = mix(l.floorFar, l.floorNear, depth);
                    if (l.woodFloor) {
                        const float streak = fbm(x * 1.5f, y * 40.0f / (0.3f + depth), 4, seed + 21);
                        back = scaled(back, 0.8f + 0.4f * streak);
                    } else {
                        back = scaled(back, 0.9f + 0.2f * fbm(x * 6.0f, y * 14.0f, 4, seed + 31));
                    }
                }
                for (const Shadow& s : l.shadows) {
                    const float sx = (x - s.cx) / s.rx, sy = (y - s.cy) / s.ry;
                    back = scaled(back, 1.0f - s.depth * std::exp(-(sx * sx + sy * sy) * 1.6f));
                }
                // The subject: the nearest part's surface where it covers the pixel.
                float coverage = 0;
                Colour front{0, 0, 0};
                for (auto part = l.parts.rbegin(); part != l.parts.rend(); ++part) {
                    float d, nx, ny;
                    part->probe(x, y, d, nx, ny);
                    const float cover = std::clamp(0.5f - d / pixel, 0.0f, 1.0f);
                    if (cover <= 0) {
                        continue;
                    }
                    const float nz = std::sqrt(std::max(0.0f, 1.0f - nx * nx - ny * ny));
                    const float lambert = std::max(0.0f, nx * lx + ny * ly + nz * lz);
                    // Reflected light: (l + v) / |l + v| with the viewer in front.
                    const float hz = lz + 1.0f, hl = std::sqrt(lx * lx + ly * ly + hz * hz);
                    const float specular =
                        std::pow(std::max(0.0f, (nx * lx + ny * ly + nz * hz) / hl), 40.0f) * part->shininess;
                    // Surface texture: cloth weave, glaze speckle; in focus, so fine.
                    const float texture = 0.94f + 0.12f * fbm(x * 900.0f, y * 900.0f, 2, seed + 41);
                    Colour lit = scaled(part->colour, (0.25f + 0.85f * lambert) * texture);
                    lit = mix(lit, Colour{255, 252, 246}, std::min(1.0f, specular));
                    // Parts listed later lie in front: what is behind shows through the rest.
                    for (int k = 0; k < 3; ++k) {
                        front[k] += (1.0f - coverage) * cover * lit[k];
                    }
                    coverage = coverage + (1.0f - coverage) * cover;
                    if (coverage >= 1.0f) {
                        break;
                    }
                }
                // `front` holds the subject's light weighted by its coverage; the backdrop shows through the
                // rest.
                Colour c;
                for (int k = 0; k < 3; ++k) {
                    c[k] = front[k] + back[k] * (1.0f - coverage);
                }
                const std::size_t index = static_cast<std::size_t>(py) * width + px;
                truth[index] = coverage > 0.5f ? 255 : 0;
                std::uint8_t* out = pixels.data() + index * 4;
                for (int k = 0; k < 3; ++k) {
                    // Exposure in linear light, then the grain of the sensor on the encoded value.
                    const float linear = std::pow(std::max(0.0f, c[k]) / 255.0f, 2.2f) * l.exposure;
                    const float encoded =
                        std::pow(linear, 1.0f / 2.2f) * 255.0f +
                        l.grainDeviation * grain(px, py, seed + 901 + static_cast<std::uint32_t>(k) * 17);
                    out[k] = static_cast<std::uint8_t>(std::clamp(std::lround(encoded), 0L, 255L));
                }
                out[3] = 255;
            }
        }
    };
    const int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back(rows, height * t / threads, height * (t + 1) / threads);
    }
    for (auto& worker : workers) {
        worker.join();
    }
    return Scene{Bitmap(width, height, AlphaInfo::noneSkipLast, std::move(pixels)),
                 Mask{width, height, std::move(truth)}};
}

// The intersection over union of the pixels above 127 in both masks.
inline double intersectionOverUnion(const Mask& found, const Mask& truth) {
    std::size_t both = 0, either = 0;
    for (std::size_t i = 0; i < truth.values.size(); ++i) {
        const bool a = found.values[i] > 127, b = truth.values[i] > 127;
        both += a && b;
        either += a || b;
    }
    return either == 0 ? 1.0 : static_cast<double>(both) / static_cast<double>(either);
}

} // namespace orvane::benchscene
