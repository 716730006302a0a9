// Crashes real programs under the crash handler and runs the error reporter on live processes,
// then reads the dumps back with our own reader and with lldb.

#include "errorreporter/Incident.h"
#include "tests/errorreporter/MinidumpReader.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDirectory.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <sys/wait.h>

using BriselTest::ChildProcess;
using BriselTest::ExitCodeOf;
using BriselTest::MinidumpReader;
using BriselTest::TempDirectory;
using BriselTest::Utf16;

namespace
{
// Crash reports take well under a second; the bound only matters when something hangs, and
// sanitizer builds on a loaded machine are many times slower.
constexpr std::chrono::seconds kGenerous{60};
constexpr char kBatchDump[] = "QeltErrorReportingDumpFile.dmp";
constexpr std::uint32_t kComment = 11;
constexpr std::uint32_t kFurtherComment = 0x51450000;

// Runs `program` in `folder` (also its temporary folder) with no display, so a crash handler
// starts the reporter in batch mode.
std::unique_ptr<ChildProcess> StartIn(const TempDirectory& folder, const std::string& program,
                                      const std::vector<std::string>& arguments = {})
{
    std::vector<std::string> command = {
        "-C",   folder.Path(), "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "TMPDIR=" + folder.Path(),
        program};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return std::make_unique<ChildProcess>("/usr/bin/env", command);
}

std::vector<std::u16string> Comments(const MinidumpReader& dump)
{
    std::vector<std::u16string> comments;
    for (const std::uint32_t type :
         {kComment, kFurtherComment + 1, kFurtherComment + 2, kFurtherComment + 3})
        comments.push_back(dump.Utf16Stream(type).value_or(u"<missing>"));
    return comments;
}

void ExpectComments(const MinidumpReader& dump, const std::string& module)
{
    const std::vector<std::u16string> comments = Comments(dump);
    const std::string incident(comments[0].begin(), comments[0].end());
    EXPECT_TRUE(std::regex_match(incident, std::regex(module + "-20[0-9]{6}-[0-9]{6}")))
        << incident;
    EXPECT_EQ(comments[1], u"");
    EXPECT_EQ(comments[2], Utf16(QeltErrorReporting::DescribeSystem()));
    EXPECT_EQ(comments[3], u"");
    // In this order in the directory, after the other streams.
    const auto& types = dump.StreamTypes();
    const auto first = std::find(types.begin(), types.end(), kComment);
    ASSERT_LE(first + 4, types.end());
    EXPECT_EQ(std::vector<std::uint32_t>(first, first + 4),
              (std::vector<std::uint32_t>{kComment, kFurtherComment + 1, kFurtherComment + 2,
                                          kFurtherComment + 3}));
}

// Crashes `program` in `folder` and expects the batch report's lines and the killing signal;
// gives what the program printed.
std::string CrashAndReport(const TempDirectory& folder, const std::string& program,
                           const std::vector<std::string>& arguments, pid_t& crashed)
{
    auto process = StartIn(folder, program, arguments);
    crashed = process->Pid();
    const auto status = process->WaitForExit(kGenerous);
    EXPECT_TRUE(status);
    EXPECT_TRUE(status && WIFSIGNALED(*status) && WTERMSIG(*status) == SIGSEGV)
        << status.value_or(-1);
    EXPECT_NE(process->Error().find("Fatal signal 11 (SIGSEGV) in process " +
                                    std::to_string(crashed) + ": writing a crash report\n"),
              std::string::npos)
        << process->Error();
    EXPECT_NE(process->Error().find(std::string("Dump filename is: ") + kBatchDump + "\n"),
              std::string::npos)
        << process->Error();
    return process->Output();
}

std::string RunLldb(const std::string& dump)
{
    ChildProcess lldb("/usr/bin/lldb", {"--batch", "-c", dump, "-o", "thread list", "-o",
                                        "image list", "-o", "register read"});
    lldb.WaitForExit(kGenerous);
    return lldb.Output();
}
} // namespace

TEST(CrashReport, BatchDumpOfACrashHoldsThreadsModulesExceptionAndComments)
{
    TempDirectory folder;
    pid_t crashed = 0;
    const std::string idleThreads = CrashAndReport(folder, CRASH_VICTIM_PATH, {}, crashed);

    const MinidumpReader dump(folder.Path(kBatchDump));
    ASSERT_TRUE(dump.Valid());
    // The victim's three threads; a sanitizer's runtime may add threads of its own.
    std::istringstream idle(idleThreads);
    std::vector<std::uint32_t> expected = {std::uint32_t(crashed), 0, 0};
    idle >> expected[1] >> expected[2];
    const std::vector<std::uint32_t> threads = dump.ThreadIDs();
    for (const std::uint32_t thread : expected)
        EXPECT_NE(std::find(threads.begin(), threads.end(), thread), threads.end()) << thread;
    const auto exception = dump.Exception();
    ASSERT_TRUE(exception);
    EXPECT_EQ(exception->threadID, std::uint32_t(crashed));
    EXPECT_EQ(exception->code, std::uint32_t(SIGSEGV));
    const std::vector<std::string> modules = dump.ModuleNames();
    EXPECT_NE(std::find(modules.begin(), modules.end(), CRASH_VICTIM_PATH), modules.end());
    EXPECT_TRUE(std::any_of(modules.begin(), modules.end(),
                            [](const std::string& name)
                            { return name.find("/libc.so") != std::string::npos; }));
    ExpectComments(dump, "crash_victim");
}

TEST(CrashReport, LldbOpensTheDumpWithThreadsModulesAndTheFaultRegisters)
{
    TempDirectory folder;
    pid_t crashed = 0;
    CrashAndReport(folder, CRASH_VICTIM_PATH, {}, crashed);

    const std::string listing = RunLldb(folder.Path(kBatchDump));
    EXPECT_NE(listing.find("tid = " + std::to_string(crashed)), std::string::npos) << listing;
    EXPECT_NE(listing.find("stop reason = signal SIGSEGV"), std::string::npos) << listing;
    EXPECT_NE(listing.find("thread #3"), std::string::npos) << listing;
    EXPECT_NE(listing.find(CRASH_VICTIM_PATH), std::string::npos) << listing;
    // The registers of the fault: the instruction pointer is in the faulting function.
    EXPECT_TRUE(std::regex_search(listing, std::regex("rip = 0x[0-9a-f]+ +crash_victim`")))
        << listing;
}

TEST(CrashReport, BriselCLCrashOptionLeavesADumpNamingTheNullWrite)
{
    TempDirectory folder;
    pid_t crashed = 0;
    CrashAndReport(folder, BRISELCL_PATH, {"-crash"}, crashed);

    const MinidumpReader dump(folder.Path(kBatchDump));
    ASSERT_TRUE(dump.Valid());
    const auto exception = dump.Exception();
    ASSERT_TRUE(exception);
    EXPECT_EQ(exception->code, std::uint32_t(SIGSEGV));
    EXPECT_EQ(exception->flags, std::uint32_t(SEGV_MAPERR));
    EXPECT_EQ(exception->address, 0u);
    EXPECT_EQ(exception->threadID, std::uint32_t(crashed));
    ExpectComments(dump, "briselCL");
}

namespace
{
struct Outcome
{
    int exitCode;
    std::string error;
};

Outcome RunReporter(const TempDirectory& folder, const std::vector<std::string>& arguments)
{
    auto reporter = StartIn(folder, REPORTER_PATH, arguments);
    const int exitCode = ExitCodeOf(reporter->WaitForExit(kGenerous));
    return {exitCode, reporter->Error()};
}

// Whether `process` runs freely again: traced by no one and not stopped.
void ExpectReleased(pid_t process)
{
    std::ifstream status("/proc/" + std::to_string(process) + "/status");
    const std::string text((std::istreambuf_iterator<char>(status)), {});
    EXPECT_NE(text.find("TracerPid:\t0\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("State:\tt"), std::string::npos) << text;
    EXPECT_EQ(text.find("State:\tT"), std::string::npos) << text;
}

// A live process for the reporter to attach to.
std::unique_ptr<ChildProcess> StartTarget()
{
    return std::make_unique<ChildProcess>("/bin/sleep", std::vector<std::string>{"60"});
}
} // namespace

TEST(ReporterProgram, UnreadableArgumentsEndWithTheirMessageAndCodeOne)
{
    TempDirectory folder;
    const auto target = StartTarget();
    const std::string pid = std::to_string(target->Pid());
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "This application is used to implement error reporting for Qelt applications.\n"},
        {{"12x"}, "Unable to read process ID.\n"},
        {{"0x"}, "Unable to read process ID.\n"},
        {{pid, "0x10", "thread"}, "Unable to read thread ID.\n"},
        {{pid, "pointer", "7"}, "Unable to read exception pointer.\n"},
        {{"x", "1", "2", "0", "--batch"}, "Unable to read process ID.\n"},
        {{"0x7ffffff0"}, "Unable to attach to process.\n"},
        // Batch mode words its failure without the full stop.
        {{pid, "0x1000", pid, "0", "--batch"}, "Unable to write minidump\n"},
        {{pid, "0x1000", pid, "0"}, "Unable to write minidump.\n"},
    };
    for (const auto& [arguments, message] : cases)
    {
        const Outcome outcome = RunReporter(folder, arguments);
        EXPECT_EQ(outcome.exitCode, 1) << arguments.size();
        EXPECT_EQ(outcome.error, message);
    }
    ExpectReleased(target->Pid());
}

TEST(ReporterProgram, UnrecognisedFlagIsWarnedAboutAndBatchModeStaysOff)
{
    TempDirectory folder;
    const auto target = StartTarget();
    const std::string pid = std::to_string(target->Pid());
    const Outcome outcome = RunReporter(folder, {pid, "0x1000", pid, "2", "--Batch"});
    EXPECT_EQ(outcome.error, "Ignoring unrecognised ArgV[5]\nUnable to write minidump.\n");
    EXPECT_EQ(outcome.exitCode, 1);
}

TEST(ReporterProgram, OnlyAProcessIDWritesADumpWithoutExceptionInATemporaryFile)
{
    TempDirectory folder;
    const auto target = StartTarget();
    const Outcome outcome = RunReporter(folder, {std::to_string(target->Pid())});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.error;

    std::smatch match;
    ASSERT_TRUE(std::regex_search(outcome.error, match,
                                  std::regex("Information about this crash has not been sent to "
                                             "Qelt\\.\nPlease e-mail the file (.*/Qel.*\\.tmp) to "
                                             ".*\\.\nYour incident ID is (sleep-[0-9-]+)\\.\n")))
        << outcome.error;
    EXPECT_EQ(std::filesystem::path(match[1].str()).parent_path(), folder.Path());
    const MinidumpReader dump(match[1].str());
    ASSERT_TRUE(dump.Valid());
    EXPECT_FALSE(dump.Exception());
    EXPECT_EQ(dump.ThreadIDs(), std::vector<std::uint32_t>{std::uint32_t(target->Pid())});
    EXPECT_EQ(dump.Utf16Stream(kComment), Utf16(match[2].str()));
    ExpectComments(dump, "sleep");
    ExpectReleased(target->Pid());
}
