#pragma once

#include <map>
#include <optional>
#include <string>

namespace orvane {

// One metadata entry, kept in the form its reader found it so that it can be written back
// unchanged: the entry's type (as the metadata library numbers types) and its value as text.
struct PropertyValue {
    int typeId = 0;
    std::string text;

    static PropertyValue string(std::string text);
    static PropertyValue shortInteger(int value);
    bool isString() const;
    std::optional<long> asInteger() const;
    std::optional<double> asNumber() const;

    friend bool operator==(const PropertyValue&, const PropertyValue&) = default;
};

// Entries by tag name ("DateTimeOriginal", "GPSLatitude"); IPTC data sets may repeat.
using PropertyDictionary = std::multimap<std::string, PropertyValue>;

// The top-level properties of one image in a file, by the groups the converter filters on.
struct ImageProperties {
    std::optional<int> pixelWidth;
    std::optional<int> pixelHeight;
    std::optional<int> orientation; // 1 to 8, as EXIF numbers them
    std::optional<double> dpiWidth;
    std::optional<double> dpiHeight;
    std::optional<std::string> colorModel;
    std::optional<std::string> profileName;
    std::optional<PropertyDictionary> exif; // the EXIF sub-directory: exposure, capture dates, lens…
    std::optional<PropertyDictionary> tiff; // the main directory: make, model, orientation, software…
    std::optional<PropertyDictionary> gps;
    std::optional<PropertyDictionary> iptc;  // by full data-set key ("Iptc.Application2.City")
    std::optional<PropertyDictionary> maker; // the camera maker's own note

    friend bool operator==(const ImageProperties&, const ImageProperties&) = default;
};

const PropertyValue* findProperty(const PropertyDictionary& dictionary, const std::string& key);

} // namespace orvane
