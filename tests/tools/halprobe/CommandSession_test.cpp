#include "tests/tools/halprobe/TestSessionServer.h"
#include "tools/halprobe/CommandSession.h"
#include "tools/halprobe/ProbeError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace HalProbe;
using testing::HasSubstr;
using namespace std::chrono_literals;

namespace
{
constexpr std::uint16_t kPort = 9006;

// Replies "ok:" and the line as received (so a carriage return shows), except that
// "quiet" lines get an empty reply and "describe" a reply of two lines.
std::string Answer(const std::string& line)
{
    if (line == "quiet\r")
        return "";
    if (line == "describe\r")
        return "camera\nport 6";
    return "ok:" + line;
}

ProbeError::Kind KindOfFailure(const std::function<void()>& action)
{
    try
    {
        action();
    }
    catch (const ProbeError& error)
    {
        return error.GetKind();
    }
    ADD_FAILURE() << "no ProbeError";
    return ProbeError::Kind::Other;
}

class CommandSessionTest : public testing::Test
{
protected:
    // Connects a session and lets the server accept it.
    std::unique_ptr<CommandSession> Connect()
    {
        auto session = std::make_unique<CommandSession>("127.0.0.1", kPort);
        EXPECT_TRUE(server_.Accept(2s));
        return session;
    }

    TestSessionServer server_{"127.0.0.1", kPort};
};
} // namespace

TEST_F(CommandSessionTest, GreetingAndEachReplyEndAtThePrompt)
{
    auto session = Connect();
    server_.AnswerInBackground(Answer);
    EXPECT_EQ(session->ReadGreeting(2s), "FakeLumeDevice");
    EXPECT_EQ(session->Run("syncmode -g slave", 2s), "ok:syncmode -g slave\r");
    EXPECT_EQ(session->Run("quiet", 2s), "");
    EXPECT_EQ(session->Run("describe", 2s), "camera\nport 6");
}

TEST_F(CommandSessionTest, SeveralCommandsInOneWriteGetTheirRepliesInOrder)
{
    auto session = Connect();
    server_.AnswerInBackground(Answer);
    session->ReadGreeting(2s);
    session->SendRaw("setframe 10\nsyncmode freerun\n");
    EXPECT_EQ(session->ReadUntilPrompt(2s), "ok:setframe 10");
    EXPECT_EQ(session->ReadUntilPrompt(2s), "ok:syncmode freerun");
}

TEST_F(CommandSessionTest, ScriptedExchangeJoinsASplitPromptAndSendsBytesAsGiven)
{
    auto session = Connect();
    server_.Send("FakeLumeDevice\nDovu");
    EXPECT_EQ(KindOfFailure([&] { session->ReadGreeting(50ms); }), ProbeError::Kind::Timeout);
    server_.Send("dovi $first\nDovudovi $");
    EXPECT_EQ(session->ReadGreeting(2s), "FakeLumeDevice");
    EXPECT_EQ(session->ReadUntilPrompt(2s), "first");
    session->SendRaw("portset 50");
    session->SendRaw("00\r\n");
    EXPECT_EQ(server_.Receive(14, 2s), "portset 5000\r\n") << "bytes go out exactly as given";
}

TEST_F(CommandSessionTest, ClosedSessionIsToldApartFromATimeout)
{
    auto session = Connect();
    server_.Send("FakeLumeDevice\nDovudovi $");
    session->ReadGreeting(2s);
    server_.CloseConnection();
    EXPECT_EQ(KindOfFailure([&] { session->Run("status", 2s); }),
              ProbeError::Kind::ConnectionClosed);
}

TEST(CommandSessionSetUp, RefusedConnectionIsReported)
{
    try
    {
        CommandSession("127.0.0.1", kPort, 2s);
        FAIL() << "connected where nothing listens";
    }
    catch (const ProbeError& error)
    {
        EXPECT_STREQ(error.what(), "cannot connect to 127.0.0.1:9006: Connection refused");
    }
}
