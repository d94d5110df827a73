#pragma once

#include <QString>
#include <QUuid>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace orvane {

// The stored description of one finished editor job, kept as "meta.json" in the job's folder.
struct JobRecord {
    QUuid id;
    QString title;
    // A system symbol name such as "wand.and.stars".
    QString symbol;
    // When the job's folder was written.
    std::chrono::system_clock::time_point date;
    // Pixel size of the result image.
    int width = 0;
    int height = 0;
    // File name of the result inside the job's folder.
    QString resultFile;
    // Size of the result file.
    std::int64_t bytes = 0;
    // One line describing the result.
    QString detail;
    // The name of the folder the record was read from, when that is not the one its id names (a
    // copy of a job's folder, a backup put back under another name); empty for that one. It is
    // where the job's files are and what deleting the job removes; never stored in "meta.json".
    QString folderName = {};

    friend bool operator==(const JobRecord&, const JobRecord&) = default;
};

// The name of the record's folder in the gallery's root.
QString jobFolderName(const JobRecord& record);

// The folder-name form of a UUID: 36 characters, upper-case hex, 8-4-4-4-12.
QString uuidString(const QUuid& id);
// Reads exactly that form in either case; anything else (braces, other lengths) is none.
std::optional<QUuid> uuidFromString(std::string_view text);

// Dates are stored as seconds since 2001-01-01 00:00:00 UTC, with a fraction.
double referenceSeconds(std::chrono::system_clock::time_point date);
// Rounded to the microsecond; none for a value no time_point can hold.
std::optional<std::chrono::system_clock::time_point> fromReferenceSeconds(double seconds);

// One compact JSON object with the keys in the record's field order.
std::string encodeJSON(const JobRecord& record);
// Accepts the keys in any order and ignores unknown ones; none when a key is missing, has the
// wrong type, the id is not a UUID, or the result file is not a plain name inside the job's folder.
std::optional<JobRecord> decodeJobRecord(std::span<const std::uint8_t> json);

} // namespace orvane
