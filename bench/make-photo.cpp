// Writes the benchmark's test photo: a generated landscape (smooth sky with soft clouds, mountains,
// a textured meadow, trees and houses with hard edges, mild sensor noise) that compresses like a
// real photo, encoded once as JPEG and once as HEIC with the library's own encoders and carrying
// camera EXIF. Usage: make-photo OUTDIR [WIDTH HEIGHT]

#include "bench/BenchSupport.h"
#include "core/convert/ConvertFormat.h"
#include "core/convert/Converter.h"
#include "platform/files/AtomicFile.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

using namespace orvane;

namespace {

using namespace orvane::bench;

using Colour = std::array<float, 3>;

Colour mix(const Colour& a, const Colour& b, float t) {
    return {a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t};
}

struct House {
    float left, right, wallTop, base; // in pixels
    Colour wall;
};

struct Tree {
    float x, y, radius;
};

struct Scene {
    int width;
    int height;
    std::vector<float> ridge; // per column: the top of the mountains, in pixels
    std::vector<float> hill;  // per column: the top of the meadow
    std::vector<House> houses;
    std::vector<Tree> trees;

    Scene(int w, int h)
        : width(w)
        , height(h)
        , ridge(w)
        , hill(w) {
        for (int x = 0; x < w; ++x) {
            const float u = static_cast<float>(x) / w;
            ridge[x] = h * (0.14f + 0.40f * fbm(u * 4, 0.5f, 6, 11) - 0.04f * std::sin(u * 3.1f));
            hill[x] = h * (0.60f + 0.04f * std::sin(u * 5.0f + 1) + 0.05f * fbm(u * 12, 3.5f, 5, 23));
        }
        for (int i = 0; i < 7; ++i) {
            const float cx = w * (0.12f + 0.11f * i + 0.02f * lattice(i, 1, 5));
            const float houseWidth = w * (0.035f + 0.02f * lattice(i, 2, 5));
            const float wallHeight = h * (0.045f + 0.02f * lattice(i, 3, 5));
            const int column = std::clamp(static_cast<int>(cx), 0, w - 1);
            const float base = hill[column] + h * 0.03f;
            const float tint = lattice(i, 4, 5);
            houses.push_back({cx - houseWidth / 2, cx + houseWidth / 2, base - wallHeight, base,
                              Colour{205 + 30 * tint, 195 + 20 * tint, 170 - 20 * tint}});
        }
        for (int i = 0; i < 40; ++i) {
            const float tx = w * lattice(i, 7, 9);
            const int column = std::clamp(static_cast<int>(tx), 0, w - 1);
            const float ty = hill[column] + h * (0.01f + 0.25f * lattice(i, 8, 9));
            trees.push_back({tx, ty, h * (0.015f + 0.03f * lattice(i, 9, 9)) * (0.6f + ty / h)});
        }
    }

    Colour at(int px, int py) const {
        const float x = static_cast<float>(px);
        const float y = static_cast<float>(py);
        const float u = x / width;
        const float v = y / height;
        Colour c;
        if (y < ridge[px]) {
            // Sky: a smooth gradient with soft clouds.
            c = mix(Colour{45, 95, 175}, Colour{185, 208, 232}, std::pow(v / 0.46f, 1.3f));
            const float cloud = smoothstep(0.52f, 0.78f, fbm(u * 4, v * 9, 6, 101));
            const float shade = 0.85f + 0.15f * fbm(u * 20, v * 30, 3, 103);
            c = mix(c, Colour{240 * shade, 240 * shade, 244 * shade}, cloud * 0.9f);
        } else if (y < hill[px]) {
            // Mountains: rock texture, snow near the ridge, haze towards the valley.
            const float rock = fbm(x / 90, y / 60, 6, 201);
            const float fine = valueNoise(x / 3, y / 3, 203);
            c = mix(Colour{70, 78, 95}, Colour{135, 140, 155}, rock);
            c = mix(c, Colour{c[0] * 0.8f, c[1] * 0.8f, c[2] * 0.8f}, fine * 0.5f);
            const float peak = smoothstep(0.34f * height, 0.28f * height, ridge[px]);
            const float snowLine = ridge[px] + height * peak * (0.01f + 0.05f * fbm(x / 140, 0.5f, 4, 207));
            if (y < snowLine) {
                c = mix(c, Colour{236, 240, 246}, 0.85f + 0.15f * fine);
            }
            const float depth = (y - ridge[px]) / std::max(1.0f, hill[px] - ridge[px]);
            c = mix(c, Colour{160, 180, 200}, 0.35f * (1 - depth));
        } else {
            // Meadow: large patches of colour over fine grass texture.
            const float patches = fbm(x / 400, y / 250, 4, 301);
            const float grass = fbm(x / 2.5f, y / 9, 3, 303);
            c = mix(Colour{45, 85, 30}, Colour{125, 150, 55}, patches);
            c = mix(c, Colour{c[0] * 0.55f, c[1] * 0.6f, c[2] * 0.5f}, grass * 0.9f);
            const float flowers = valueNoise(x / 2, y / 2, 307);
            if (flowers > 0.985f) {
                c = mix(c, Colour{235, 225, 90}, 0.8f);
            }
        }
        for (const House& house : houses) {
            const float roofHeight = (house.right - house.left) * 0.45f;
            if (x >= house.left && x < house.right && y >= house.wallTop && y < house.base) {
                const float across = (x - house.left) / (house.right - house.left);
                const float down = (y - house.wallTop) / (house.base - house.wallTop);
                const bool window = std::fmod(across * 5, 1.0f) > 0.35f &&
                                    std::fmod(across * 5, 1.0f) < 0.75f && std::fmod(down * 3, 1.0f) > 0.3f &&
                                    std::fmod(down * 3, 1.0f) < 0.8f;
                c = window ? Colour{40, 48, 60} : house.wall;
                c = mix(c, Colour{c[0] * 0.85f, c[1] * 0.85f, c[2] * 0.85f}, valueNoise(x / 4, y / 4, 401));
            } else if (y >= house.wallTop - roofHeight && y < house.wallTop) {
                const float centre = (house.left + house.right) / 2;
                const float halfWidth =
                    (house.right - house.left) * 0.58f * (y - (house.wallTop - roofHeight)) / roofHeight;
                if (std::abs(x - centre) < halfWidth) {
                    const float tiles = std::fmod(y / 7, 1.0f) < 0.15f ? 0.7f : 1.0f;
                    c = Colour{150 * tiles, 62 * tiles, 42 * tiles};
                }
            }
        }
        for (const Tree& tree : trees) {
            const float dx = x - tree.x;
            const float dy = y - tree.y;
            const float wobble = 1 + 0.15f * (valueNoise(std::atan2(dy, dx) * 4 + 10, 0.5f, 501) - 0.5f);
            const float distance = std::sqrt(dx * dx + dy * dy) / (tree.radius * wobble);
            if (distance < 1) {
                const float leaves = fbm(x / 4, y / 4, 3, 503);
                const float light = 0.7f + 0.3f * (1 - (dy / tree.radius + 1) / 2);
                c = mix(Colour{18, 45, 20}, Colour{60, 105, 40}, leaves * light);
            } else if (std::abs(dx) < tree.radius * 0.12f && dy > 0 && dy < tree.radius * 1.6f) {
                c = Colour{70, 50, 35};
            }
        }
        // A mild vignette.
        const float r2 = (u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f);
        const float vignette = 1 - 0.25f * r2;
        return {c[0] * vignette, c[1] * vignette, c[2] * vignette};
    }
};

// Sensor noise: roughly Gaussian (a sum of three uniforms), mostly in brightness.
std::array<float, 3> grain(int x, int y) {
    const std::uint32_t h1 = hash(x, y, 9001);
    const std::uint32_t h2 = hash(x, y, 9002);
    const auto unit = [](std::uint32_t h, int shift) {
        return static_cast<float>((h >> shift) & 0x3FF) / 1023.0f - 0.5f;
    };
    const float luma = (unit(h1, 0) + unit(h1, 10) + unit(h1, 20)) * 5.0f;
    return {luma + unit(h2, 0) * 3.0f, luma + unit(h2, 10) * 2.0f, luma + unit(h2, 20) * 3.0f};
}

Bitmap render(int width, int height) {
    const Scene scene(width, height);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 32u);
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int y = static_cast<int>(t); y < height; y += static_cast<int>(threads)) {
                std::uint8_t* row = pixels.data() + static_cast<std::size_t>(y) * width * 4;
                for (int x = 0; x < width; ++x) {
                    const Colour c = scene.at(x, y);
                    const auto n = grain(x, y);
                    for (int i = 0; i < 3; ++i) {
                        row[x * 4 + i] =
                            static_cast<std::uint8_t>(std::clamp(std::lround(c[i] + n[i]), 0L, 255L));
                    }
                    row[x * 4 + 3] = 255;
                }
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    return Bitmap(width, height, AlphaInfo::noneSkipLast, std::move(pixels));
}

ImageProperties cameraProperties(int width, int height) {
    ImageProperties properties;
    properties.orientation = 1;
    properties.tiff = PropertyDictionary{{"Make", PropertyValue::string("Orvane")},
                                         {"Model", PropertyValue::string("Bench Camera")},
                                         {"Orientation", PropertyValue::shortInteger(1)}};
    // Type numbers as exiv2 has them: 4 is an unsigned long, 5 an unsigned rational.
    properties.exif = PropertyDictionary{{"DateTimeOriginal", PropertyValue::string("2024:06:21 18:45:00")},
                                         {"OffsetTimeOriginal", PropertyValue::string("+02:00")},
                                         {"PixelXDimension", {4, std::to_string(width)}},
                                         {"PixelYDimension", {4, std::to_string(height)}},
                                         {"ExposureTime", {5, "1/250"}},
                                         {"FNumber", {5, "8/1"}}};
    properties.gps = PropertyDictionary{{"GPSLatitudeRef", PropertyValue::string("N")},
                                        {"GPSLatitude", {5, "46/1 33/1 0/1"}},
                                        {"GPSLongitudeRef", PropertyValue::string("E")},
                                        {"GPSLongitude", {5, "7/1 59/1 0/1"}}};
    return properties;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::cerr << "usage: make-photo OUTDIR [WIDTH HEIGHT]\n";
        return 2;
    }
    const std::filesystem::path directory = argv[1];
    const int width = argc == 4 ? std::stoi(argv[2]) : 6000;
    const int height = argc == 4 ? std::stoi(argv[3]) : 4000;
    try {
        std::filesystem::create_directories(directory);
        auto start = std::chrono::steady_clock::now();
        const Bitmap image = render(width, height);
        std::cout << "make-photo: " << width << "x" << height << " rendered in " << secondsSince(start)
                  << " s\n";
        const ImageProperties properties = cameraProperties(width, height);
        const struct {
            ConvertFormat format;
            double quality;
            const char* name;
        } outputs[] = {{ConvertFormat::jpeg, 0.92, "photo.jpg"}, {ConvertFormat::heic, 0.60, "photo.heic"}};
        for (const auto& output : outputs) {
            start = std::chrono::steady_clock::now();
            const Bytes bytes = Converter::encode(image, properties, output.format, output.quality);
            AtomicFile::write(directory / output.name, bytes);
            std::cout << "make-photo: " << (directory / output.name).string() << " " << bytes.size()
                      << " bytes (q " << output.quality << ", " << secondsSince(start) << " s)\n";
        }
    } catch (const std::exception& error) {
        std::cerr << "make-photo: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
