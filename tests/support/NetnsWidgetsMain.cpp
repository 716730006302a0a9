// Test entry for widget tests that start the real programs: each test process gets a network
// namespace of its own, then a Qt Widgets application, on the offscreen platform unless the
// environment names another.

#include "tests/support/NetworkNamespace.h"

#include <QApplication>
#include <cstdio>
#include <gtest/gtest.h>

// Qt 5.15's offscreen platform plugin never frees the screen and cursor it creates with the
// application, so LeakSanitizer reports them at exit in every program that uses it. They are
// suppressed by the plugin's module name; that needs whole allocation stacks, which the fast
// unwinder cannot walk through Qt's libraries (built without frame pointers). These functions
// are read by the sanitizer runtime only, in AddressSanitizer builds.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libqoffscreen.so\n";
}

extern "C" const char* __lsan_default_options()
{
    return "print_suppressions=0";
}

extern "C" const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

int main(int argc, char** argv)
{
    const std::string error = BriselTest::EnterFreshNetworkNamespace();
    if (!error.empty())
    {
        std::fprintf(stderr, "cannot isolate the test's network: %s\n", error.c_str());
        return 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
