// Checks that the compiler runs in the mode the project assumes. Replaced by
// the runtime's own tests once they exist.
#include <gtest/gtest.h>

#include <climits>

TEST(Toolchain, IntAndFloatAre32Bit) {
    EXPECT_EQ(sizeof(int) * CHAR_BIT, 32u);
    EXPECT_EQ(sizeof(float), 4u);
}
