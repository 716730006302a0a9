// Test entry for programs that drive devices: each test process gets a network namespace
// of its own, then a Qt application whose main thread is the event thread.

#include "tests/support/NetworkNamespace.h"

#include <QCoreApplication>
#include <cstdio>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    const std::string error = BriselTest::EnterFreshNetworkNamespace();
    if (!error.empty())
    {
        std::fprintf(stderr, "cannot isolate the test's network: %s\n", error.c_str());
        return 1;
    }
    QCoreApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
