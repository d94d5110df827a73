// A contact sheet of the enlarger on real photos: per photo, a 4× enlargement of a square region
// by bicubic interpolation and by each style's network (through Upscaler::upscale, so tiled as the
// application tiles), shown at 100% around the point where four tiles meet, so that tile seams,
// left-over JPEG blocks and colour shifts would show. Run through bench/upscale --sheet.
//
// Usage: bench-upscale-sheet MODELS_DIR OUTDIR PHOTO... [--region N] [--view N]
//        [--styles fast,detail,art]
//
// --region: the side of the square of the photo that is enlarged (default 256, centred; smaller
// photos are enlarged whole); --view: the side of the part of it shown (default 96, so 384 output
// pixels). Writes OUTDIR/upscale-sheet.png and one sheet per photo (upscale-sheet-NAME.png), and
// prints per photo and style: the mean colour of the enlargement against the region's (a colour
// shift), and the PSNR against the region when the network enlarges the region shrunk 4× by
// bicubic interpolation (GAN-trained networks invent texture and score below bicubic there; it is
// reported, not aimed at). Where the processor has bf16, each network runs in bf16 (as the
// application runs it) and in fp32 beside it, and the PSNR of the one against the other is
// printed. --styles: only these (default all).

#include "bench/SheetImages.h"
#include "core/ImageFiles.h"
#include "core/upscale/TilePlan.h"
#include "core/upscale/UpscaleModel.h"
#include "core/upscale/Upscaler.h"
#include "platform/networks/Network.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

using namespace orvane;
using namespace orvane::bench;
using vips::VImage;
namespace fs = std::filesystem;

namespace {

VImage rgb(const Bitmap& bitmap) {
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(bitmap.width()) * bitmap.height() * 3);
    for (int y = 0; y < bitmap.height(); ++y) {
        for (int x = 0; x < bitmap.width(); ++x) {
            std::copy_n(bitmap.pixel(x, y), 3,
                        samples.data() + (static_cast<std::size_t>(y) * bitmap.width() + x) * 3);
        }
    }
    return copied(samples.data(), samples.size(), bitmap.width(), bitmap.height(), 3)
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

Bitmap bitmap(const VImage& image) {
    const VImage opaque = image.bandjoin_const({255});
    std::size_t size = 0;
    void* memory = opaque.write_to_memory(&size);
    std::vector<std::uint8_t> pixels(static_cast<std::uint8_t*>(memory),
                                     static_cast<std::uint8_t*>(memory) + size);
    g_free(memory);
    return Bitmap(image.width(), image.height(), AlphaInfo::noneSkipLast, std::move(pixels));
}

VImage bicubic(const VImage& image, double scale) {
    return image.resize(scale, VImage::option()->set("kernel", VIPS_KERNEL_CUBIC));
}

std::array<double, 3> meanColour(const VImage& image) {
    return {image[0].avg(), image[1].avg(), image[2].avg()};
}

// The square of `side` pixels (or the whole photo's shorter side) where the photo varies most: a
// sheet of plain sky shows nothing.
VImage busiestRegion(const VImage& photo, int side) {
    side = std::min({side, photo.width(), photo.height()});
    const VImage grey = photo.colourspace(VIPS_INTERPRETATION_B_W);
    int bestX = (photo.width() - side) / 2, bestY = (photo.height() - side) / 2;
    double best = -1;
    const int step = std::max(8, side / 4);
    for (int y = 0; y + side <= photo.height(); y += step) {
        for (int x = 0; x + side <= photo.width(); x += step) {
            const double spread = grey.extract_area(x, y, side, side).deviate();
            if (spread > best) {
                best = spread;
                bestX = x;
                bestY = y;
            }
        }
    }
    return photo.extract_area(bestX, bestY, side, side);
}

double psnr(const VImage& a, const VImage& b) {
    const VImage difference = a.cast(VIPS_FORMAT_FLOAT) - b.cast(VIPS_FORMAT_FLOAT);
    const double mse = (difference * difference).avg();
    return mse == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 / mse);
}

} // namespace

int main(int argc, char** argv) try {
    if (argc < 4) {
        std::cerr << "usage: bench-upscale-sheet MODELS_DIR OUTDIR PHOTO... [--region N] [--view N]\n";
        return 2;
    }
    if (VIPS_INIT(argv[0])) {
        throw std::runtime_error("libvips cannot start");
    }
    const fs::path models = argv[1];
    const fs::path out = argv[2];
    int regionSide = 256, viewSide = 96;
    const auto everyStyle = allCases<UpscaleModel>();
    std::vector<UpscaleModel> styles(everyStyle.begin(), everyStyle.end());
    std::vector<fs::path> photos;
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--region" && i + 1 < argc) {
            regionSide = std::stoi(argv[++i]);
        } else if (arg == "--view" && i + 1 < argc) {
            viewSide = std::stoi(argv[++i]);
        } else if (arg == "--styles" && i + 1 < argc) {
            // The styles by their case names, as bench/upscale takes them.
            styles.clear();
            std::string list = argv[++i];
            for (std::size_t start = 0; start <= list.size();) {
                const std::size_t end = std::min(list.find(',', start), list.size());
                const std::string name = list.substr(start, end - start);
                const auto found = std::find_if(everyStyle.begin(), everyStyle.end(), [&](UpscaleModel m) {
                    return name == (m == UpscaleModel::fast     ? "fast"
                                    : m == UpscaleModel::detail ? "detail"
                                                                : "art");
                });
                if (found == everyStyle.end()) {
                    throw std::runtime_error("no style " + name + " (fast, detail or art)");
                }
                styles.push_back(*found);
                start = end + 1;
            }
        } else {
            photos.emplace_back(arg);
        }
    }
    fs::create_directories(out);
    constexpr int scale = 4;
    constexpr int maxTile = 256;
    const int cell = viewSide * scale;

    const bool besideFp32 = NetworkPrecisions::preferred() == NetworkPrecision::bf16;
    std::vector<VImage> heads{label("bicubic", cell).embed(4, 0, cell + 8, 26)};
    for (const UpscaleModel model : styles) {
        const std::string network(rawValue(model));
        heads.push_back(label(network + (besideFp32 ? " (bf16)" : ""), cell).embed(4, 0, cell + 8, 26));
        if (besideFp32) {
            heads.push_back(label(network + " (fp32)", cell).embed(4, 0, cell + 8, 26));
        }
    }
    const VImage header = VImage::arrayjoin(heads);

    struct Photo {
        std::string name;
        VImage region;
        int left = 0, top = 0, view = 0; // the part shown, in output pixels
        std::vector<VImage> cells;
        std::vector<std::string> lines;
    };
    std::vector<Photo> sheetPhotos;
    for (const fs::path& path : photos) {
        Photo photo;
        photo.name = path.stem().string();
        photo.region = busiestRegion(rgb(ImageFiles::loadFromURL(path)), regionSide);
        const int side = photo.region.width();
        // Shown: the view around the corner shared by the first four tiles, or the middle.
        const TilePlan plan(side, side, maxTile, Upscaler::pad, scale);
        int seamX = side / 2, seamY = side / 2;
        for (const auto& tile : plan.tiles()) {
            if (tile.innerRect.x > 0 && tile.innerRect.y > 0) {
                seamX = static_cast<int>(tile.innerRect.x);
                seamY = static_cast<int>(tile.innerRect.y);
                break;
            }
        }
        photo.view = std::min(viewSide, side);
        photo.left = std::clamp(seamX - photo.view / 2, 0, side - photo.view) * scale;
        photo.top = std::clamp(seamY - photo.view / 2, 0, side - photo.view) * scale;
        sheetPhotos.push_back(std::move(photo));
    }
    const auto shown = [&](const Photo& photo, const VImage& enlarged) {
        return enlarged.extract_area(photo.left, photo.top, photo.view * scale, photo.view * scale)
            .embed(4, 4, cell + 8, cell + 8);
    };
    const auto report = [&](Photo& photo, const std::string& style, const VImage& enlarged,
                            const VImage& fromShrunk) {
        const auto mean = meanColour(enlarged);
        const auto sourceMean = meanColour(photo.region);
        char line[200];
        std::snprintf(
            line, sizeof line, "%-22s %-27s %+6.2f %+6.2f %+6.2f       %6.2f dB", photo.name.c_str(),
            style.c_str(), mean[0] - sourceMean[0], mean[1] - sourceMean[1], mean[2] - sourceMean[2],
            psnr(fromShrunk, photo.region.extract_area(0, 0, fromShrunk.width(), fromShrunk.height())));
        photo.lines.emplace_back(line);
    };

    std::vector<std::string> precisionLines;
    for (Photo& photo : sheetPhotos) {
        const VImage shrunk = bicubic(photo.region, 1.0 / scale);
        photo.cells.push_back(shown(photo, bicubic(photo.region, scale)));
        report(photo, "bicubic", bicubic(photo.region, scale), bicubic(shrunk, scale));
    }
    // One network at a time: the large ones need gigabytes while they run.
    for (const UpscaleModel model : styles) {
        const std::string network(rawValue(model));
        const fs::path bundle = models / (network + ".mlmodelc");
        const auto upscaler = std::make_shared<const Upscaler>(Network::load(bundle));
        for (Photo& photo : sheetPhotos) {
            const VImage enlarged = rgb(upscaler->upscale(bitmap(photo.region), scale, maxTile));
            enlarged.pngsave((out / ("upscale-" + photo.name + "-" + network + ".png")).c_str());
            photo.cells.push_back(shown(photo, enlarged));
            const VImage shrunk = bicubic(photo.region, 1.0 / scale);
            report(photo, network, enlarged, rgb(upscaler->upscale(bitmap(shrunk), scale, maxTile)));
        }
        if (besideFp32) {
            const auto fp32 = std::make_shared<const Upscaler>(Network::load(bundle, NetworkPrecision::fp32));
            for (Photo& photo : sheetPhotos) {
                const VImage enlarged = rgb(fp32->upscale(bitmap(photo.region), scale, maxTile));
                const VImage fromBf16 =
                    VImage::new_from_file((out / ("upscale-" + photo.name + "-" + network + ".png")).c_str());
                enlarged.pngsave((out / ("upscale-" + photo.name + "-" + network + "-fp32.png")).c_str());
                photo.cells.push_back(shown(photo, enlarged));
                char line[200];
                std::snprintf(line, sizeof line, "%-22s %-27s bf16 against fp32: PSNR %6.2f dB",
                              photo.name.c_str(), network.c_str(), psnr(fromBf16, enlarged));
                precisionLines.emplace_back(line);
            }
        }
    }

    std::printf("%-22s %-27s %-26s %s\n", "photo", "style", "mean RGB shift", "PSNR of 4x-shrunk region");
    std::vector<VImage> rows{header};
    for (const Photo& photo : sheetPhotos) {
        for (const std::string& line : photo.lines) {
            std::printf("%s\n", line.c_str());
        }
        const int side = photo.region.width();
        const VImage row =
            label(photo.name + " (" + std::to_string(side) + " px region, shown at 100%)", cell * 2)
                .embed(4, 0, static_cast<int>(photo.cells.size()) * (cell + 8), 26)
                .join(VImage::arrayjoin(photo.cells), VIPS_DIRECTION_VERTICAL);
        header.join(row, VIPS_DIRECTION_VERTICAL)
            .pngsave((out / ("upscale-sheet-" + photo.name + ".png")).c_str());
        rows.push_back(row);
    }
    for (const std::string& line : precisionLines) {
        std::printf("%s\n", line.c_str());
    }
    saveStacked(rows, out / "upscale-sheet.png");
    return 0;
} catch (const std::exception& e) {
    std::cerr << "bench-upscale-sheet: " << e.what() << "\n";
    return 1;
}
