#include "platform/application/SystemMemory.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace orvane;

namespace {
constexpr std::uint64_t megabyte = 1024 * 1024;
} // namespace

// As a job leaves it: a worker thread filled many small blocks and freed most of them, with a few
// still in use between them, so that the allocator can't give the space back by itself.
TEST(SystemMemory, FreedMemoryOfAWorkerGoesBackToTheSystem) {
    constexpr std::size_t block = 64 * 1024;
    constexpr std::size_t blocks = 2048; // 128 MB
    std::vector<void*> kept;
    const std::uint64_t before = SystemMemory::residentBytes();
    std::uint64_t filled = 0;
    std::uint64_t freed = 0;
    std::thread worker([&] {
        std::vector<void*> all;
        for (std::size_t i = 0; i < blocks; ++i) {
            void* memory = std::malloc(block);
            ASSERT_NE(memory, nullptr);
            std::memset(memory, 1, block);
            all.push_back(memory);
        }
        filled = SystemMemory::residentBytes();
        for (std::size_t i = 0; i < blocks; ++i) {
            if (i % 16 == 15) {
                kept.push_back(all[i]);
            } else {
                std::free(all[i]);
            }
        }
        freed = SystemMemory::residentBytes();
    });
    worker.join();
    ASSERT_GT(filled, before + 100 * megabyte);
    // Still held after the frees: otherwise there is nothing here to give back.
    ASSERT_GT(freed, filled - 20 * megabyte);

    SystemMemory::releaseFreeMemory();
    EXPECT_LT(SystemMemory::residentBytes(), freed - 80 * megabyte);
    for (void* memory : kept) {
        std::free(memory);
    }
}
