#pragma once

#include "platform/files/Bytes.h"
#include "platform/filters/LazyImage.h"
#include "platform/image/Bitmap.h"
#include "platform/metadata/ImageProperties.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orvane {

// An opened image file: what it is, how many images it holds, and the properties and pixels of
// its first image. JPEG, PNG, HEIC, AVIF, WebP, TIFF, GIF, BMP and camera RAW files are read.
class ImageSource {
public:
    // None when the bytes are of no image format this layer knows. The content decides the format;
    // `typeHint`, the type a file's name gives, matters only when it names camera RAW and the
    // content alone says no format or TIFF: LibRaw then has the last word, as it recognises RAW
    // files that carry no signature of their own (it tells some by their size).
    static std::optional<ImageSource> create(SharedBytes bytes,
                                             const std::optional<std::string>& typeHint = std::nullopt);
    static std::optional<ImageSource> create(std::span<const std::uint8_t> bytes);
    // None also when the file cannot be read.
    static std::optional<ImageSource> createFromFile(const std::filesystem::path& path);

    const std::string& typeIdentifier() const { return state_->typeIdentifier; }
    // 0 when the file is of a known kind but its header cannot be read.
    int count() const { return state_->count; }
    // The properties of the first image, with its stored pixel size.
    const ImageProperties& properties() const { return state_->properties; }
    const SharedBytes& bytes() const { return state_->bytes; }
    // Whether it is developed from camera RAW data.
    bool isCameraRaw() const { return state_->kind == Kind::raw; }

    // The first image turned upright (its stored orientation applied), at full size or scaled
    // down so that its long side is at most `maxPixelSize`. None when it cannot be decoded.
    std::optional<Bitmap> createThumbnail(std::optional<int> maxPixelSize) const;
    // The same picture at full size, decoded only as it is read, so that a conversion can stream
    // it from the file to the encoder. A file damaged past its header fails only then, and also
    // for the harmless oddities that createThumbnail forgives: whoever reads it falls back on
    // createThumbnail when it fails. None when it cannot be opened.
    std::optional<LazyImage> createLazyImage() const;
    // The first image exactly as stored: no orientation applied, full size.
    std::optional<Bitmap> createImage() const;

    enum class Kind { jpeg, png, gif, bmp, webp, heif, tiff, raw };

private:
    struct State {
        SharedBytes bytes;
        Kind kind;
        std::string typeIdentifier;
        int count = 0;
        ImageProperties properties;
    };
    explicit ImageSource(std::shared_ptr<const State> state)
        : state_(std::move(state)) {}
    std::optional<Bitmap> decode(std::optional<int> maxPixelSize, bool upright) const;
    int jpegShrink(std::optional<int> maxPixelSize) const;

    std::shared_ptr<const State> state_;
};

} // namespace orvane
