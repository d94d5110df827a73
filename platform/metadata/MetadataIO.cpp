#include "platform/metadata/MetadataIO.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <exiv2/exiv2.hpp>
#include <libheif/heif.h>
#include <memory>
#include <mutex>
#include <string_view>

namespace orvane::MetadataIO {

namespace {

void ensureExiv2() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
        Exiv2::enableBMFF(true);
    });
}

// Tags of the main directory that describe the photo rather than the file's layout.
constexpr std::array<std::string_view, 16> descriptiveMainTags = {
    "ImageDescription", "Make",        "Model",          "Orientation",
    "XResolution",      "YResolution", "ResolutionUnit", "Software",
    "DateTime",         "Artist",      "HostComputer",   "Copyright",
    "DocumentName",     "PageName",    "WhitePoint",     "PrimaryChromaticities"};

bool isDescriptiveMainTag(const std::string& name) {
    return std::ranges::find(descriptiveMainTags, name) != descriptiveMainTags.end();
}

PropertyValue valueOf(const Exiv2::Metadatum& datum) {
    return {static_cast<int>(datum.typeId()), datum.value().toString()};
}

void insert(std::optional<PropertyDictionary>& dictionary, const std::string& key, PropertyValue value) {
    if (!dictionary) {
        dictionary.emplace();
    }
    dictionary->emplace(key, std::move(value));
}

// An EXIF tag has one value. A file can hold its EXIF twice (libpng writes a PNG's eXIf chunk both
// before and after the image data), and the metadata library then reads every entry twice: the
// first is kept, as writing a tag twice fails.
void insertOnce(std::optional<PropertyDictionary>& dictionary, const std::string& key, PropertyValue value) {
    if (!dictionary || !dictionary->contains(key)) {
        insert(dictionary, key, std::move(value));
    }
}

std::optional<double> dpiFrom(const PropertyDictionary& tiff, const char* key) {
    const PropertyValue* resolution = findProperty(tiff, key);
    if (resolution == nullptr) {
        return std::nullopt;
    }
    const auto value = resolution->asNumber();
    if (!value || *value <= 0) {
        return std::nullopt;
    }
    long unit = 2;
    if (const PropertyValue* unitValue = findProperty(tiff, "ResolutionUnit")) {
        unit = unitValue->asInteger().value_or(2);
    }
    return unit == 3 ? *value * 2.54 : *value;
}

void add(Exiv2::ExifData& exif, const std::string& key, const PropertyValue& value) {
    try {
        auto parsed = Exiv2::Value::create(static_cast<Exiv2::TypeId>(value.typeId));
        if (parsed->read(value.text) != 0) {
            return;
        }
        exif.add(Exiv2::ExifKey(key), parsed.get());
    } catch (const Exiv2::AnyError&) {
        // An entry the library cannot name or hold is left out rather than failing the file.
    }
}

Exiv2::ExifData exifData(const ImageProperties& properties) {
    Exiv2::ExifData exif;
    const auto addGroup = [&](const std::optional<PropertyDictionary>& group, const std::string& prefix) {
        if (group) {
            for (const auto& [name, value] : *group) {
                add(exif, prefix + name, value);
            }
        }
    };
    addGroup(properties.tiff, "Exif.Image.");
    addGroup(properties.exif, "Exif.Photo.");
    addGroup(properties.gps, "Exif.GPSInfo.");
    if (properties.maker) {
        for (const auto& [key, value] : *properties.maker) {
            add(exif, key, value);
        }
    }
    // A resolution given on its own is stated where readers look for it: in the main directory.
    if (properties.dpiWidth && *properties.dpiWidth > 0 &&
        exif.findKey(Exiv2::ExifKey("Exif.Image.XResolution")) == exif.end()) {
        const auto rational = [](double dpi) {
            return Exiv2::URational(static_cast<std::uint32_t>(std::lround(dpi * 100)), 100);
        };
        exif["Exif.Image.XResolution"] = rational(*properties.dpiWidth);
        exif["Exif.Image.YResolution"] = rational(properties.dpiHeight.value_or(*properties.dpiWidth));
        exif["Exif.Image.ResolutionUnit"] = static_cast<std::uint16_t>(2);
    }
    if (properties.orientation && *properties.orientation != 1 &&
        exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation")) == exif.end()) {
        exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(*properties.orientation);
    }
    return exif;
}

Exiv2::IptcData iptcData(const ImageProperties& properties) {
    Exiv2::IptcData iptc;
    if (properties.iptc) {
        for (const auto& [key, value] : *properties.iptc) {
            try {
                auto parsed = Exiv2::Value::create(static_cast<Exiv2::TypeId>(value.typeId));
                if (parsed->read(value.text) == 0) {
                    iptc.add(Exiv2::IptcKey(key), parsed.get());
                }
            } catch (const Exiv2::AnyError&) {
            }
        }
    }
    return iptc;
}

} // namespace

std::vector<std::uint8_t> heifExifBlock(std::span<const std::uint8_t> fileBytes) {
    if (fileBytes.size() < 12 || std::memcmp(fileBytes.data() + 4, "ftyp", 4) != 0) {
        return {};
    }
    struct Context {
        heif_context* context = heif_context_alloc();
        ~Context() { heif_context_free(context); }
    } context;
    if (heif_context_read_from_memory_without_copy(context.context, fileBytes.data(), fileBytes.size(),
                                                   nullptr)
            .code != heif_error_Ok) {
        return {};
    }
    heif_image_handle* handle = nullptr;
    if (heif_context_get_primary_image_handle(context.context, &handle).code != heif_error_Ok) {
        return {};
    }
    std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle*)> owned(handle,
                                                                                 &heif_image_handle_release);
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) < 1) {
        return {};
    }
    std::vector<std::uint8_t> block(heif_image_handle_get_metadata_size(handle, id));
    if (block.size() < 4 || heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok) {
        return {};
    }
    // The block starts with the offset of its TIFF header.
    const std::size_t offset =
        4 + ((std::size_t{block[0]} << 24) | (block[1] << 16) | (block[2] << 8) | block[3]);
    if (offset >= block.size()) {
        return {};
    }
    return {block.begin() + static_cast<std::ptrdiff_t>(offset), block.end()};
}

ImageProperties read(std::span<const std::uint8_t> fileBytes) {
    ensureExiv2();
    ImageProperties properties;
    try {
        Exiv2::ExifData heifExif;
        const Exiv2::ExifData* exifData = nullptr;
        Exiv2::Image::AutoPtr image;
        const auto heifBlock = heifExifBlock(fileBytes);
        if (!heifBlock.empty()) {
            // exiv2 misses the EXIF of some HEIF files; libheif finds it reliably.
            Exiv2::ExifParser::decode(heifExif, heifBlock.data(),
                                      static_cast<std::uint32_t>(heifBlock.size()));
            exifData = &heifExif;
        } else {
            image = Exiv2::ImageFactory::open(fileBytes.data(), static_cast<long>(fileBytes.size()));
            if (image.get() == nullptr) {
                return properties;
            }
            image->readMetadata();
            exifData = &image->exifData();
        }
        for (const Exiv2::Exifdatum& datum : *exifData) {
            const std::string group = datum.groupName();
            const std::string name = datum.tagName();
            if (group == "Image") {
                if (isDescriptiveMainTag(name)) {
                    insertOnce(properties.tiff, name, valueOf(datum));
                }
            } else if (group == "Photo") {
                if (name == "MakerNote") {
                    insertOnce(properties.maker, datum.key(), valueOf(datum));
                } else if (name != "InteroperabilityTag") {
                    insertOnce(properties.exif, name, valueOf(datum));
                }
            } else if (group == "GPSInfo") {
                insertOnce(properties.gps, name, valueOf(datum));
            } else if (Exiv2::ExifTags::isMakerGroup(group)) {
                insertOnce(properties.maker, datum.key(), valueOf(datum));
            }
        }
        if (image.get() != nullptr) {
            for (const Exiv2::Iptcdatum& datum : image->iptcData()) {
                insert(properties.iptc, datum.key(),
                       {static_cast<int>(datum.typeId()), datum.value().toString()});
            }
        }
    } catch (const Exiv2::AnyError&) {
        return ImageProperties{};
    } catch (const std::exception&) {
        return ImageProperties{};
    }
    if (properties.tiff) {
        if (const PropertyValue* orientation = findProperty(*properties.tiff, "Orientation")) {
            const long value = orientation->asInteger().value_or(1);
            if (value >= 1 && value <= 8) {
                properties.orientation = static_cast<int>(value);
            }
        }
        properties.dpiWidth = dpiFrom(*properties.tiff, "XResolution");
        properties.dpiHeight = dpiFrom(*properties.tiff, "YResolution");
    }
    return properties;
}

void embed(std::vector<std::uint8_t>& fileBytes, const ImageProperties& properties,
           const ColorProfile& profile) {
    ensureExiv2();
    auto image = Exiv2::ImageFactory::open(fileBytes.data(), static_cast<long>(fileBytes.size()));
    if (image.get() == nullptr) {
        throw Exiv2::Error(Exiv2::kerDataSourceOpenFailed);
    }
    image->clearMetadata();
    image->setExifData(exifData(properties));
    image->setIptcData(iptcData(properties));
    Exiv2::DataBuf icc(profile.icc().data(), static_cast<long>(profile.icc().size()));
    image->setIccProfile(icc, false);
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    io.seek(0, Exiv2::BasicIo::beg);
    const long size = io.size();
    std::vector<std::uint8_t> written(static_cast<std::size_t>(size));
    if (io.read(written.data(), size) != size) {
        throw Exiv2::Error(Exiv2::kerFailedToReadImageData);
    }
    fileBytes = std::move(written);
}

std::vector<std::uint8_t> exifBlob(const ImageProperties& properties) {
    ensureExiv2();
    const Exiv2::ExifData exif = exifData(properties);
    if (exif.empty()) {
        return {};
    }
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
    return {blob.begin(), blob.end()};
}

} // namespace orvane::MetadataIO
