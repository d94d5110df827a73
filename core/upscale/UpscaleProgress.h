#pragma once

namespace orvane {

// Reported after every tile of an enlargement.
struct UpscaleProgress {
    int pass = 0; // from 1
    int passes = 0;
    int tile = 0;        // from 1, within the pass
    int tiles = 0;       // of the current pass
    double fraction = 0; // tiles done in all passes over the tiles of all passes

    friend bool operator==(const UpscaleProgress&, const UpscaleProgress&) = default;
};

} // namespace orvane
