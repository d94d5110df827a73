#include "platform/files/Sha256.h"

#include <gtest/gtest.h>
#include <string_view>

using namespace orvane;

namespace {
std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}
} // namespace

TEST(Sha256, MatchesThePublishedDigests) {
    EXPECT_EQ(Sha256::hex(Sha256::digest(bytesOf("abc"))),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256::hex(Sha256::digest(bytesOf(""))),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256::hex(std::vector<std::uint8_t>{0x00, 0x0f, 0xa0, 0xff}), "000fa0ff");
}
