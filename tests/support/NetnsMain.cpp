// Test entry for programs whose tests use real sockets on fixed ports: each test
// process (CTest runs one per test) gets a network namespace of its own first.

#include "tests/support/NetworkNamespace.h"

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
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
