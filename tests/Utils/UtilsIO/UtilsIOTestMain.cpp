// Test entry that switches on the stream statistics and the lock report before the process-wide
// log reads its thresholds, so the tests can see both lines.

#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    setenv("BRISEL_LOG", "Flow2File=5,UtilsIO=2", 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
