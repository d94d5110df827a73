// Writes the pictures that the int8 networks are calibrated on (quantise-network.py): the sample
// photo at two sizes, so that its texture comes at two scales, and once with its contrast and
// saturation pushed to the extremes; each passed once through JPEG as camera photos are, and saved
// as PNG. Generated, so the build needs nothing downloaded and makes the same networks every time.

#include "core/ImageFiles.h"
#include "tools/SamplePhoto.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

// Through JPEG, then as STEM.png.
void save(const Bitmap& picture, const fs::path& stem) {
    const fs::path jpeg = stem.string() + ".jpg";
    ImageFiles::save(picture, jpeg, ImageFiles::Format::jpeg, 0.8);
    ImageFiles::save(ImageFiles::loadFromURL(jpeg), stem.string() + ".png", ImageFiles::Format::png, 1);
    fs::remove(jpeg);
    std::cout << stem.string() << ".png\n";
}

// The photo's colours pushed apart until they reach full saturation (left half) and black and
// white (the right half, in grey), which the sample photo itself never does: the networks'
// activations and output take their extreme values on such pictures, and ranges calibrated without
// them would clip them.
Bitmap contrasty(const Bitmap& photo) {
    std::vector<std::uint8_t> pixels(photo.pixels().begin(), photo.pixels().end());
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        const bool left =
            (i / 4) % static_cast<std::size_t>(photo.width()) < static_cast<std::size_t>(photo.width()) / 2;
        const double grey = (pixels[i] + pixels[i + 1] + pixels[i + 2]) / 3.0;
        for (std::size_t c = 0; c < 3; ++c) {
            const double value =
                left ? (grey + (pixels[i + c] - grey) * 2.5 - 128) * 3 + 128 : (grey - 115) * 4 + 128;
            pixels[i + c] = static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
        }
    }
    return Bitmap(photo.width(), photo.height(), photo.alphaInfo(), std::move(pixels));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make-calibration-pictures OUTDIR\n";
        return 2;
    }
    const fs::path folder = argv[1];
    try {
        fs::create_directories(folder);
        save(tools::samplePhoto(2400, 1600), folder / "sample-2400");
        save(tools::samplePhoto(800, 533), folder / "sample-800");
        save(contrasty(tools::samplePhoto(800, 533)), folder / "sample-contrast");
    } catch (const std::exception& error) {
        std::cerr << "make-calibration-pictures: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
