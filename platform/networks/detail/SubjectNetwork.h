#pragma once

// The subject network (ISNet, share/orvane/models/subject.onnx): a 1024 × 1024 RGB photo in, the
// likelihood of each pixel being foreground out. Internal to subject detection.

#include "platform/networks/SubjectDetection.h"

#include <array>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

namespace orvane::SubjectNetwork {

inline constexpr int side = 1024;

// How 8-bit sRGB samples become input values: (sample − mean) / deviation, per channel (R, G, B).
struct Normalisation {
    std::array<float, 3> mean;
    std::array<float, 3> deviation;
};

// What the network was trained with: IMG.LY's pre-processing divides (sample − 128) by 256, which
// is DIS's own x / 255 − 0.5 to within 0.4 %. Measured on generated scenes it gives the best masks
// (mean intersection over union 0.988, against 0.985 for −1…1, 0.904 for ImageNet statistics and
// 0.887 for plain 0–1, which loses whole limbs of a person).
inline constexpr Normalisation normalisation{.mean = {128, 128, 128}, .deviation = {256, 256, 256}};

class Model {
public:
    // Throws Unavailable when the file is missing, cannot be loaded or is not the expected network.
    static std::unique_ptr<const Model> load(const std::filesystem::path& file);
    ~Model();

    // `input` is planar RGB, 3 × side × side values; the result has side × side values from 0 to 1.
    // Safe to call from several threads at once. Throws Unavailable when the runtime fails.
    std::vector<float> run(std::span<const float> input) const;

private:
    struct Impl;
    explicit Model(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// The application's model, loaded on first use by whichever thread asks first. A failed load is
// tried again on the next call.
const Model& shared();

} // namespace orvane::SubjectNetwork
