#include "core/convert/detail/ConverterSteps.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace orvane::Converter {

namespace {

// Where the photo was taken, as IPTC says it: the place of origin and the place it shows.
constexpr std::array<std::string_view, 7> iptcLocationKeys = {
    "Iptc.Application2.City",        "Iptc.Application2.SubLocation", "Iptc.Application2.ProvinceState",
    "Iptc.Application2.CountryName", "Iptc.Application2.CountryCode", "Iptc.Application2.LocationName",
    "Iptc.Application2.LocationCode"};

// Places that cameras write into their own notes: where the photo was taken, or the home town and
// travel destination of the camera's world clock.
constexpr std::array<std::string_view, 12> makerLocationKeys = {
    "Exif.Panasonic.Location",    "Exif.Panasonic.Country",
    "Exif.Panasonic.State",       "Exif.Panasonic.City",
    "Exif.Panasonic.City2",       "Exif.Panasonic.Landmark",
    "Exif.Samsung2.LocationName", "Exif.Samsung2.LocalLocationName",
    "Exif.Casio2.HometownCity",   "Exif.Pentax.Hometown",
    "Exif.Pentax.Destination",    "Exif.CanonTi.TimeZoneCity"};

// Removes the listed keys; true when any was there. An emptied dictionary goes altogether.
template <std::size_t N>
bool erase(std::optional<PropertyDictionary>& dictionary, const std::array<std::string_view, N>& keys) {
    if (!dictionary) {
        return false;
    }
    const std::size_t removed = std::erase_if(
        *dictionary, [&](const auto& entry) { return std::ranges::find(keys, entry.first) != keys.end(); });
    if (dictionary->empty()) {
        dictionary.reset();
    }
    return removed > 0;
}

void removeLocation(ImageProperties& properties) {
    properties.gps.reset();
    erase(properties.iptc, iptcLocationKeys);
    if (erase(properties.maker, makerLocationKeys) && properties.maker) {
        // The note as the camera stored it still holds the places taken out of its read entries.
        properties.maker->erase("Exif.Photo.MakerNote");
        if (properties.maker->empty()) {
            properties.maker.reset();
        }
    }
}

} // namespace

ImageProperties filterMetadata(const ImageProperties& source, MetadataPolicy policy) {
    // The decoded image is already upright.
    ImageProperties output;
    output.orientation = 1;
    if (policy == MetadataPolicy::removeAll) {
        return output;
    }
    output.exif = source.exif;
    output.tiff = source.tiff;
    output.iptc = source.iptc;
    output.gps = source.gps;
    output.dpiWidth = source.dpiWidth;
    output.dpiHeight = source.dpiHeight;
    output.maker = source.maker;
    if (policy == MetadataPolicy::removeLocation) {
        removeLocation(output);
    }
    if (output.tiff) {
        output.tiff->erase("Orientation");
        output.tiff->emplace("Orientation", PropertyValue::shortInteger(1));
    }
    if (output.exif) {
        // They would describe the source's size, not the output's.
        output.exif->erase("PixelXDimension");
        output.exif->erase("PixelYDimension");
    }
    return output;
}

} // namespace orvane::Converter
