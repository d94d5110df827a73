// Encoding through libvips keeps nothing behind. The *save_buffer operations of libvips 8.14 hand
// back their buffer with one reference too many, so every JPEG, PNG and TIFF written that way
// leaked its whole encoded file (found by the image input fuzzer's leak checker).

#include "core/convert/Converter.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>
#include <malloc.h>

using namespace orvane;

TEST(EncodedFileLeak, EncodingManyFilesDoesNotGrowTheHeap) {
    const Bitmap image = test::noise(256, 256);
    for (const ConvertFormat format : {ConvertFormat::jpeg, ConvertFormat::png, ConvertFormat::tiff}) {
        Converter::encode(image, {}, format, 0.9); // libraries set themselves up on first use
        const std::size_t before = mallinfo2().uordblks;
        std::size_t written = 0;
        for (int i = 0; i < 40; ++i) {
            written += Converter::encode(image, {}, format, 0.9).size();
        }
        const std::size_t after = mallinfo2().uordblks;
        // A leak keeps about every byte written; allocator noise is a small fraction of that.
        EXPECT_LT(after > before ? after - before : 0, written / 10) << rawValue(format);
    }
}
