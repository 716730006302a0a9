#include "diagnostics/Log.h"
#include "diagnostics/LogCategorised.h"

#include "StderrCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

using Qelt::LogCategorised;
using testing::MatchesRegex;

TEST(LogCategorisedTest, WritesOneLineWithTheSourcePathBelowTheRepository)
{
    struct Case
    {
        const char* file;
        const char* message;
        const char* expected;
    };
    const Case cases[] = {
        {"/ci/brisel/FileIO/X2DIO/X2DImportImpl.cpp", "read 3", "FileIO/X2DIO/X2DImportImpl.cpp"},
        {"/src/devices/net/Session.cpp", "read 3", "devices/net/Session.cpp"},
        {"/src/subnet/Probe.cpp", "read 3", "/src/subnet/Probe.cpp"},
        {"app/Main.cpp", "read 3\r\n\n", "app/Main.cpp"},
    };
    for (const auto& c : cases)
    {
        std::ostringstream out;
        LogCategorised log("", out);
        log.Write(c.message, log.GetCategory("X2DImport"), 4, c.file, 42);
        EXPECT_EQ(out.str(), "[X2DImport:4] " + std::string(c.expected) + ":42: read 3\n");
    }
}

TEST(LogCategorisedTest, CreatesEachCategoryOnceAndWarnsAboutMalformedEntries)
{
    std::ostringstream out;
    LogCategorised log("UtilsIO=5,oops,*=3", out);
    EXPECT_EQ(out.str(), "Warning: BRISEL_LOG entry \"oops\" ignored: missing '='\n");
    auto& utils = log.GetCategory("UtilsIO");
    EXPECT_EQ(&utils, &log.GetCategory("UtilsIO"));
    EXPECT_EQ(utils.GetLevel(), 5);
    EXPECT_EQ(log.GetCategory("Event System").GetLevel(), 3);
}

TEST(LogCategorisedTest, ConcurrentWritersNeverInterleaveLines)
{
    constexpr int kThreads = 4;
    constexpr int kMessages = 200;
    std::ostringstream out;
    LogCategorised log("", out);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
    {
        threads.emplace_back(
            [&, t]
            {
                for (int i = 0; i < kMessages; ++i)
                {
                    const std::string message(50 + i, 'a' + t);
                    log.Write(message, log.GetCategory("Shared"), 2, "/r/net/Socket.cpp", t);
                }
            });
    }
    std::vector<std::string> expected;
    for (int t = 0; t < kThreads; ++t)
    {
        threads[t].join();
        for (int i = 0; i < kMessages; ++i)
        {
            expected.push_back("[Shared:2] net/Socket.cpp:" + std::to_string(t) + ": " +
                               std::string(50 + i, 'a' + t));
        }
    }
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> written;
    std::istringstream lines(out.str());
    for (std::string text; std::getline(lines, text);)
    {
        written.push_back(text);
    }
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, expected);
}

namespace
{

struct CountedInsertion
{
    int& count;
};

std::ostream& operator<<(std::ostream& out, const CountedInsertion& counted)
{
    return out << "counted " << ++counted.count;
}

} // namespace

TEST(QeltLogTest, BuildsOnlyMessagesAtOrBelowTheThreshold)
{
    std::ostringstream unused;
    LogCategorised log("Counted=4", unused);
    auto& category = log.GetCategory("Counted");
    int count = 0;
    Qelt::GlobalLog(); // reports any malformed BRISEL_LOG entries before the capture starts
    StderrCapture capture;

    QELT_LOG(category, 5) << CountedInsertion{count};
    EXPECT_EQ(count, 0);
    QELT_LOG(category, 4) << CountedInsertion{count};
    EXPECT_EQ(count, 1);
    EXPECT_THAT(capture.Text(),
                MatchesRegex("\\[Counted:4\\] .*/LogTest\\.cpp:[0-9]+: counted 1\n"));

    // The macro must be a single expression, or an unbraced else would attach to it.
    bool elseTaken = false;
    if (count == 0)
        QELT_LOG(category, 1) << "never";
    else
        elseTaken = true;
    EXPECT_TRUE(elseTaken);
}

TEST(QeltLogTest, CallSitesStateTheirSourceTextAndLine)
{
    std::ostringstream unused;
    LogCategorised log("Counted=4", unused);
    auto& category = log.GetCategory("Counted");
    int count = 0;
    Qelt::GlobalLog();
    StderrCapture capture;

    QELT_LOG_AT(category, 5, "EventSystem/Invoke", 83) << CountedInsertion{count};
    EXPECT_EQ(count, 0);
    QELT_LOG_AT(category, 4, "UtilsIO\\MemoryMappedStream", 76) << CountedInsertion{count};
    EXPECT_EQ(capture.Text(), "[Counted:4] UtilsIO\\MemoryMappedStream:76: counted 1\n");
}

TEST(QeltLogTest, SourcePathsOfCallSitesThatDoNotStateOneAreRelativeToTheRepository)
{
    EXPECT_EQ(std::string(__FILE__), "tests/diagnostics/LogTest.cpp");
}

TEST(GlobalLogStreamTest, WritesTheWholeMessageAsOneLineWhenDestroyed)
{
    auto& category = Qelt::GlobalLog().GetCategory("StreamTest");
    StderrCapture capture;
    {
        auto stream = LoggingDetail::GlobalLogStream(category, 5, "/r/net/PostalService.cpp", 7);
        stream << "sent " << 3 << " packets";
        stream << " to " << 2 << " hosts";
        EXPECT_EQ(capture.Text(), "");
    }
    EXPECT_EQ(capture.Text(),
              "[StreamTest:5] net/PostalService.cpp:7: sent 3 packets to 2 hosts\n");
}
