#include "core/convert/detail/ConverterSteps.h"

#include <cctype>
#include <ctime>
#include <regex>

namespace orvane::Converter {

namespace {

struct Fields {
    int year, month, day, hour, minute, second;
};

// Exactly "yyyy:MM:dd HH:mm:ss", with every field in its range.
std::optional<Fields> parse(const std::string& text) {
    static const std::regex pattern(R"(^(\d{4}):(\d{2}):(\d{2}) (\d{2}):(\d{2}):(\d{2})$)");
    std::smatch match;
    if (!std::regex_match(text, match, pattern)) {
        return std::nullopt;
    }
    const Fields f{std::stoi(match[1]), std::stoi(match[2]), std::stoi(match[3]),
                   std::stoi(match[4]), std::stoi(match[5]), std::stoi(match[6])};
    static constexpr int daysIn[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (f.month < 1 || f.month > 12 || f.day < 1 || f.day > daysIn[f.month - 1] || f.hour > 23 ||
        f.minute > 59 || f.second > 59) {
        return std::nullopt;
    }
    const bool leap = (f.year % 4 == 0 && f.year % 100 != 0) || f.year % 400 == 0;
    if (f.month == 2 && f.day == 29 && !leap) {
        return std::nullopt;
    }
    return f;
}

// An offset such as "+02:00" as seconds east of UTC; none when it is no valid offset.
std::optional<long> parseOffset(const std::string& text) {
    static const std::regex pattern(R"(^([+-])(\d{1,2})(?::?(\d{2}))?$)");
    std::smatch match;
    if (!std::regex_match(text, match, pattern)) {
        return std::nullopt;
    }
    const int hours = std::stoi(match[2]);
    const int minutes = match[3].matched ? std::stoi(match[3]) : 0;
    if (hours > 18 || minutes > 59) {
        return std::nullopt;
    }
    const long seconds = hours * 3600L + minutes * 60L;
    return match[1] == "-" ? -seconds : seconds;
}

std::tm toTm(const Fields& f) {
    std::tm tm{};
    tm.tm_year = f.year - 1900;
    tm.tm_mon = f.month - 1;
    tm.tm_mday = f.day;
    tm.tm_hour = f.hour;
    tm.tm_min = f.minute;
    tm.tm_sec = f.second;
    tm.tm_isdst = -1;
    return tm;
}

} // namespace

std::optional<std::chrono::system_clock::time_point> captureDate(const ImageProperties& properties) {
    const PropertyValue* text = nullptr;
    if (properties.exif) {
        text = findProperty(*properties.exif, "DateTimeOriginal");
    }
    if (text == nullptr && properties.tiff) {
        text = findProperty(*properties.tiff, "DateTime");
    }
    if (text == nullptr || !text->isString()) {
        return std::nullopt;
    }
    const auto fields = parse(text->text);
    if (!fields) {
        return std::nullopt;
    }
    std::optional<long> offset;
    if (properties.exif) {
        if (const PropertyValue* zone = findProperty(*properties.exif, "OffsetTimeOriginal");
            zone && zone->isString()) {
            offset = parseOffset(zone->text);
        }
    }
    std::tm tm = toTm(*fields);
    std::time_t seconds = 0;
    if (offset) {
        seconds = ::timegm(&tm) - *offset;
    } else {
        seconds = std::mktime(&tm);
        if (seconds == static_cast<std::time_t>(-1) && !(fields->year == 1969 || fields->year == 1970)) {
            return std::nullopt;
        }
    }
    // The clock counts nanoseconds: years before 1678 or after 2261 do not fit.
    constexpr auto limit =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::duration::max()).count();
    if (seconds > limit || seconds < -limit) {
        return std::nullopt;
    }
    return std::chrono::system_clock::from_time_t(seconds);
}

} // namespace orvane::Converter
