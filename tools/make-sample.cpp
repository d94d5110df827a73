// Writes a sample photo for trying Orvane out: a HEIC with a capture date and a location, made
// from generated pixels, so nothing has to be downloaded.

#include "core/convert/ConvertFormat.h"
#include "core/convert/Converter.h"
#include "platform/AtomicFile.h"

#include <algorithm>
#include <cmath>
#include <iostream>

using namespace orvane;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make-sample OUTPUT.heic\n";
        return 2;
    }
    const int width = 2400;
    const int height = 1600;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    std::uint32_t seed = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const double sky = static_cast<double>(y) / height;
            const double hill = std::sin(x * 0.004) * 120 + height * 0.6;
            const int grain = static_cast<int>(seed >> 28) - 8;
            std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * width + x) * 4];
            if (y < hill) {
                p[0] = static_cast<std::uint8_t>(90 + 80 * sky + grain);
                p[1] = static_cast<std::uint8_t>(140 + 60 * sky + grain);
                p[2] = static_cast<std::uint8_t>(230 - 30 * sky + grain);
            } else {
                const double leaf = std::sin(x * 0.05) * std::cos(y * 0.07) * 30;
                p[0] = static_cast<std::uint8_t>(std::clamp(60 + leaf + grain * 3, 0.0, 255.0));
                p[1] = static_cast<std::uint8_t>(std::clamp(120 + leaf + grain * 3, 0.0, 255.0));
                p[2] = static_cast<std::uint8_t>(std::clamp(50 + leaf / 2 + grain * 3, 0.0, 255.0));
            }
            p[3] = 255;
        }
    }
    const Bitmap image(width, height, AlphaInfo::noneSkipLast, std::move(pixels));
    ImageProperties properties;
    properties.tiff = PropertyDictionary{{"Make", PropertyValue::string("Orvane")},
                                         {"Model", PropertyValue::string("Sample")}};
    properties.exif = PropertyDictionary{{"DateTimeOriginal", PropertyValue::string("2024:06:21 18:45:00")},
                                         {"OffsetTimeOriginal", PropertyValue::string("+02:00")}};
    properties.gps = PropertyDictionary{{"GPSLatitudeRef", PropertyValue::string("N")},
                                        {"GPSLatitude", {5, "46/1 33/1 0/1"}},
                                        {"GPSLongitudeRef", PropertyValue::string("E")},
                                        {"GPSLongitude", {5, "7/1 59/1 0/1"}}};
    try {
        const Bytes bytes = Converter::encode(image, properties, ConvertFormat::heic, 0.9);
        AtomicFile::write(argv[1], bytes);
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
    std::cout << argv[1] << '\n';
    return 0;
}
