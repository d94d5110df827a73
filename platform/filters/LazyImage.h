#pragma once

#include "platform/image/Bitmap.h"

#include <memory>

namespace orvane {

// An image described by the steps that make it, computed only when rendered. Rendering always
// yields sRGB: an image with another colour profile is converted on the way, as drawing it into
// an sRGB canvas would.
class LazyImage {
public:
    static LazyImage fromBitmap(const Bitmap& bitmap);

    int width() const;
    int height() const;
    bool hasAlpha() const;

    // Exactly `width` × `height`, resampled with a high-quality (Lanczos) kernel; colour is
    // weighted by coverage so that transparent pixels do not bleed into edges.
    LazyImage resized(int width, int height) const;
    // Composited over an opaque colour (8-bit sRGB components).
    LazyImage flattened(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const;

    // The image as `render(layout)` gives it, but not computed yet: sRGB samples, and with
    // `premultipliedLast` colour rounded as a premultiplied 8-bit bitmap holds it. Its alpha stays
    // straight, as in every lazy image.
    LazyImage rendered(AlphaInfo layout) const;

    // Computes the pixels with the requested alpha layout. `noneSkipLast` gives an opaque result
    // as drawing into an empty opaque canvas does: transparent areas end up black. Throws when
    // the pipeline fails.
    Bitmap render(AlphaInfo layout) const;

    // Computes the pixels as they are, in the image's own colour profile, with straight alpha.
    // Throws when the pipeline fails (a damaged file it decodes, say).
    Bitmap bitmap() const;

    struct Impl;
    explicit LazyImage(std::shared_ptr<const Impl> impl)
        : impl_(std::move(impl)) {}
    const Impl& impl() const { return *impl_; }

private:
    std::shared_ptr<const Impl> impl_;
};

} // namespace orvane
