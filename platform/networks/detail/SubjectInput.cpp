#include "platform/networks/detail/SubjectInput.h"

#include "platform/image/detail/VipsRuntime.h"

namespace orvane::SubjectInput {

using vips::VImage;

namespace {

VImage opaqueRgb(const Bitmap& straightOrOpaque) {
    const VImage image = VipsRuntime::view(straightOrOpaque);
    if (!hasAlphaChannel(straightOrOpaque.alphaInfo())) {
        return image.extract_band(0, VImage::option()->set("n", 3));
    }
    return image.flatten(VImage::option()->set("background", std::vector<double>{255, 255, 255}))
        .cast(VIPS_FORMAT_UCHAR);
}

VImage inSrgb(const VImage& rgb, const ColorProfile& profile) {
    if (profile.isSrgb()) {
        return rgb;
    }
    try {
        VImage tagged = rgb.copy();
        // Borrowed: the profile outlives the pipeline, which is evaluated before tensor() returns.
        tagged.set(VIPS_META_ICC_NAME, nullptr, const_cast<std::uint8_t*>(profile.icc().data()),
                   profile.icc().size());
        return tagged.icc_transform("srgb", VImage::option()->set("embedded", true)->set("depth", 8));
    } catch (const vips::VError&) {
        // A profile the colour engine rejects: its samples are the best guess left, and the
        // network is tolerant of a colour shift.
        return rgb;
    }
}

} // namespace

std::vector<float> tensor(const Bitmap& photo, const SubjectNetwork::Normalisation& normalisation) {
    constexpr int side = SubjectNetwork::side;
    const Bitmap straight =
        photo.alphaInfo() == AlphaInfo::premultipliedLast ? photo.unpremultiplied() : photo;
    VImage square = VipsRuntime::resizeExactly(inSrgb(opaqueRgb(straight), photo.colorProfile()), side, side);

    std::vector<std::uint8_t> samples(static_cast<std::size_t>(side) * side * 3);
    square.write(VImage::new_from_memory(samples.data(), samples.size(), side, side, 3, VIPS_FORMAT_UCHAR));

    constexpr std::size_t plane = static_cast<std::size_t>(side) * side;
    std::vector<float> values(3 * plane);
    for (int channel = 0; channel < 3; ++channel) {
        const float mean = normalisation.mean[channel];
        const float scale = 1.0f / normalisation.deviation[channel];
        float* out = values.data() + channel * plane;
        for (std::size_t i = 0; i < plane; ++i) {
            out[i] = (static_cast<float>(samples[i * 3 + channel]) - mean) * scale;
        }
    }
    return values;
}

} // namespace orvane::SubjectInput
