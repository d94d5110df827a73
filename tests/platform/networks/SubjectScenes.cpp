#include "tests/platform/networks/SubjectScenes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <stdexcept>

namespace orvane::test {

namespace {

using Colour = std::array<double, 3>;

struct Point {
    double x, y;
};

// A capsule: every point within `radius` of the segment a–b. Shaded as a cylinder (a sphere when
// a = b) lit from the upper left.
struct Part {
    Point a, b;
    double radius;
    Colour albedo;
    double shininess; // 0 for matte cloth, up to 1 for glazed pottery
};

struct Hit {
    double distance; // signed: negative inside
    Colour colour;
};

Hit shade(const Part& part, Point p) {
    const double ex = part.b.x - part.a.x, ey = part.b.y - part.a.y;
    const double length2 = ex * ex + ey * ey;
    const double t =
        length2 == 0 ? 0 : std::clamp(((p.x - part.a.x) * ex + (p.y - part.a.y) * ey) / length2, 0.0, 1.0);
    const double vx = p.x - (part.a.x + t * ex), vy = p.y - (part.a.y + t * ey);
    const double d = std::hypot(vx, vy);
    const double nx = vx / part.radius, ny = vy / part.radius;
    const double nz = std::sqrt(std::max(0.0, 1 - nx * nx - ny * ny));
    const double lx = -0.5, ly = -0.55, lz = 0.67; // unit length
    const double diffuse = std::max(0.0, nx * lx + ny * ly + nz * lz);
    // Blinn-Phong with the viewer straight ahead.
    const double hx = lx, hy = ly, hz = lz + 1, hn = std::sqrt(hx * hx + hy * hy + hz * hz);
    const double specular =
        part.shininess * std::pow(std::max(0.0, (nx * hx + ny * hy + nz * hz) / hn), 40.0) * 220.0;
    Colour colour;
    for (int c = 0; c < 3; ++c) {
        colour[c] = part.albedo[c] * (0.22 + 0.85 * diffuse) + specular;
    }
    return {d - part.radius, colour};
}

// The parts of an object whose feet are at `base` and which is `size` pixels tall.
std::vector<Part> parts(SceneObject object, Point base, double size) {
    const double x = base.x, y = base.y, h = size;
    switch (object) {
    case SceneObject::person: {
        const Colour skin{205, 150, 120}, shirt{190, 40, 45}, trousers{45, 55, 95}, hair{60, 40, 30};
        return {
            {{x - 0.055 * h, y - 0.47 * h}, {x - 0.06 * h, y - 0.05 * h}, 0.055 * h, trousers, 0},
            {{x + 0.055 * h, y - 0.47 * h}, {x + 0.06 * h, y - 0.05 * h}, 0.055 * h, trousers, 0},
            {{x - 0.08 * h, y - 0.035 * h}, {x - 0.03 * h, y - 0.035 * h}, 0.035 * h, {30, 30, 30}, 0.3},
            {{x + 0.03 * h, y - 0.035 * h}, {x + 0.08 * h, y - 0.035 * h}, 0.035 * h, {30, 30, 30}, 0.3},
            {{x, y - 0.70 * h}, {x, y - 0.52 * h}, 0.115 * h, shirt, 0},
            {{x - 0.15 * h, y - 0.73 * h}, {x - 0.19 * h, y - 0.47 * h}, 0.04 * h, shirt, 0},
            {{x + 0.15 * h, y - 0.73 * h}, {x + 0.19 * h, y - 0.47 * h}, 0.04 * h, shirt, 0},
            {{x - 0.19 * h, y - 0.47 * h}, {x - 0.20 * h, y - 0.40 * h}, 0.035 * h, skin, 0.1},
            {{x + 0.19 * h, y - 0.47 * h}, {x + 0.20 * h, y - 0.40 * h}, 0.035 * h, skin, 0.1},
            {{x, y - 0.84 * h}, {x, y - 0.80 * h}, 0.035 * h, skin, 0.1},
            {{x, y - 0.915 * h}, {x, y - 0.915 * h}, 0.085 * h, skin, 0.15},
            {{x - 0.01 * h, y - 0.95 * h}, {x + 0.01 * h, y - 0.95 * h}, 0.05 * h, hair, 0.05},
        };
    }
    case SceneObject::vase: {
        const Colour glaze{40, 110, 150};
        return {
            {{x, y - 0.30 * h}, {x, y - 0.30 * h}, 0.30 * h, glaze, 0.8},
            {{x, y - 0.22 * h}, {x, y - 0.12 * h}, 0.12 * h, glaze, 0.8},
            {{x, y - 0.80 * h}, {x, y - 0.55 * h}, 0.09 * h, glaze, 0.8},
            {{x - 0.07 * h, y - 0.91 * h}, {x + 0.07 * h, y - 0.91 * h}, 0.05 * h, glaze, 0.8},
        };
    }
    case SceneObject::ball:
        return {{{x, y - 0.5 * h}, {x, y - 0.5 * h}, 0.5 * h, {230, 160, 30}, 1.0}};
    }
    throw std::logic_error("unknown object");
}

double footprint(SceneObject object) {
    switch (object) {
    case SceneObject::person:
        return 0.48;
    case SceneObject::vase:
        return 0.6;
    case SceneObject::ball:
        return 1.0;
    }
    return 1.0;
}

// Smooth value noise: random values on a coarse grid, interpolated with a smooth step.
class Noise {
public:
    Noise(int columns, int rows, std::mt19937& random)
        : columns_(columns + 2)
        , rows_(rows + 2)
        , values_(static_cast<std::size_t>(columns_) * rows_) {
        std::uniform_real_distribution<double> uniform(-1, 1);
        for (auto& value : values_) {
            value = uniform(random);
        }
    }
    // u and v from 0 to 1.
    double at(double u, double v) const {
        const double gx = u * (columns_ - 2), gy = v * (rows_ - 2);
        const int ix = static_cast<int>(gx), iy = static_cast<int>(gy);
        const double fx = smooth(gx - ix), fy = smooth(gy - iy);
        const auto value = [&](int cx, int cy) {
            return values_[static_cast<std::size_t>(cy) * columns_ + cx];
        };
        const double top = value(ix, iy) * (1 - fx) + value(ix + 1, iy) * fx;
        const double bottom = value(ix, iy + 1) * (1 - fx) + value(ix + 1, iy + 1) * fx;
        return top * (1 - fy) + bottom * fy;
    }

private:
    static double smooth(double t) { return t * t * (3 - 2 * t); }
    int columns_, rows_;
    std::vector<double> values_;
};

} // namespace

Scene scene(int width, int height, const std::vector<Placement>& objects, std::uint32_t seed) {
    std::mt19937 random(seed);
    const Noise broad(4, 3, random), fine(14, 10, random);
    std::uniform_real_distribution<double> uniform(0, 1);
    struct Bokeh {
        Point centre;
        double radius;
    };
    std::vector<Bokeh> bokeh(12);
    for (auto& light : bokeh) {
        light = {{uniform(random) * width, uniform(random) * height * 0.55},
                 (0.02 + 0.04 * uniform(random)) * std::min(width, height)};
    }
    const double horizon = 0.6 * height;
    const double floorLevel = 0.9 * height; // where the objects stand

    std::vector<Part> all;
    struct Shadow {
        Point centre;
        double rx, ry;
    };
    std::vector<Shadow> shadows;
    for (const auto& placement : objects) {
        const double size = placement.height * height;
        const Point base{placement.centre * width, floorLevel};
        const auto objectParts = parts(placement.object, base, size);
        all.insert(all.end(), objectParts.begin(), objectParts.end());
        // Light from the upper left: the shadow falls to the right, behind the feet.
        shadows.push_back({{base.x + 0.18 * size, base.y - 0.01 * size},
                           0.5 * size * footprint(placement.object),
                           0.06 * size});
    }

    std::normal_distribution<double> grain(0, 3.0);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    Mask truth{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = (x + 0.5) / width, v = (y + 0.5) / height;
            const Point p{x + 0.5, y + 0.5};
            // The backdrop: a wall that lightens upwards, a floor that darkens towards the viewer,
            // with the seam between them softened by the lens.
            const double texture = 0.12 * broad.at(u, v) + 0.05 * fine.at(u, v);
            const double wall = std::clamp((horizon - p.y) / (0.03 * height) * 0.5 + 0.5, 0.0, 1.0);
            const double floorDepth = std::clamp((p.y - horizon) / (height - horizon), 0.0, 1.0);
            Colour colour;
            const Colour wallColour{150 + 40 * (1 - v), 165 + 35 * (1 - v), 180 + 30 * (1 - v)};
            const Colour floorColour{160 - 60 * floorDepth, 130 - 50 * floorDepth, 95 - 35 * floorDepth};
            for (int c = 0; c < 3; ++c) {
                colour[c] = (wall * wallColour[c] + (1 - wall) * floorColour[c]) * (1 + texture);
            }
            for (const auto& light : bokeh) {
                const double d = std::hypot(p.x - light.centre.x, p.y - light.centre.y) / light.radius;
                const double glow = 0.25 * std::clamp(1.2 - d, 0.0, 1.0);
                for (int c = 0; c < 3; ++c) {
                    colour[c] += glow * (255 - colour[c]);
                }
            }
            for (const auto& shadow : shadows) {
                const double dx = (p.x - shadow.centre.x) / shadow.rx,
                             dy = (p.y - shadow.centre.y) / shadow.ry;
                const double darkness = 0.55 * std::clamp(1.3 - std::sqrt(dx * dx + dy * dy), 0.0, 1.0);
                for (auto& channel : colour) {
                    channel *= 1 - darkness;
                }
            }

            // The objects, sharp: coverage from the signed distance gives anti-aliased edges.
            Hit nearest{1e9, {}};
            for (const auto& part : all) {
                const Hit hit = shade(part, p);
                if (hit.distance < nearest.distance) {
                    nearest = hit;
                }
            }
            const double coverage = std::clamp(0.5 - nearest.distance, 0.0, 1.0);
            const double noise = grain(random);
            std::uint8_t* pixel = pixels.data() + (static_cast<std::size_t>(y) * width + x) * 4;
            for (int c = 0; c < 3; ++c) {
                const double value = coverage * nearest.colour[c] + (1 - coverage) * colour[c] + noise;
                pixel[c] = static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
            }
            pixel[3] = 255;
            truth.values[static_cast<std::size_t>(y) * width + x] = nearest.distance < 0 ? 255 : 0;
        }
    }
    return {Bitmap(width, height, AlphaInfo::noneSkipLast, std::move(pixels)), std::move(truth)};
}

double intersectionOverUnion(const Mask& found, const Mask& truth) {
    if (found.width != truth.width || found.height != truth.height) {
        return 0;
    }
    std::size_t intersection = 0, both = 0;
    for (std::size_t i = 0; i < truth.values.size(); ++i) {
        const bool a = found.values[i] > 127, b = truth.values[i] > 127;
        intersection += a && b;
        both += a || b;
    }
    return both == 0 ? 1 : static_cast<double>(intersection) / static_cast<double>(both);
}

} // namespace orvane::test
