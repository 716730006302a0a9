#include "errorreporter/DumpUpload.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDirectory.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

using namespace QeltReporter;
using namespace std::chrono_literals;

namespace
{
const char* const Account = "KJDParcelStack";
const char* const ServerAddress = "127.0.0.1";
const char* const ServerPort = "2121";

bool Exists(const std::string& path)
{
    struct stat status;
    return ::stat(path.c_str(), &status) == 0;
}

// A real FTP server on loopback that lets `user` with `password` write into `folder`; it is
// listening once the constructor returns.
std::unique_ptr<BriselTest::ChildProcess>
StartFtpServer(const std::string& folder, const std::string& user, const std::string& password)
{
    auto server = std::make_unique<BriselTest::ChildProcess>(
        "/usr/bin/python3",
        std::vector<std::string>{"-m", "pyftpdlib", "-i", ServerAddress, "-p", ServerPort, "-u",
                                 user, "-P", password, "-d", folder, "-w"});
    if (!server->WaitForError("starting FTP server", 20s))
        ADD_FAILURE() << "the FTP server did not start: " << server->Error();
    return server;
}

// Binary content an ASCII transfer would change: line ends, a lone CR, NULs and high bytes.
std::vector<std::uint8_t> DumpBytes()
{
    std::vector<std::uint8_t> bytes = {'M', 'D', 'M', 'P', '\r', '\n', '\n', '\r', 0, 0x1A, 0xFF};
    for (int i = 0; i < 70000; ++i)
        bytes.push_back(static_cast<std::uint8_t>(i * 7));
    return bytes;
}

class DumpUploadTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ::setenv("QELT_UPLOAD_SERVER", (std::string(ServerAddress) + ":" + ServerPort).c_str(), 1);
        dumpPath_ = local_.WriteFile("Qel1A2B.tmp", DumpBytes());
    }

    BriselTest::TempDirectory local_;
    BriselTest::TempDirectory remote_;
    std::string dumpPath_;
};
} // namespace

TEST_F(DumpUploadTest, StoresTheDumpUnderTheIncidentIdAndDeletesTheLocalCopy)
{
    const auto server = StartFtpServer(remote_.Path(), Account, Account);
    // A module name with a blank in it still reaches the server as one file name.
    const UploadResult result = UploadDump(dumpPath_, "crash test-20261208-114500");
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.message, "");
    EXPECT_EQ(BriselTest::ReadFileBytes(remote_.Path("crash test-20261208-114500.dmp")),
              DumpBytes());
    EXPECT_FALSE(Exists(dumpPath_));
}

TEST_F(DumpUploadTest, ARefusedLoginKeepsTheDumpAndNamesTheServersAnswer)
{
    const auto server = StartFtpServer(remote_.Path(), "someoneelse", "secret");
    const UploadResult result = UploadDump(dumpPath_, "briselCL-20261208-114500");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message.rfind("Unable to send data to Qelt. Error reported was: 530 ", 0), 0u)
        << result.message;
    EXPECT_LE(result.message.size(), 260u);
    EXPECT_TRUE(Exists(dumpPath_));
    EXPECT_FALSE(Exists(remote_.Path("briselCL-20261208-114500.dmp")));
}

TEST_F(DumpUploadTest, AServerThatDoesNotAnswerKeepsTheDump)
{
    const UploadResult result = UploadDump(dumpPath_, "briselCL-20261208-114500");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Unable to access the Qelt FTP site.");
    EXPECT_EQ(BriselTest::ReadFileBytes(dumpPath_), DumpBytes());
}

TEST_F(DumpUploadTest, AMissingDumpIsReportedAsNotSent)
{
    const auto server = StartFtpServer(remote_.Path(), Account, Account);
    const UploadResult result = UploadDump(local_.Path("gone.dmp"), "briselCL-20261208-114500");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message,
              "Unable to send data to Qelt. Error reported was: No such file or directory");
}
