// A file whose pixels fail to decode half-way is refused with the library's own error, every time.
// With libvips 8.14 such a failure inside a multi-threaded evaluation could abort the whole process
// (an assertion racing in its threadpool, found by the image input fuzzer with damaged TIFFs); the
// pixels are now decoded on the calling thread. The race is rare, hence the repetitions.

#include "core/ImageFiles.h"
#include "core/convert/ConvertError.h"
#include "core/convert/Converter.h"
#include "platform/files/FileError.h"
#include "platform/image/ImageSource.h"
#include "tests/support/TestImages.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace orvane;

namespace {

// A TIFF whose compressed strips are garbled a third of the way in: the header reads, the
// pixels do not.
Bytes damagedTiff(int orientation) {
    Bytes tiff =
        test::encoded(test::noise(512, 512), ConvertFormat::tiff, test::cameraProperties(orientation));
    for (std::size_t i = tiff.size() / 3; i < tiff.size() / 3 + 64; ++i) {
        tiff[i] ^= 0x5A;
    }
    return tiff;
}

} // namespace

TEST(DamagedFileDecode, IsRefusedWithTheLibrarysErrorEveryTime) {
    for (const int orientation : {1, 6}) {
        const auto bytes = std::make_shared<const Bytes>(damagedTiff(orientation));
        ASSERT_TRUE(ImageSource::create(bytes).has_value());
        for (int i = 0; i < 25; ++i) {
            EXPECT_THROW(ImageFiles::loadFromData(bytes), FileError) << orientation;
            EXPECT_THROW(ImageFiles::loadFromData(bytes, 100), FileError) << orientation;
            EXPECT_THROW(Converter::convert(ConvertInputData{bytes, std::nullopt}, ConvertOptions{}),
                         ConvertError)
                << orientation;
        }
    }
}

namespace {

// What the process writes to its standard error while `work` runs.
template <class Work> std::string standardErrorOf(Work&& work) {
    std::fflush(stderr);
    const int saved = ::dup(2);
    std::FILE* capture = std::tmpfile();
    ::dup2(::fileno(capture), 2);
    work();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    std::rewind(capture);
    std::string text;
    for (int c = std::fgetc(capture); c != EOF; c = std::fgetc(capture)) {
        text.push_back(static_cast<char>(c));
    }
    std::fclose(capture);
    return text;
}

} // namespace

// A file cut short used to decode with its missing part grey or black and a stream of the
// library's warnings on the terminal: it is refused as unreadable, silently. So is a JPEG cut short
// and then closed with an end marker, as a partial download or a recovered file often is.
TEST(DamagedFileDecode, AFileCutShortIsUnreadableAndNothingReachesTheTerminal) {
    const std::vector<std::tuple<std::string, Bytes, Bytes>> files{
        {"jpeg", test::encoded(test::noise(300, 200), ConvertFormat::jpeg), {}},
        {"jpeg ended with FF D9", test::encoded(test::noise(300, 200), ConvertFormat::jpeg), {0xFF, 0xD9}},
        {"png", test::encoded(test::noise(300, 200), ConvertFormat::png), {}},
        {"dng", test::linearDng(300, 200), {}}};
    for (const auto& [name, whole, end] : files) {
        Bytes bytes(whole.begin(), whole.begin() + whole.size() / 2);
        bytes.insert(bytes.end(), end.begin(), end.end());
        const auto cut = std::make_shared<const Bytes>(std::move(bytes));
        const std::string printed = standardErrorOf([&] {
            EXPECT_THROW(ImageFiles::loadFromData(cut), FileError) << name;
            try {
                Converter::convert(ConvertInputData{cut, std::nullopt}, ConvertOptions{});
                ADD_FAILURE() << name << " converted";
            } catch (const ConvertError& error) {
                EXPECT_EQ(error.errorCase(), ConvertError::Case::unreadable);
            }
            EXPECT_NO_THROW(ImageFiles::loadFromData(whole)) << name;
        });
        EXPECT_EQ(printed, "") << name;
    }
}
