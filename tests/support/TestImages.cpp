#include "tests/support/TestImages.h"

#include "core/convert/Converter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exiv2/exiv2.hpp>
#include <stdexcept>
#include <zlib.h>

namespace orvane::test {

Bitmap drawn(int width, int height, AlphaInfo alpha,
             const std::function<std::array<std::uint8_t, 4>(int x, int y)>& pixel) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto p = pixel(x, y);
            std::copy(p.begin(), p.end(), pixels.begin() + (static_cast<std::size_t>(y) * width + x) * 4);
        }
    }
    return Bitmap(width, height, alpha, std::move(pixels));
}

Bitmap gradient(int width, int height, AlphaInfo alpha) {
    return drawn(width, height, alpha, [&](int x, int y) -> std::array<std::uint8_t, 4> {
        const auto r = static_cast<std::uint8_t>(255.0 * x / std::max(1, width - 1));
        const auto g = static_cast<std::uint8_t>(255.0 * y / std::max(1, height - 1));
        const auto b = static_cast<std::uint8_t>(128 + 60 * std::sin(x * 0.05) * std::cos(y * 0.05));
        const std::uint8_t a = alpha == AlphaInfo::noneSkipLast
                                   ? 255
                                   : static_cast<std::uint8_t>(255.0 * x / std::max(1, width - 1));
        if (alpha == AlphaInfo::premultipliedLast) {
            return {static_cast<std::uint8_t>(r * a / 255), static_cast<std::uint8_t>(g * a / 255),
                    static_cast<std::uint8_t>(b * a / 255), a};
        }
        return {r, g, b, a};
    });
}

Bitmap noise(int width, int height, std::uint32_t seed) {
    std::uint32_t state = seed;
    return drawn(width, height, AlphaInfo::noneSkipLast, [&](int, int) -> std::array<std::uint8_t, 4> {
        state = state * 1664525u + 1013904223u;
        return {static_cast<std::uint8_t>(state >> 24), static_cast<std::uint8_t>(state >> 16),
                static_cast<std::uint8_t>(state >> 8), 255};
    });
}

Bitmap solid(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    return drawn(width, height, a == 255 ? AlphaInfo::noneSkipLast : AlphaInfo::last,
                 [&](int, int) -> std::array<std::uint8_t, 4> {
                     return {r, g, b, a};
                 });
}

Bitmap logoOnTransparency(int width, int height) {
    return drawn(width, height, AlphaInfo::last, [&](int x, int) -> std::array<std::uint8_t, 4> {
        if (x < width / 2) {
            return {20, 30, 60, 255};
        }
        return {0, 0, 0, 0};
    });
}

ImageProperties cameraProperties(int orientation) {
    ImageProperties properties;
    properties.orientation = orientation;
    properties.tiff = PropertyDictionary{{"Make", PropertyValue::string("Orvane")},
                                         {"Model", PropertyValue::string("Test Camera")},
                                         {"Orientation", PropertyValue::shortInteger(orientation)}};
    properties.exif = PropertyDictionary{{"DateTimeOriginal", PropertyValue::string("2021:07:04 15:30:00")},
                                         {"OffsetTimeOriginal", PropertyValue::string("+02:00")},
                                         {"PixelXDimension", {Exiv2::unsignedLong, "4000"}},
                                         {"PixelYDimension", {Exiv2::unsignedLong, "3000"}},
                                         {"ExposureTime", {Exiv2::unsignedRational, "1/250"}}};
    properties.gps = PropertyDictionary{{"GPSLatitudeRef", PropertyValue::string("N")},
                                        {"GPSLatitude", {Exiv2::unsignedRational, "48/1 51/1 30/1"}},
                                        {"GPSLongitudeRef", PropertyValue::string("E")},
                                        {"GPSLongitude", {Exiv2::unsignedRational, "2/1 17/1 40/1"}}};
    properties.iptc = PropertyDictionary{{"Iptc.Application2.City", {Exiv2::string, "Paris"}}};
    return properties;
}

Bytes encoded(const Bitmap& image, ConvertFormat format, const ImageProperties& properties, double quality) {
    return Converter::encode(image, properties, format, quality);
}

namespace {
// Rewrites the metadata of an encoded file in place through exiv2.
Bytes rewritten(const Bytes& file, const std::function<void(Exiv2::Image&)>& change) {
    auto image = Exiv2::ImageFactory::open(file.data(), static_cast<long>(file.size()));
    image->readMetadata();
    change(*image);
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    io.seek(0, Exiv2::BasicIo::beg);
    Bytes out(static_cast<std::size_t>(io.size()));
    io.read(out.data(), static_cast<long>(out.size()));
    return out;
}
} // namespace

Bytes withExif(const Bytes& file, const std::vector<std::pair<std::string, std::string>>& entries) {
    return rewritten(file, [&](Exiv2::Image& image) {
        Exiv2::ExifData exif = image.exifData();
        for (const auto& [key, value] : entries) {
            exif[key] = value;
        }
        image.setExifData(exif);
    });
}

Bytes withXmp(const Bytes& file, const std::vector<std::pair<std::string, std::string>>& entries) {
    return rewritten(file, [&](Exiv2::Image& image) {
        Exiv2::XmpData xmp = image.xmpData();
        for (const auto& [key, value] : entries) {
            xmp[key] = value;
        }
        image.setXmpData(xmp);
    });
}

namespace {

// A little-endian TIFF writer: enough for one directory of tags and one strip.
class TiffWriter {
public:
    struct Entry {
        std::uint16_t tag;
        std::uint16_t type;
        std::uint32_t count;
        Bytes value; // already in file byte order
    };

    void add(std::uint16_t tag, std::uint16_t type, std::uint32_t count, Bytes value) {
        entries_.push_back({tag, type, count, std::move(value)});
    }
    void shorts(std::uint16_t tag, std::initializer_list<std::uint16_t> values) {
        Bytes v;
        for (auto s : values) {
            v.push_back(s & 0xFF);
            v.push_back(s >> 8);
        }
        add(tag, 3, static_cast<std::uint32_t>(values.size()), v);
    }
    void longs(std::uint16_t tag, std::initializer_list<std::uint32_t> values) {
        Bytes v;
        for (auto l : values) {
            append32(v, l);
        }
        add(tag, 4, static_cast<std::uint32_t>(values.size()), v);
    }
    void ascii(std::uint16_t tag, const std::string& text) {
        Bytes v(text.begin(), text.end());
        v.push_back(0);
        add(tag, 2, static_cast<std::uint32_t>(v.size()), v);
    }
    void bytes(std::uint16_t tag, std::initializer_list<std::uint8_t> values) {
        add(tag, 1, static_cast<std::uint32_t>(values.size()), Bytes(values));
    }
    void srationals(std::uint16_t tag, const std::vector<std::pair<std::int32_t, std::int32_t>>& values) {
        Bytes v;
        for (auto [n, d] : values) {
            append32(v, static_cast<std::uint32_t>(n));
            append32(v, static_cast<std::uint32_t>(d));
        }
        add(tag, 10, static_cast<std::uint32_t>(values.size()), v);
    }
    void rationals(std::uint16_t tag, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& values) {
        Bytes v;
        for (auto [n, d] : values) {
            append32(v, n);
            append32(v, d);
        }
        add(tag, 5, static_cast<std::uint32_t>(values.size()), v);
    }

    // Lays out: header, strip, tag values, directory. `stripTag` entries get the strip's offset.
    Bytes write(const Bytes& strip, std::uint16_t stripOffsetsTag) {
        std::sort(entries_.begin(), entries_.end(),
                  [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
        Bytes out = {'I', 'I', 42, 0, 0, 0, 0, 0};
        // Reserved up front: besides saving copies, it keeps GCC 12 from a false -Warray-bounds
        // on the insert below.
        out.reserve(out.size() + strip.size());
        const std::uint32_t stripOffset = 8;
        out.insert(out.end(), strip.begin(), strip.end());
        for (auto& entry : entries_) {
            if (entry.tag == stripOffsetsTag) {
                entry.value.clear();
                append32(entry.value, stripOffset);
            }
        }
        std::vector<std::uint32_t> valueOffsets(entries_.size(), 0);
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            if (entries_[i].value.size() > 4) {
                if (out.size() % 2) {
                    out.push_back(0);
                }
                valueOffsets[i] = static_cast<std::uint32_t>(out.size());
                out.insert(out.end(), entries_[i].value.begin(), entries_[i].value.end());
            }
        }
        if (out.size() % 2) {
            out.push_back(0);
        }
        const auto directory = static_cast<std::uint32_t>(out.size());
        out[4] = directory & 0xFF;
        out[5] = (directory >> 8) & 0xFF;
        out[6] = (directory >> 16) & 0xFF;
        out[7] = directory >> 24;
        out.push_back(static_cast<std::uint8_t>(entries_.size()));
        out.push_back(0);
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            const Entry& e = entries_[i];
            out.push_back(e.tag & 0xFF);
            out.push_back(e.tag >> 8);
            out.push_back(e.type & 0xFF);
            out.push_back(e.type >> 8);
            append32(out, e.count);
            if (e.value.size() > 4) {
                append32(out, valueOffsets[i]);
            } else {
                Bytes inline4 = e.value;
                inline4.resize(4, 0);
                out.insert(out.end(), inline4.begin(), inline4.end());
            }
        }
        append32(out, 0);
        return out;
    }

private:
    static void append32(Bytes& v, std::uint32_t l) {
        v.push_back(l & 0xFF);
        v.push_back((l >> 8) & 0xFF);
        v.push_back((l >> 16) & 0xFF);
        v.push_back(l >> 24);
    }
    std::vector<Entry> entries_;
};

} // namespace

Bytes linearDng(int width, int height, int orientation) {
    Bytes strip;
    strip.reserve(static_cast<std::size_t>(width) * height * 6);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint16_t rgb[3] = {static_cast<std::uint16_t>(8000 + 40000.0 * x / width),
                                          static_cast<std::uint16_t>(8000 + 40000.0 * y / height),
                                          static_cast<std::uint16_t>(20000)};
            for (auto v : rgb) {
                strip.push_back(v & 0xFF);
                strip.push_back(v >> 8);
            }
        }
    }
    TiffWriter tiff;
    tiff.longs(254, {0});
    tiff.longs(256, {static_cast<std::uint32_t>(width)});
    tiff.longs(257, {static_cast<std::uint32_t>(height)});
    tiff.shorts(258, {16, 16, 16});
    tiff.shorts(259, {1});
    tiff.shorts(262, {34892}); // linear raw
    tiff.ascii(271, "Orvane");
    tiff.ascii(272, "Test DNG");
    tiff.longs(273, {0});
    tiff.shorts(274, {static_cast<std::uint16_t>(orientation)});
    tiff.shorts(277, {3});
    tiff.longs(278, {static_cast<std::uint32_t>(height)});
    tiff.longs(279, {static_cast<std::uint32_t>(strip.size())});
    tiff.shorts(284, {1});
    tiff.bytes(50706, {1, 4, 0, 0});
    tiff.bytes(50707, {1, 1, 0, 0});
    tiff.ascii(50708, "Orvane Test DNG");
    tiff.longs(50717, {65535});
    // XYZ to camera (here: linear sRGB) under D65.
    tiff.srationals(50721, {{32406, 10000},
                            {-15372, 10000},
                            {-4986, 10000},
                            {-9689, 10000},
                            {18758, 10000},
                            {415, 10000},
                            {557, 10000},
                            {-2040, 10000},
                            {10570, 10000}});
    tiff.rationals(50728, {{1, 1}, {1, 1}, {1, 1}});
    tiff.shorts(50778, {21});
    return tiff.write(strip, 273);
}

int maxChannelDifference(const Bitmap& a, const Bitmap& b) {
    if (a.width() != b.width() || a.height() != b.height()) {
        throw std::invalid_argument("sizes differ");
    }
    int worst = 0;
    for (std::size_t i = 0; i < a.pixels().size(); ++i) {
        worst = std::max(worst, std::abs(a.pixels()[i] - b.pixels()[i]));
    }
    return worst;
}

double meanChannelDifference(const Bitmap& a, const Bitmap& b) {
    if (a.width() != b.width() || a.height() != b.height()) {
        throw std::invalid_argument("sizes differ");
    }
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels().size(); ++i) {
        sum += std::abs(a.pixels()[i] - b.pixels()[i]);
    }
    return sum / static_cast<double>(a.pixels().size());
}

namespace {
void appendBigEndian(Bytes& bytes, std::uint32_t value) {
    for (const int shift : {24, 16, 8, 0}) {
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}
} // namespace

Bytes pngDeclaring(std::uint32_t width, std::uint32_t height) {
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto chunk = [&](const char* type, const Bytes& data) {
        appendBigEndian(png, static_cast<std::uint32_t>(data.size()));
        const std::size_t start = png.size();
        png.insert(png.end(), type, type + 4);
        png.insert(png.end(), data.begin(), data.end());
        const uLong crc = crc32(0, png.data() + start, static_cast<uInt>(png.size() - start));
        appendBigEndian(png, static_cast<std::uint32_t>(crc));
    };
    Bytes header;
    appendBigEndian(header, width);
    appendBigEndian(header, height);
    header.insert(header.end(), {8, 0, 0, 0, 0}); // 8-bit grey, no interlace
    chunk("IHDR", header);
    // Four rows of zeros, each with its filter byte.
    const Bytes rows(static_cast<std::size_t>(width + 1) * 4, 0);
    uLongf size = compressBound(static_cast<uLong>(rows.size()));
    Bytes compressed(size);
    compress2(compressed.data(), &size, rows.data(), static_cast<uLong>(rows.size()), 9);
    compressed.resize(size);
    chunk("IDAT", compressed);
    chunk("IEND", {});
    return png;
}

ShapeKept shapeKept(const Bitmap& shape, const Bitmap& result) {
    const auto everyAlphaNear = [&](int x, int y, std::uint8_t alpha) {
        for (int dy = -2; dy <= 2; ++dy) {
            for (int dx = -2; dx <= 2; ++dx) {
                const int nx = std::clamp(x + dx, 0, shape.width() - 1);
                const int ny = std::clamp(y + dy, 0, shape.height() - 1);
                if (shape.pixel(nx, ny)[3] != alpha) {
                    return false;
                }
            }
        }
        return true;
    };
    int inside = 0;
    int lost = 0;
    int outside = 0;
    int shown = 0;
    for (int y = 0; y < shape.height(); ++y) {
        for (int x = 0; x < shape.width(); ++x) {
            const std::uint8_t* p = result.pixel(x, y);
            const bool white = std::min({p[0], p[1], p[2]}) > 231;
            if (everyAlphaNear(x, y, 255)) {
                ++inside;
                lost += white ? 1 : 0;
            } else if (everyAlphaNear(x, y, 0)) {
                ++outside;
                shown += white ? 0 : 1;
            }
        }
    }
    return {static_cast<double>(lost) / std::max(inside, 1),
            static_cast<double>(shown) / std::max(outside, 1)};
}

namespace {

// A little-endian TIFF directory written by hand: entries whose values do not fit in four bytes
// go to a data area after the directory, at offsets counted from the TIFF header.
class ExifWriter {
public:
    explicit ExifWriter(Bytes& out)
        : out_(out) {}

    void u16(std::size_t at, std::uint16_t value) {
        out_[at] = static_cast<std::uint8_t>(value);
        out_[at + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    void u32(std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            out_[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }
    struct Entry {
        std::uint16_t tag;
        std::uint16_t type;
        std::uint32_t count;
        Bytes value; // its bytes, or four bytes to be patched later with an offset
    };
    // Writes a directory at the end of `out`, its out-of-line values `shift` bytes from where their
    // offsets say; returns where each entry's value field lies (for pointers patched later) and
    // where the next-directory link is.
    std::pair<std::vector<std::size_t>, std::size_t> directory(const std::vector<Entry>& entries,
                                                               std::int64_t shift = 0) {
        const std::size_t start = out_.size();
        out_.resize(start + 2 + entries.size() * 12 + 4, 0);
        u16(start, static_cast<std::uint16_t>(entries.size()));
        std::vector<std::size_t> valueFields;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::size_t at = start + 2 + i * 12;
            const Entry& entry = entries[i];
            u16(at, entry.tag);
            u16(at + 2, entry.type);
            u32(at + 4, entry.count);
            valueFields.push_back(at + 8);
            if (entry.value.size() <= 4) {
                std::copy(entry.value.begin(), entry.value.end(), out_.begin() + static_cast<long>(at + 8));
            } else {
                const std::size_t data = out_.size();
                out_.insert(out_.end(), entry.value.begin(), entry.value.end());
                if (out_.size() % 2 != 0) {
                    out_.push_back(0);
                }
                u32(at + 8, static_cast<std::uint32_t>(static_cast<std::int64_t>(data) + shift));
            }
        }
        return {valueFields, start + 2 + entries.size() * 12};
    }

private:
    Bytes& out_;
};

Bytes ascii(std::string_view text) {
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

Bytes littleEndian(std::initializer_list<std::uint32_t> values, int size = 4) {
    Bytes bytes;
    for (const std::uint32_t value : values) {
        for (int i = 0; i < size; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    }
    return bytes;
}

Bytes latitudeRationals() {
    return littleEndian({48, 1, 51, 1, 2400, 100});
}

constexpr std::uint16_t shortType = 3, longType = 4, rationalType = 5, asciiType = 2, byteType = 1,
                        undefinedType = 7;

Bytes cameraExifBlock() {
    Bytes exif{'I', 'I', 42, 0, 8, 0, 0, 0};
    ExifWriter writer(exif);
    const auto [mainFields, mainNext] = writer.directory({
        {0x010F, asciiType, 5, ascii("SONY")},
        {0x0110, asciiType, 12, ascii("DSC-RX100M4")},
        {0x0112, shortType, 1, littleEndian({1}, 2)},
        {0x011A, rationalType, 1, littleEndian({350, 1})},
        {0x011B, rationalType, 1, littleEndian({350, 1})},
        {0x0128, shortType, 1, littleEndian({2}, 2)},
        {0x0131, asciiType, 13, ascii("GIMP 2.10.34")},
        {0x0132, asciiType, 20, ascii("2021:07:04 16:02:11")},
        {0x8769, longType, 1, littleEndian({0})},
        {0x8825, longType, 1, littleEndian({0})},
    });
    // The next directory is this one again.
    writer.u32(mainNext, 8);

    // Sony's maker notes: their signature, then a directory whose offsets count from the TIFF
    // header, as the camera writes them. Arbitrary bytes stand for the camera's enciphered blocks.
    const Bytes makerNote{'S', 'O', 'N', 'Y', ' ', 'D', 'S', 'C', ' ', 0, 0, 0};
    const std::size_t exifIfd = exif.size();
    writer.u32(mainFields[8], static_cast<std::uint32_t>(exifIfd));
    const std::vector<ExifWriter::Entry> exifEntries{
        {0x829A, rationalType, 1, littleEndian({1, 250})},     {0x8827, shortType, 1, littleEndian({125}, 2)},
        {0x9003, asciiType, 20, ascii("2021:07:04 15:30:00")}, {0x927C, undefinedType, 0, littleEndian({0})},
        {0xA002, longType, 1, littleEndian({5472})},           {0xA003, longType, 1, littleEndian({3648})},
    };
    const std::vector<std::size_t> exifFields = writer.directory(exifEntries).first;

    // The maker notes, written where the MakerNote entry points.
    const std::size_t noteAt = exif.size();
    exif.insert(exif.end(), makerNote.begin(), makerNote.end());
    const auto junk = [](std::size_t size, std::uint32_t seed) {
        Bytes bytes(size);
        for (auto& byte : bytes) {
            seed = seed * 1664525u + 1013904223u;
            byte = static_cast<std::uint8_t>(seed >> 24);
        }
        return bytes;
    };
    writer.directory({
        {0x0010, undefinedType, 368, junk(368, 1)},   {0x0020, undefinedType, 19154, junk(19154, 2)},
        {0x0102, longType, 1, littleEndian({5})},     {0x0104, rationalType, 1, littleEndian({0, 10})},
        {0x0114, undefinedType, 1536, junk(1536, 3)}, {0x2010, undefinedType, 6144, junk(6144, 4)},
        {0x9050, undefinedType, 944, junk(944, 5)},   {0x9400, undefinedType, 256, junk(256, 6)},
        {0x9401, undefinedType, 1000, junk(1000, 7)}, {0x9402, undefinedType, 16, junk(16, 8)},
        {0x9403, undefinedType, 4, junk(4, 9)},       {0x9404, undefinedType, 32, junk(32, 10)},
        {0x9405, undefinedType, 512, junk(512, 11)},  {0x9406, undefinedType, 64, junk(64, 12)},
        {0x940C, undefinedType, 32, junk(32, 13)},    {0x9416, undefinedType, 256, junk(256, 14)},
        {0xB000, byteType, 4, Bytes{3, 0, 0, 0}},     {0xB001, shortType, 1, littleEndian({368}, 2)},
        {0xB020, asciiType, 9, ascii("Standard")},    {0xB041, shortType, 1, littleEndian({0}, 2)},
    });
    const std::size_t noteSize = exif.size() - noteAt;
    writer.u32(exifFields[3] - 4, static_cast<std::uint32_t>(noteSize)); // the count
    writer.u32(exifFields[3], static_cast<std::uint32_t>(noteAt));

    const std::size_t gpsIfd = exif.size();
    writer.u32(mainFields[9], static_cast<std::uint32_t>(gpsIfd));
    writer.directory({
        {0x0000, byteType, 4, Bytes{2, 3, 0, 0}},
        {0x0001, asciiType, 2, ascii("N")},
        {0x0002, rationalType, 3, latitudeRationals()},
        {0x0003, asciiType, 2, ascii("E")},
        {0x0004, rationalType, 3, littleEndian({2, 1, 21, 1, 300, 100})},
    });
    return exif;
}

} // namespace

Bytes cameraExifLatitudeBytes() {
    return latitudeRationals();
}

Bytes pngWithCameraExif(const Bitmap& image) {
    Bytes png = encoded(image, ConvertFormat::png);
    const Bytes exif = cameraExifBlock();
    Bytes chunk;
    appendBigEndian(chunk, static_cast<std::uint32_t>(exif.size()));
    chunk.insert(chunk.end(), {'e', 'X', 'I', 'f'});
    chunk.insert(chunk.end(), exif.begin(), exif.end());
    const uLong crc = crc32(0, chunk.data() + 4, static_cast<uInt>(chunk.size() - 4));
    appendBigEndian(chunk, static_cast<std::uint32_t>(crc));
    // As libpng writes it when asked for EXIF: once before the image data and again after it.
    png.insert(png.end() - 12, chunk.begin(), chunk.end()); // before IEND, the last chunk
    constexpr std::size_t afterHeader = 8 + 12 + 13;
    png.insert(png.begin() + afterHeader, chunk.begin(), chunk.end());
    return png;
}

} // namespace orvane::test
