#include "platform/filters/LazyImage.h"

#include "platform/filters/detail/LazyImageImpl.h"
#include "platform/image/detail/VipsRuntime.h"

#include <stdexcept>

namespace orvane {

using vips::VImage;

namespace {
LazyImage make(VImage image, const LazyImage::Impl& from) {
    return LazyImage(std::make_shared<const LazyImage::Impl>(
        LazyImage::Impl{.image = std::move(image), .profile = from.profile, .keepAlive = from.keepAlive}));
}
} // namespace

LazyImage LazyImage::fromBitmap(const Bitmap& bitmap) {
    const Bitmap straight = bitmap.unpremultiplied();
    std::optional<ColorProfile> profile;
    if (!straight.colorProfile().isSrgb()) {
        profile = straight.colorProfile();
    }
    return LazyImage(std::make_shared<const Impl>(
        Impl{.image = VipsRuntime::viewForEncoding(straight), .profile = profile, .keepAlive = {straight}}));
}

int LazyImage::width() const {
    return impl_->image.width();
}
int LazyImage::height() const {
    return impl_->image.height();
}
bool LazyImage::hasAlpha() const {
    return impl_->image.bands() == 4;
}

LazyImage LazyImage::resized(int width, int height) const {
    if (width < 1 || height < 1) {
        throw std::invalid_argument("resize to an empty image");
    }
    const VImage image = VipsRuntime::resizeExactly(impl_->image, width, height);
    return make(image, *impl_);
}

VImage srgbSamples(const LazyImage::Impl& impl) {
    VImage image = impl.image;
    if (impl.profile) {
        const auto icc = impl.profile->icc();
        image = image.copy();
        image.set(VIPS_META_ICC_NAME, nullptr, const_cast<std::uint8_t*>(icc.data()), icc.size());
        image = image.icc_transform("srgb", VImage::option()->set("embedded", true)->set("depth", 8));
    }
    return image.format() == VIPS_FORMAT_UCHAR ? image : image.cast(VIPS_FORMAT_UCHAR);
}

LazyImage LazyImage::flattened(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const {
    if (!hasAlpha()) {
        return *this;
    }
    const std::vector<double> background{static_cast<double>(red), static_cast<double>(green),
                                         static_cast<double>(blue)};
    // The backdrop is an sRGB colour, so the photo is brought to sRGB before it meets it.
    const VImage image = srgbSamples(*impl_).flatten(VImage::option()->set("background", background));
    return LazyImage(std::make_shared<const Impl>(Impl{
        .image = image.cast(VIPS_FORMAT_UCHAR), .profile = std::nullopt, .keepAlive = impl_->keepAlive}));
}

namespace {
// The samples `render(layout)` computes: with `premultipliedLast` (or `noneSkipLast` of an image
// with alpha) the colour is premultiplied.
VImage renderedSamples(const LazyImage::Impl& impl, AlphaInfo layout) {
    VImage image = srgbSamples(impl);
    if (image.bands() == 1) {
        image = VImage::bandjoin({image, image, image});
    }
    if (image.bands() == 4 && layout != AlphaInfo::last) {
        image = image.premultiply().cast(VIPS_FORMAT_UCHAR);
        if (layout == AlphaInfo::noneSkipLast) {
            image = image.extract_band(0, VImage::option()->set("n", 3));
        }
    }
    return image;
}
} // namespace

Bitmap LazyImage::render(AlphaInfo layout) const {
    return VipsRuntime::bitmapFromBands(renderedSamples(*impl_, layout), ColorProfile::srgb(), layout);
}

LazyImage LazyImage::rendered(AlphaInfo layout) const {
    VImage image = renderedSamples(*impl_, layout);
    if (image.bands() == 4 && layout == AlphaInfo::premultipliedLast) {
        image = image.unpremultiply().cast(VIPS_FORMAT_UCHAR);
    }
    return LazyImage(std::make_shared<const Impl>(
        Impl{.image = std::move(image), .profile = std::nullopt, .keepAlive = impl_->keepAlive}));
}

Bitmap LazyImage::bitmap() const {
    return VipsRuntime::bitmapFromBands(impl_->image, impl_->profile.value_or(ColorProfile::srgb()));
}

} // namespace orvane
