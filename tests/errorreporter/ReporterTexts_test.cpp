#include "errorreporter/DumpUpload.h"
#include "errorreporter/ReporterTexts.h"

#include <gtest/gtest.h>

using namespace QeltReporter;

TEST(ReporterTextsTest, UploadFailureNamesTheServerResponseWithin260Characters)
{
    EXPECT_EQ(UploadFailureText("530 Login incorrect."),
              "Unable to send data to Qelt. Error reported was: 530 Login incorrect.");
    const std::string longFailure = UploadFailureText("550 " + std::string(400, 'z'));
    EXPECT_EQ(longFailure.size(), 260u);
    EXPECT_EQ(longFailure.rfind("Unable to send data to Qelt. Error reported was: 550 zz", 0), 0u);

    // A cut never leaves half a UTF-8 sequence behind.
    const std::string accented = UploadFailureText(std::string(210, 'a') + "\xC3\xA9");
    EXPECT_EQ(accented.size(), 259u);
    EXPECT_EQ(CutUtf8("ab\xE2\x82\xAC", 4), "ab");
}

TEST(ReporterTextsTest, NotSentNoticeNamesTheDumpAndTheIncident)
{
    EXPECT_EQ(NotSentText("/tmp/Qel1234.tmp", "briselCL-20261208-114500"),
              "Information about this crash has not been sent to Qelt.\nPlease e-mail the file "
              "/tmp/Qel1234.tmp to support@sarnet.example.\nYour incident ID is "
              "briselCL-20261208-114500.");
}

TEST(UploadServerTest, ReadsHostAndOptionalPort)
{
    const auto expect = [](const std::string& text, const std::string& host, int port)
    {
        const std::optional<UploadServer> server = ParseUploadServer(text);
        ASSERT_TRUE(server) << text;
        EXPECT_EQ(server->host, host) << text;
        EXPECT_EQ(server->port, port) << text;
    };
    expect("ftp.example.org", "ftp.example.org", 21);
    expect("127.0.0.1:2121", "127.0.0.1", 2121);
    expect("[::1]:2121", "[::1]", 2121);
    expect("[::1]", "[::1]", 21);
    for (const char* bad :
         {"", ":21", "host:", "host:0", "host:65536", "host:2x", "[::1", "[::1]x"})
        EXPECT_FALSE(ParseUploadServer(bad)) << bad;
}
