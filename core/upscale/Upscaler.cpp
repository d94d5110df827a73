#include "core/upscale/Upscaler.h"

#include "core/Render.h"
#include "core/UpscaleError.h"
#include "core/upscale/DeviceLimits.h"
#include "core/upscale/ModelStore.h"
#include "core/upscale/TilePlan.h"
#include "platform/Cancelled.h"
#include "platform/application/SystemMemory.h"
#include "platform/filters/LazyImage.h"
#include "platform/image/LanczosResampler.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>

namespace orvane {

namespace {

constexpr int defaultScale = 4;

// "4", "+3" or "-1": an optional sign and decimal digits, nothing else. Anything else gives 4.
std::int64_t parseScale(const std::string& text) {
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return defaultScale;
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || end != digits.data() + digits.size()) {
        return defaultScale;
    }
    return negative ? -value : value;
}

// The source as the network sees it: opaque 8-bit sRGB.
Bitmap opaqueSrgb(const Bitmap& image) {
    if (image.alphaInfo() == AlphaInfo::noneSkipLast && image.colorProfile().isSrgb()) {
        return image;
    }
    return Render::cgImage(LazyImage::fromBitmap(image), false);
}

// Fills the network's input square from the source; outside the source its edge pixels repeat.
void cutInput(const Bitmap& source, const PixelRect& square, PixelBuffer& input) {
    const std::int64_t maxX = source.width() - 1;
    const std::int64_t maxY = source.height() - 1;
    for (int y = 0; y < input.height(); ++y) {
        const auto sy = static_cast<int>(std::clamp<std::int64_t>(square.y + y, 0, maxY));
        std::uint8_t* out = input.row(y);
        for (int x = 0; x < input.width(); ++x, out += 4) {
            const auto sx = static_cast<int>(std::clamp<std::int64_t>(square.x + x, 0, maxX));
            const std::uint8_t* in = source.pixel(sx, sy);
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = 255;
        }
    }
}

// Writes the network output's owned part as RGBA rows to `rgba`, whose rows are `rowBytes` apart.
void copyOwned(const PixelBuffer& output, int left, int top, int width, int height, std::uint8_t* rgba,
               std::size_t rowBytes) {
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = output.row(top + y) + static_cast<std::size_t>(left) * 4;
        std::uint8_t* out = rgba + static_cast<std::size_t>(y) * rowBytes;
        for (int x = 0; x < width; ++x, in += 4, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = 255;
        }
    }
}

// The network output's owned part, as RGBA rows.
std::vector<std::uint8_t> cutOwned(const PixelBuffer& output, int left, int top, int width, int height) {
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
    copyOwned(output, left, top, width, height, rgba.data(), static_cast<std::size_t>(width) * 4);
    return rgba;
}

// A pass's pixels, made by `make`: memory running out for them is the upscaler's own failure.
template <typename Make> auto allocated(const Make& make) {
    try {
        return make();
    } catch (const std::bad_alloc&) {
        throw UpscaleError::pixelBuffer();
    }
}

} // namespace

Upscaler::Upscaler(std::shared_ptr<const Network> model)
    : model_(std::move(model)) {
    const NetworkDescription& description = model_->description();
    const auto declared = description.creatorDefined.find("scale");
    const std::int64_t scale =
        parseScale(declared == description.creatorDefined.end() ? "4" : declared->second);
    const FeatureDescription* input = description.input("input");
    if (input == nullptr || !input->image) {
        throw UpscaleError::badModel("missing image input named 'input'");
    }
    // A factor below 2 could never split a large enlargement into passes.
    if (scale < 2 || scale > INT_MAX / 4096) {
        throw UpscaleError::badModel("the network's enlargement factor " + std::to_string(scale) +
                                     " is not one the tiling can use");
    }
    modelScale_ = static_cast<int>(scale);
    supportedTiles_ = input->image->sizes;
    std::sort(supportedTiles_.begin(), supportedTiles_.end());
    // Every tile overlaps its neighbours by the pad on each side, so it must be larger than both.
    if (supportedTiles_.empty() || supportedTiles_.back() <= 2 * pad) {
        throw UpscaleError::badModel("the network accepts no tile larger than " + std::to_string(2 * pad) +
                                     " pixels");
    }
}

std::shared_ptr<const Upscaler> Upscaler::load(const std::filesystem::path& url) {
    try {
        const std::filesystem::path bundle =
            url.extension() == ".mlmodelc" ? url : ModelStore::compiledURL(url);
        return std::make_shared<const Upscaler>(Network::load(bundle));
    } catch (const UnsupportedNetwork& e) {
        throw UpscaleError::badModel(e.what());
    }
}

int Upscaler::tileFor(int maxTile) const {
    // The smallest supported tile may still be no larger than twice the pad; skip those.
    const int tile = tileSize(maxTile);
    if (tile > 2 * pad) {
        return tile;
    }
    return *std::find_if(supportedTiles_.begin(), supportedTiles_.end(),
                         [](int size) { return size > 2 * pad; });
}

void Upscaler::prepare(int maxTile) const {
    const int tile = tileFor(maxTile);
    model_->prepare(tile, tile);
}

void Upscaler::releaseWorkingMemory() const {
    model_->releaseIdlePlans();
    SystemMemory::releaseFreeMemory();
}

int Upscaler::tileSize(int maxTile) const {
    for (auto size = supportedTiles_.rbegin(); size != supportedTiles_.rend(); ++size) {
        if (*size <= maxTile) {
            return *size;
        }
    }
    return supportedTiles_.front();
}

Bitmap Upscaler::upscale(const Bitmap& image, double scale, int maxTile, const ProgressHandler& progress,
                         std::stop_token stop) const {
    const std::vector<double> factors = TilePlan::passes(scale, modelScale_);
    const int tile = tileFor(maxTile);

    std::vector<TilePlan> plans;
    std::int64_t width = image.width();
    std::int64_t height = image.height();
    std::size_t total = 0;
    for (const double factor : factors) {
        plans.emplace_back(width, height, tile, pad, factor);
        width = plans.back().outputSize().width;
        height = plans.back().outputSize().height;
        // Refused before the first tile rather than after minutes of work. A factor that the budget
        // allows exactly may still gain a pixel on each side in rounding.
        if (!Bitmap::sizeIsAcceptable(width, height) ||
            !DeviceLimits::fitsPixelBudget(width - 1, height - 1)) {
            throw UpscaleError::output();
        }
        total += plans.back().tiles().size();
    }

    Bitmap current = opaqueSrgb(image);
    std::size_t done = 0;
    const auto report = [&](std::size_t passIndex, std::size_t tileIndex) {
        if (progress) {
            progress(UpscaleProgress{.pass = static_cast<int>(passIndex + 1),
                                     .passes = static_cast<int>(plans.size()),
                                     .tile = static_cast<int>(tileIndex + 1),
                                     .tiles = static_cast<int>(plans[passIndex].tiles().size()),
                                     .fraction = static_cast<double>(done) / static_cast<double>(total)});
        }
    };
    const int s = modelScale_;
    for (std::size_t passIndex = 0; passIndex < plans.size(); ++passIndex) {
        const TilePlan& plan = plans[passIndex];
        const auto outW = static_cast<int>(plan.outputSize().width);
        const auto outH = static_cast<int>(plan.outputSize().height);
        const std::size_t rowBytes = static_cast<std::size_t>(outW) * 4;
        // Unfilled: the tiles write every pixel exactly once.
        PixelMemory output =
            allocated([&] { return PixelMemory(rowBytes * static_cast<std::size_t>(outH)); });
        PixelBuffer input = allocated([&] { return PixelBuffer(tile, tile); });
        const auto& tiles = plan.tiles();
        for (std::size_t i = 0; i < tiles.size(); ++i) {
            if (stop.stop_requested()) {
                throw Cancelled();
            }
            const TilePlan::Tile& t = tiles[i];
            cutInput(current, t.inputRect, input);
            const auto ownedW = static_cast<int>(t.innerRect.width * s);
            const auto ownedH = static_cast<int>(t.innerRect.height * s);
            const auto targetW = static_cast<int>(t.outputRect.width);
            const auto targetH = static_cast<int>(t.outputRect.height);
            std::uint8_t* const target = output.data() + static_cast<std::size_t>(t.outputRect.y) * rowBytes +
                                         static_cast<std::size_t>(t.outputRect.x) * 4;
            if (ownedW == targetW && ownedH == targetH) {
                // The usual case, a pass of the network's own factor: the owned part goes straight
                // from the network's output into the picture, on the threads that ran the network.
                // A network that enlarges by another factor than it says would fill the picture
                // with the wrong part of its output.
                if (model_->outputScale() != s ||
                    !model_->predict("input", input, "output", {pad * s, pad * s, ownedW, ownedH}, target,
                                     rowBytes)) {
                    throw UpscaleError::prediction();
                }
                ++done;
                report(passIndex, i);
                continue;
            }
            const auto result = model_->predict("input", input, "output");
            if (!result || result->width() != tile * s || result->height() != tile * s) {
                throw UpscaleError::prediction();
            }
            if (LanczosResampler::handles(ownedW, ownedH, targetW, targetH)) {
                // Every other pass shrinks: straight from the network's output into the picture, on
                // the threads that ran the network, rather than through an image on this one.
                try {
                    LanczosResampler(ownedW, ownedH, targetW, targetH)
                        .resample(result->row(pad * s) + static_cast<std::size_t>(pad * s) * 4,
                                  result->bytesPerRow(), target, rowBytes, LanczosResampler::Order::reversed);
                } catch (const std::exception&) {
                    throw UpscaleError::output();
                }
            } else {
                std::vector<std::uint8_t> owned = cutOwned(*result, pad * s, pad * s, ownedW, ownedH);
                try {
                    const Bitmap cut(ownedW, ownedH, AlphaInfo::noneSkipLast, std::move(owned));
                    const Bitmap resampled =
                        LazyImage::fromBitmap(cut).resized(targetW, targetH).render(AlphaInfo::noneSkipLast);
                    owned.assign(resampled.pixels().begin(), resampled.pixels().end());
                } catch (const std::exception&) {
                    throw UpscaleError::output();
                }
                for (int y = 0; y < targetH; ++y) {
                    std::memcpy(target + static_cast<std::size_t>(y) * rowBytes,
                                owned.data() + static_cast<std::size_t>(y) * targetW * 4,
                                static_cast<std::size_t>(targetW) * 4);
                }
            }
            ++done;
            report(passIndex, i);
        }
        current = Bitmap(outW, outH, AlphaInfo::noneSkipLast, std::move(output));
    }
    return current;
}

} // namespace orvane
