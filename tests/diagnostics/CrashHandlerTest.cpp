#include "diagnostics/CrashHandler.h"
#include "diagnostics/FatalSignalLine.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/resource.h>

using Farrowkit::FatalSignalLine;
using Farrowkit::VCrashHandler;

TEST(FatalSignalLineTest, NamesTheSignalAndTheProcess)
{
    const std::pair<FatalSignalLine, const char*> cases[] = {
        {{SIGSEGV, 4190208}, "Fatal signal 11 (SIGSEGV) in process 4190208"},
        {{SIGFPE, 0}, "Fatal signal 8 (SIGFPE) in process 0"},
        {{40, 10}, "Fatal signal 40 (unexpected signal) in process 10"},
    };
    for (const auto& [line, expected] : cases)
    {
        EXPECT_EQ(std::string(line.Data(), line.Size()),
                  std::string(expected) + ": terminating, no crash report written\n");
    }
}

namespace
{

const std::pair<int, const char*> kFatalSignals[] = {
    {SIGSEGV, "SIGSEGV"}, {SIGBUS, "SIGBUS"},   {SIGFPE, "SIGFPE"},
    {SIGILL, "SIGILL"},   {SIGABRT, "SIGABRT"},
};

std::string LinePattern(int signal, const char* name)
{
    return "Fatal signal " + std::to_string(signal) + " \\(" + name + "\\) in process [0-9]+: ";
}

// Runs in the death-test child, whose crash must not leave a core file behind.
template <typename Fault> void CrashUnderHandler(Fault fault)
{
    const rlimit noCore = {0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    VCrashHandler handler(1);
    fault();
}

// Uninstrumented, or the sanitizers would report the null store themselves instead of faulting.
__attribute__((no_sanitize("undefined", "address"))) void WriteThroughNull()
{
    volatile int* volatile pointer = nullptr;
    *pointer = 1;
}

// Ends after 2^32 calls at the earliest, so the compiler may not treat it as endless.
unsigned OverflowStack(unsigned depth)
{
    volatile char frame[4096];
    frame[0] = static_cast<char>(depth);
    return depth == 0 ? 0 : OverflowStack(depth + 1) + frame[0];
}

void (*CurrentHandler(int signal))(int)
{
    struct sigaction action = {};
    ::sigaction(signal, nullptr, &action);
    return action.sa_handler;
}

void MarkerHandler(int) {}

} // namespace

// Death tests re-execute the test program instead of forking it, as the sanitizers' runtime
// threads require.
class CrashHandlerDeathTest : public testing::Test
{
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(CrashHandlerDeathTest, EachFatalSignalPrintsTheLineAndStillKills)
{
    for (const auto& [signal, name] : kFatalSignals)
    {
        const int raised = signal;
        EXPECT_EXIT(CrashUnderHandler([raised] { std::raise(raised); }),
                    testing::KilledBySignal(signal), LinePattern(signal, name));
    }
}

TEST_F(CrashHandlerDeathTest, RealFaultsIncludingStackOverflowAreReported)
{
    const auto segv = LinePattern(SIGSEGV, "SIGSEGV");
    EXPECT_EXIT(CrashUnderHandler(WriteThroughNull), testing::KilledBySignal(SIGSEGV), segv);
    EXPECT_EXIT(CrashUnderHandler([] { OverflowStack(1); }), testing::KilledBySignal(SIGSEGV),
                segv);
}

TEST(CrashHandlerTest, DestructionRestoresPreviousHandlersAndStack)
{
    struct sigaction marker = {};
    marker.sa_handler = MarkerHandler;
    struct sigaction original[std::size(kFatalSignals)];
    for (std::size_t i = 0; i < std::size(kFatalSignals); ++i)
    {
        ::sigaction(kFatalSignals[i].first, &marker, &original[i]);
    }
    stack_t stackBefore = {};
    ::sigaltstack(nullptr, &stackBefore);

    {
        VCrashHandler handler(1);
        EXPECT_NE(CurrentHandler(SIGSEGV), MarkerHandler);
    }

    stack_t stackAfter = {};
    ::sigaltstack(nullptr, &stackAfter);
    EXPECT_EQ(stackAfter.ss_sp, stackBefore.ss_sp);
    EXPECT_EQ(stackAfter.ss_flags, stackBefore.ss_flags);
    for (std::size_t i = 0; i < std::size(kFatalSignals); ++i)
    {
        EXPECT_EQ(CurrentHandler(kFatalSignals[i].first), MarkerHandler) << kFatalSignals[i].second;
        ::sigaction(kFatalSignals[i].first, &original[i], nullptr);
    }
}
