#include "base/sn_log.h"
#include "zv_test.h"
#include <gtest/gtest.h>
TEST(Log, Smoke)
{
    zvtest::LogCapture cap;
    sn_log(4, NULL, "f", 1, "hello\n");
    EXPECT_TRUE(cap.contains("hello"));
}
