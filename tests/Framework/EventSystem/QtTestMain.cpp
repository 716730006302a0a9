// Test entry for code that needs a real Qt event loop on the main thread. The trace of
// the event system is switched on, so the tests can see its log lines.

#include "tests/support/QtTestLoop.h"

#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    setenv("BRISEL_LOG", "Event System=5", 1);
    QCoreApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
