#pragma once

#include "core/upscale/UpscaleProgress.h"
#include "platform/Cancelled.h"
#include "platform/image/Bitmap.h"
#include "platform/networks/Network.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <stop_token>
#include <vector>

namespace orvane {

// Runs one super-resolution network over a whole image, tile by tile, in as many passes as the
// enlargement needs. Immutable once made; one upscaler serves several calls at once.
class Upscaler {
public:
    using ProgressHandler = std::function<void(const UpscaleProgress&)>;

    // Throws UpscaleError::badModel when the network has no image input named "input".
    explicit Upscaler(std::shared_ptr<const Network> model);

    // Loads a compiled bundle, or compiles a package first through the compiled-network cache.
    static std::shared_ptr<const Upscaler> load(const std::filesystem::path& url);

    const Network& model() const { return *model_; }
    int modelScale() const { return modelScale_; }
    const std::vector<int>& supportedTiles() const { return supportedTiles_; }

    // The largest supported tile not above the cap, or the smallest when all are above it.
    int tileSize(int maxTile) const;

    // The image enlarged by `scale` (1 and below allowed), as an opaque 8-bit sRGB bitmap.
    // Checks `stop` before every tile and throws Cancelled once it is requested; calls `progress`
    // after every tile, on the calling thread.
    Bitmap upscale(const Bitmap& image, double scale, int maxTile, const ProgressHandler& progress = {},
                   std::stop_token stop = {}) const;

    // Gets the network ready for tiles of the size an upscale with this cap uses, so that the first
    // tile doesn't wait for it.
    void prepare(int maxTile) const;

    // Gives back what enlargements used and no longer need (the network's working memory), keeping
    // the network itself for the next one; for a process that lives on after its work, such as the
    // window.
    void releaseWorkingMemory() const;

    static constexpr int pad = 16;

private:
    // The tile size an upscale with this cap runs.
    int tileFor(int maxTile) const;

    std::shared_ptr<const Network> model_;
    int modelScale_;
    std::vector<int> supportedTiles_;
};

} // namespace orvane
