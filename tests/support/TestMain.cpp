#include "tests/support/PrivateUserFolders.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    orvane::test::usePrivateUserFolders();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
