#pragma once

// Test photos made from generated pixels and metadata, so that no fixture has to be downloaded.

#include "core/convert/ConvertFormat.h"
#include "platform/files/Bytes.h"
#include "platform/image/Bitmap.h"
#include "platform/metadata/ImageProperties.h"

#include <functional>
#include <string>

namespace orvane::test {

// A smooth colour gradient with mild texture: compresses like a photo.
Bitmap gradient(int width, int height, AlphaInfo alpha = AlphaInfo::noneSkipLast);
// Pixels that compress badly: every pixel pseudo-random.
Bitmap noise(int width, int height, std::uint32_t seed = 1);
Bitmap solid(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255);
// A dark logo on the left half; the right half transparent, with black hidden under it.
Bitmap logoOnTransparency(int width, int height);
// Pixels drawn by a function of (x, y) returning RGBA.
Bitmap drawn(int width, int height, AlphaInfo alpha,
             const std::function<std::array<std::uint8_t, 4>(int x, int y)>& pixel);

// EXIF with a camera, a capture date and an offset, and a GPS position.
ImageProperties cameraProperties(int orientation = 1);

// Encodes with the library's own encoder.
Bytes encoded(const Bitmap& image, ConvertFormat format, const ImageProperties& properties = {},
              double quality = 0.9);

// Sets EXIF entries (full exiv2 keys, values as exiv2 reads them) in an encoded file.
Bytes withExif(const Bytes& file, const std::vector<std::pair<std::string, std::string>>& entries);

// The same for XMP properties ("Xmp.dc.title").
Bytes withXmp(const Bytes& file, const std::vector<std::pair<std::string, std::string>>& entries);

// A grey PNG of a few hundred bytes whose header declares `width` × `height` but which holds only
// its first rows, as a decompression bomb's does.
Bytes pngDeclaring(std::uint32_t width, std::uint32_t height);

// A PNG holding the EXIF of a camera photo edited and re-saved by other programs, as libvips
// writes it through libpng: in an eXIf chunk after the image data, and the same chunk again before
// it. Little-endian, with a camera, a capture date, a GPS position (latitude 48° 51' 24" N,
// longitude 2° 21' 3" E), Sony maker notes, and a main directory whose link to the next directory
// leads back to itself.
Bytes pngWithCameraExif(const Bitmap& image);
// The GPS latitude's three rationals as they are stored in that block, to look for in any file.
Bytes cameraExifLatitudeBytes();

// A minimal linear (demosaiced) DNG of the given size, written by hand.
Bytes linearDng(int width, int height, int orientation = 1);

// How well `result` (opaque, laid over white) keeps the shape of `shape`'s alpha: of the pixels
// well inside the opaque part (every pixel within 2 of them opaque), the share shown near white; of
// those well inside the transparent part, the share shown otherwise.
struct ShapeKept {
    double lostInside;
    double shownOutside;
};
ShapeKept shapeKept(const Bitmap& shape, const Bitmap& result);

// The largest difference of any channel between two bitmaps of the same size; alpha included.
int maxChannelDifference(const Bitmap& a, const Bitmap& b);
double meanChannelDifference(const Bitmap& a, const Bitmap& b);

} // namespace orvane::test
