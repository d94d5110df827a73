#include "platform/metadata/ImageProperties.h"

#include <charconv>
#include <exiv2/exiv2.hpp>

namespace orvane {

PropertyValue PropertyValue::string(std::string text) {
    return {Exiv2::asciiString, std::move(text)};
}

PropertyValue PropertyValue::shortInteger(int value) {
    return {Exiv2::unsignedShort, std::to_string(value)};
}

bool PropertyValue::isString() const {
    return typeId == Exiv2::asciiString || typeId == Exiv2::string;
}

std::optional<long> PropertyValue::asInteger() const {
    if (isString()) {
        return std::nullopt;
    }
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || (ptr != end && *ptr != ' ')) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> PropertyValue::asNumber() const {
    if (isString()) {
        return std::nullopt;
    }
    const auto value = Exiv2::Value::create(static_cast<Exiv2::TypeId>(typeId));
    if (value->read(text) != 0 || value->count() == 0) {
        return std::nullopt;
    }
    const double number = value->toFloat(0);
    return value->ok() ? std::optional<double>(number) : std::nullopt;
}

const PropertyValue* findProperty(const PropertyDictionary& dictionary, const std::string& key) {
    const auto found = dictionary.find(key);
    return found == dictionary.end() ? nullptr : &found->second;
}

} // namespace orvane
