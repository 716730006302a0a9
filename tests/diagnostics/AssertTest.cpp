#include "diagnostics/Assert.h"

#include "StderrCapture.h"

#include <gtest/gtest.h>

TEST(AssertTest, PrintsOneLineAndReturnsToTheCaller)
{
    StderrCapture capture;
    Farrowkit::CallAssertFailHandler("count > 0", "net/Socket.cpp", 120);
    EXPECT_EQ(capture.Text(), "Assertion failed: count > 0, file net/Socket.cpp, line 120\n");
}
