// A contact sheet of the background remover and the enhancer on generated photo-like scenes (a
// person, an object on a table, two objects, a dark and noisy person): per scene, the input, the
// mask, the transparent cut-out over a checkerboard, the white and the blurred backdrops and the
// enhanced photo (the application's settings: the fast network's detail pass, then the filters),
// then two 1:1 crops at the subject's edge, of the cut-out and of the blurred backdrop. Run
// through bench/background --sheet.
//
// Usage: bench-background-sheet OUTDIR [--size WIDTH HEIGHT] [--thumbnail WIDTH] [--no-detail]
//
// Writes OUTDIR/contact-sheet.png, and every full-size result beside it (SCENE-WHAT.png), and
// prints the mask's intersection over union with the drawn outline per scene.

#include "bench/SheetImages.h"
#include "bench/background-scenes.h"
#include "core/background/BackgroundRemover.h"
#include "core/enhance/Enhancer.h"
#include "core/upscale/ModelLibrary.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>
#include <vips/vips8>

using namespace orvane;
using orvane::bench::copied;
using orvane::bench::label;
using vips::VImage;
namespace fs = std::filesystem;

namespace {

// An opaque RGB rendering of a bitmap: transparency is shown over a grey checkerboard of
// `square`-pixel squares.
VImage shown(const Bitmap& bitmap, int square) {
    const int width = bitmap.width(), height = bitmap.height();
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    const bool premultiplied = bitmap.alphaInfo() == AlphaInfo::premultipliedLast;
    const bool alpha = hasAlphaChannel(bitmap.alphaInfo());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = bitmap.pixel(x, y);
            const double a = alpha ? p[3] / 255.0 : 1.0;
            const double checker = ((x / square + y / square) % 2) ? 205.0 : 150.0;
            for (int k = 0; k < 3; ++k) {
                const double colour = premultiplied ? p[k] : p[k] * a;
                rgb[(static_cast<std::size_t>(y) * width + x) * 3 + k] =
                    static_cast<std::uint8_t>(std::clamp(colour + checker * (1.0 - a) + 0.5, 0.0, 255.0));
            }
        }
    }
    return copied(rgb.data(), rgb.size(), width, height, 3)
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

VImage shown(const Mask& mask) {
    const VImage grey = copied(mask.values.data(), mask.values.size(), mask.width, mask.height, 1);
    return grey.bandjoin(grey).bandjoin(grey).copy(
        VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

VImage thumbnail(const VImage& image, int width) {
    return image.resize(static_cast<double>(width) / image.width(),
                        VImage::option()->set("kernel", VIPS_KERNEL_LANCZOS3));
}

// The first column, from the top, where the mask's row through the subject's middle turns on.
std::pair<int, int> edgePoint(const Mask& truth) {
    int top = truth.height, bottom = -1;
    for (int y = 0; y < truth.height; ++y) {
        for (int x = 0; x < truth.width; ++x) {
            if (truth.at(x, y) > 127) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                break;
            }
        }
    }
    const int y = (top + bottom) / 2 - (bottom - top) / 8;
    for (int x = 0; x < truth.width; ++x) {
        if (truth.at(x, y) > 127) {
            return {x, y};
        }
    }
    return {truth.width / 2, truth.height / 2};
}

VImage crop(const VImage& image, std::pair<int, int> centre, int size) {
    const int left = std::clamp(centre.first - size / 2, 0, image.width() - size);
    const int top = std::clamp(centre.second - size / 2, 0, image.height() - size);
    return image.extract_area(left, top, size, size);
}

} // namespace

int main(int argc, char** argv) try {
    if (argc < 2) {
        std::cerr << "usage: bench-background-sheet OUTDIR [--size WIDTH HEIGHT] [--thumbnail WIDTH] "
                     "[--no-detail]\n";
        return 2;
    }
    const fs::path out = argv[1];
    int width = 1600, height = 1200, thumb = 360;
    bool detail = true;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--size" && i + 2 < argc) {
            width = std::stoi(argv[++i]);
            height = std::stoi(argv[++i]);
        } else if (arg == "--thumbnail" && i + 1 < argc) {
            thumb = std::stoi(argv[++i]);
        } else if (arg == "--no-detail") {
            detail = false;
        } else {
            std::cerr << "bench-background-sheet: unknown argument " << arg << "\n";
            return 2;
        }
    }
    fs::create_directories(out);
    if (VIPS_INIT(argv[0])) {
        throw std::runtime_error("libvips cannot start");
    }
    const auto upscaler = detail ? ModelLibrary::shared().upscaler(UpscaleModel::fast) : nullptr;
    const int square = std::max(4, height / 60);

    const std::vector<std::string> columns = {"input",   "mask",     "transparent",       "white",
                                              "blur 25", "enhanced", "edge 1:1, cut-out", "edge 1:1, blur"};
    std::vector<VImage> rows;
    {
        std::vector<VImage> heads;
        for (const auto& column : columns) {
            heads.push_back(label(column, thumb).embed(4, 0, thumb + 8, 26));
        }
        rows.push_back(VImage::arrayjoin(heads));
    }
    const int cropSize = thumb * height / width;
    for (const auto kind : {benchscene::Kind::person, benchscene::Kind::tableObject,
                            benchscene::Kind::twoObjects, benchscene::Kind::darkNoisy}) {
        const std::string name = benchscene::name(kind);
        std::string file = name;
        std::replace(file.begin(), file.end(), ' ', '-');
        const benchscene::Scene scene = benchscene::draw(kind, width, height, 7);
        const Mask mask = BackgroundRemover::subjectMask(scene.photo);
        const Bitmap transparent = BackgroundRemover::composite(scene.photo, BackdropTransparent{}, mask);
        const Bitmap white = BackgroundRemover::composite(scene.photo, BackdropColor{1, 1, 1}, mask);
        const Bitmap blurred = BackgroundRemover::composite(scene.photo, BackdropBlur{25}, mask);
        EnhanceOptions options{true, true, true, true, 0.5};
        const Bitmap enhanced = Enhancer::enhance(scene.photo, options, upscaler.get());
        std::printf("%-18s mask IoU with the drawn outline %.4f\n", name.c_str(),
                    benchscene::intersectionOverUnion(mask, scene.truth));

        const std::vector<std::pair<std::string, VImage>> images = {
            {"input", shown(scene.photo, square)},
            {"mask", shown(mask)},
            {"transparent", shown(transparent, square)},
            {"white", shown(white, square)},
            {"blur", shown(blurred, square)},
            {"enhanced", shown(enhanced, square)},
        };
        std::vector<VImage> cells;
        for (const auto& [what, image] : images) {
            image.pngsave((out / (file + "-" + what + ".png")).c_str());
            cells.push_back(thumbnail(image, thumb).embed(4, 4, thumb + 8, cropSize + 8));
        }
        const auto edge = edgePoint(scene.truth);
        cells.push_back(crop(images[2].second, edge, cropSize)
                            .embed(4 + (thumb - cropSize) / 2, 4, thumb + 8, cropSize + 8));
        cells.push_back(crop(images[4].second, edge, cropSize)
                            .embed(4 + (thumb - cropSize) / 2, 4, thumb + 8, cropSize + 8));
        rows.push_back(label(name, thumb).embed(4, 0, thumb + 8, 26));
        rows.push_back(VImage::arrayjoin(cells));
    }
    orvane::bench::saveStacked(rows, out / "contact-sheet.png");
    return 0;
} catch (const std::exception& e) {
    std::cerr << "bench-background-sheet: " << e.what() << "\n";
    return 1;
}
