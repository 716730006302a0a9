// Test entry for the reporter's dialog tests: a widgets application on the offscreen platform,
// so the tests need no display.

#include <QApplication>
#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
// Qt's offscreen platform plugin never deletes the screen it creates, nor what hangs off it, so
// LeakSanitizer reports them when the program ends. Full allocation stacks (Qt is built without
// frame pointers) let the suppression name the plugin itself and nothing else.
extern "C" const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libqoffscreen.so\n";
}
#endif

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
