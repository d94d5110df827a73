#pragma once

namespace orvane {

// What the enhancer does.
struct EnhanceOptions {
    bool autoLight = true; // automatic light and colour adjustment
    bool reduceNoise = true;
    bool sharpen = true;
    bool aiDetail = true;  // a pass of the super-resolution network at scale 1 first
    double strength = 0.5; // how strongly noise reduction and sharpening act, 0 to 1

    friend bool operator==(const EnhanceOptions&, const EnhanceOptions&) = default;
};

} // namespace orvane
