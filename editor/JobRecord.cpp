#include "editor/JobRecord.h"

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

namespace orvane {

namespace {

using namespace std::chrono;

// 2001-01-01 00:00:00 UTC on the Unix clock.
constexpr sys_seconds referenceDate{seconds{978'307'200}};

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::optional<QString> string(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string()) {
        return std::nullopt;
    }
    return QString::fromStdString(found->get<std::string>());
}

// Integers written as 3.0 by other encoders are still integers; 3.5 is not.
std::optional<std::int64_t> integer(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end()) {
        return std::nullopt;
    }
    if (found->is_number_unsigned()) {
        const auto value = found->get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(value);
    }
    if (found->is_number_integer()) {
        return found->get<std::int64_t>();
    }
    if (found->is_number_float()) {
        const double value = found->get<double>();
        // 2^63 itself is the first double outside int64.
        if (std::trunc(value) == value && value >= -0x1p63 && value < 0x1p63) {
            return static_cast<std::int64_t>(value);
        }
    }
    return std::nullopt;
}

std::optional<int> smallInteger(const nlohmann::json& object, const char* key) {
    const auto value = integer(object, key);
    if (!value || *value < std::numeric_limits<int>::min() || *value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

// The result lives in the job's own folder: a name with a path in it would have the gallery show,
// save and reuse some other file.
bool isPlainFileName(const QString& name) {
    return !name.isEmpty() && name != QStringLiteral(".") && name != QStringLiteral("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

} // namespace

QString uuidString(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> uuidFromString(std::string_view text) {
    // QUuid would also take braces and other spellings; a folder name has exactly this one.
    if (text.size() != 36) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != '-' : !isHex(text[i])) {
            return std::nullopt;
        }
    }
    return QUuid::fromString(QLatin1StringView(text.data(), static_cast<qsizetype>(text.size())));
}

QString jobFolderName(const JobRecord& record) {
    // Deleting a job removes this folder with all it holds: it is never anything but a name in
    // the root.
    return isPlainFileName(record.folderName) ? record.folderName : uuidString(record.id);
}

double referenceSeconds(system_clock::time_point date) {
    return duration<double>(date - referenceDate).count();
}

std::optional<system_clock::time_point> fromReferenceSeconds(double seconds) {
    const double microseconds = std::round(seconds * 1e6);
    // Well inside what a nanosecond system_clock holds (about ±292 years around 1970).
    if (!std::isfinite(microseconds) || std::abs(microseconds) > 8e15) {
        return std::nullopt;
    }
    return referenceDate + std::chrono::microseconds(static_cast<std::int64_t>(microseconds));
}

std::string encodeJSON(const JobRecord& record) {
    nlohmann::ordered_json json;
    json["id"] = uuidString(record.id).toStdString();
    json["title"] = record.title.toStdString();
    json["symbol"] = record.symbol.toStdString();
    json["date"] = referenceSeconds(record.date);
    json["width"] = record.width;
    json["height"] = record.height;
    json["resultFile"] = record.resultFile.toStdString();
    json["bytes"] = record.bytes;
    json["detail"] = record.detail.toStdString();
    return json.dump();
}

std::optional<JobRecord> decodeJobRecord(std::span<const std::uint8_t> bytes) {
    const auto json = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (!json.is_object()) {
        return std::nullopt;
    }
    const auto idText = json.find("id");
    if (idText == json.end() || !idText->is_string()) {
        return std::nullopt;
    }
    const auto id = uuidFromString(idText->get_ref<const std::string&>());
    const auto title = string(json, "title");
    const auto symbol = string(json, "symbol");
    const auto dateValue = json.find("date");
    const auto date = dateValue != json.end() && dateValue->is_number()
                          ? fromReferenceSeconds(dateValue->get<double>())
                          : std::nullopt;
    const auto width = smallInteger(json, "width");
    const auto height = smallInteger(json, "height");
    const auto resultFile = string(json, "resultFile");
    const auto size = integer(json, "bytes");
    const auto detail = string(json, "detail");
    if (!id || !title || !symbol || !date || !width || !height || !resultFile ||
        !isPlainFileName(*resultFile) || !size || !detail) {
        return std::nullopt;
    }
    return JobRecord{*id, *title, *symbol, *date, *width, *height, *resultFile, *size, *detail};
}

} // namespace orvane
