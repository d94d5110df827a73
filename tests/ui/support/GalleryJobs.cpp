#include "tests/ui/support/GalleryJobs.h"

#include "tests/support/TestImages.h"
#include "tests/ui/support/WindowTestSupport.h"

#include <fstream>

namespace orvane::test {

void writeJobs(const std::filesystem::path& root, int count, bool asPNG) {
    const Bitmap result = gradient(64, 48);
    for (int i = 0; i < count; ++i) {
        const QUuid id = QUuid::createUuid();
        const auto folder = root / uuidString(id).toStdString();
        auto record = JobGallery::writeJob(
            folder, id, result, result, QStringLiteral("Job %1").arg(i), QStringLiteral("wand.and.stars"),
            QStringLiteral("64 × 48"), QStringLiteral("photo-%1").arg(i), asPNG, std::nullopt, std::nullopt);
        ASSERT_TRUE(record.has_value());
        // Dates a second apart, so that the newest-first order is the writing order reversed.
        record->date = std::chrono::system_clock::now() - std::chrono::seconds(count - i);
        std::ofstream(folder / "meta.json", std::ios::binary | std::ios::trunc) << encodeJSON(*record);
    }
}

LoadedGallery::LoadedGallery(const std::filesystem::path& root)
    : gallery(root) {
    EXPECT_TRUE(waitFor([&] { return gallery.isLoaded(); }));
}

} // namespace orvane::test
