// A file whose pixels fail to decode half-way is refused with the library's own error, every time.
// With libvips 8.14 such a failure inside a multi-threaded evaluation could abort the whole process
// (an assertion racing in its threadpool, found by the image input fuzzer with damaged TIFFs); the
// pixels are now decoded on the calling thread. The race is rare, hence the repetitions.

#include "core/ImageFiles.h"
#include "core/convert/ConvertError.h"
#include "core/convert/Converter.h"
#include "platform/FileError.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

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
