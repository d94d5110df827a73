#include "editor/JobRecord.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace std::chrono;

namespace {

std::optional<JobRecord> decode(const std::string& json) {
    return decodeJobRecord({reinterpret_cast<const std::uint8_t*>(json.data()), json.size()});
}

JobRecord sample() {
    return JobRecord{.id = QUuid::fromString(QStringLiteral("6f1c2a3b-4d5e-4f60-8a7b-9c0d1e2f3a4b")),
                     .title = QStringLiteral("Enlarged ×4"),
                     .symbol = QStringLiteral("wand.and.stars"),
                     .date = sys_seconds{seconds{978'307'200 + 100}} + milliseconds{250},
                     .width = 4000,
                     .height = 3000,
                     .resultFile = QStringLiteral("holiday.png"),
                     .bytes = 12'345'678'901,
                     .detail = QStringLiteral("4000 × 3000 · PNG")};
}

} // namespace

TEST(JobRecord, WritesCompactJSONInFieldOrderWithReferenceDateAndUpperCaseId) {
    EXPECT_EQ(encodeJSON(sample()),
              "{\"id\":\"6F1C2A3B-4D5E-4F60-8A7B-9C0D1E2F3A4B\",\"title\":\"Enlarged ×4\","
              "\"symbol\":\"wand.and.stars\",\"date\":100.25,\"width\":4000,\"height\":3000,"
              "\"resultFile\":\"holiday.png\",\"bytes\":12345678901,\"detail\":\"4000 × 3000 · PNG\"}");
    // Where a record was read from is no part of what is stored.
    auto copy = sample();
    copy.folderName = QStringLiteral("6F1C2A3B-4D5E-4F60-8A7B-9C0D1E2F3A4B copy");
    EXPECT_EQ(encodeJSON(copy), encodeJSON(sample()));
    EXPECT_EQ(referenceSeconds(sys_seconds{seconds{978'307'200}}), 0.0);
    EXPECT_EQ(referenceSeconds(sys_seconds{}), -978'307'200.0);
}

TEST(JobRecord, ReadsAnyKeyOrderLowerCaseIdsAndIgnoresUnknownKeys) {
    const auto record =
        decode("{ \"detail\": \"4000 × 3000 · PNG\", \"bytes\": 12345678901, \"resultFile\": \"holiday.png\","
               "  \"extra\": [1, 2], \"height\": 3000, \"width\": 4000.0, \"date\": 100.25,"
               "  \"symbol\": \"wand.and.stars\", \"title\": \"Enlarged ×4\","
               "  \"id\": \"6f1c2a3b-4d5e-4f60-8a7b-9c0d1e2f3a4b\" }");
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(*record, sample());
    EXPECT_EQ(decode(encodeJSON(sample())), sample());
}

TEST(JobRecord, DatesToTheMicrosecondSurviveTheRoundTrip) {
    auto record = sample();
    for (const auto date :
         {floor<microseconds>(system_clock::now()), sys_seconds{seconds{978'307'200}} - microseconds{1},
          sys_seconds{seconds{2'524'608'000}} + microseconds{999'999}}) {
        record.date = date;
        EXPECT_EQ(decode(encodeJSON(record)), record);
    }
}

TEST(JobRecord, RejectsMissingKeysWrongTypesAndIdsThatAreNotUUIDs) {
    const std::string good = encodeJSON(sample());
    ASSERT_TRUE(decode(good).has_value());
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string json = good;
        json.replace(json.find(from), from.size(), to);
        return json;
    };
    for (const std::string key :
         {"id", "title", "symbol", "date", "width", "height", "resultFile", "bytes", "detail"}) {
        EXPECT_FALSE(decode(replaced("\"" + key + "\":", "\"other" + key + "\":")).has_value()) << key;
    }
    EXPECT_FALSE(decode(replaced("100.25", "\"100.25\"")).has_value());
    EXPECT_FALSE(decode(replaced("\"height\":3000", "\"height\":30.5")).has_value());
    EXPECT_FALSE(decode(replaced("\"width\":4000", "\"width\":4000000000")).has_value());
    EXPECT_FALSE(decode(replaced("\"bytes\":12345678901", "\"bytes\":null")).has_value());
    EXPECT_FALSE(decode(replaced("\"detail\":\"4000 × 3000 · PNG\"", "\"detail\":7")).has_value());
    for (const std::string id : {"{6F1C2A3B-4D5E-4F60-8A7B-9C0D1E2F3A4B}", "6F1C2A3B4D5E4F608A7B9C0D1E2F3A4B",
                                 "6F1C2A3B-4D5E-4F60-8A7B-9C0D1E2F3A4G", "holiday"}) {
        EXPECT_FALSE(decode(replaced("6F1C2A3B-4D5E-4F60-8A7B-9C0D1E2F3A4B", id)).has_value()) << id;
    }
    EXPECT_FALSE(decode("[]").has_value());
    EXPECT_FALSE(decode(good.substr(0, good.size() - 1)).has_value());
}

// A result file named outside the job's folder would have the gallery show, save and reuse another
// file: such a record is damaged.
TEST(JobRecord, RejectsResultFilesThatAreNotPlainNamesInTheJobsFolder) {
    const auto withResultFile = [](const std::string& name) {
        std::string json = encodeJSON(sample());
        const std::string from = "\"resultFile\":\"holiday.png\"";
        return json.replace(json.find(from), from.size(), "\"resultFile\":\"" + name + "\"");
    };
    for (const std::string name : {"/etc/passwd", "../other.jpg", "../../.bashrc", "sub/holiday.png", "..",
                                   ".", "", "holiday.png/", "hol\\u0000iday.png"}) {
        EXPECT_FALSE(decode(withResultFile(name)).has_value()) << name;
    }
    for (const std::string name : {"..holiday.png", "my photo-enlarge-4x.jpg", "a\\\\b.png"}) {
        EXPECT_TRUE(decode(withResultFile(name)).has_value()) << name;
    }
}
