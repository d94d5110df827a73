#include "editor/BitmapImage.h"

#include <QByteArray>
#include <QColorSpace>
#include <memory>

namespace orvane {

namespace {

QImage::Format imageFormat(AlphaInfo alpha) {
    switch (alpha) {
    case AlphaInfo::noneSkipLast:
        return QImage::Format_RGBX8888;
    case AlphaInfo::premultipliedLast:
        return QImage::Format_RGBA8888_Premultiplied;
    case AlphaInfo::last:
        return QImage::Format_RGBA8888;
    }
    return QImage::Format_RGBA8888;
}

// QImage's cleanup hook: the copied handle it was given is what kept the pixels alive.
void releaseBitmap(void* info) {
    std::unique_ptr<Bitmap>(static_cast<Bitmap*>(info)).reset();
}

} // namespace

QImage qImage(const Bitmap& bitmap) {
    auto keeper = std::make_unique<Bitmap>(bitmap);
    QImage image(keeper->pixels().data(), keeper->width(), keeper->height(),
                 static_cast<qsizetype>(keeper->bytesPerRow()), imageFormat(keeper->alphaInfo()),
                 &releaseBitmap, keeper.get());
    if (image.isNull()) {
        // QImage refused the buffer and will never call the hook; the handle goes here instead.
        return image;
    }
    static_cast<void>(keeper.release());
    const ColorProfile& profile = bitmap.colorProfile();
    if (!profile.isSrgb()) {
        const auto icc = profile.icc();
        const QColorSpace space = QColorSpace::fromIccProfile(
            QByteArray(reinterpret_cast<const char*>(icc.data()), static_cast<qsizetype>(icc.size())));
        if (space.isValid()) {
            image.setColorSpace(space);
        }
    }
    return image;
}

} // namespace orvane
