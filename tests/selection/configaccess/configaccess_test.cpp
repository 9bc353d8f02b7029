#include "selection/configaccess/halvex.h"
#include <gtest/gtest.h>
TEST(ConfigAccess, Builds) { EXPECT_EQ(hvtNodeEnum(0, 0), 0); }
