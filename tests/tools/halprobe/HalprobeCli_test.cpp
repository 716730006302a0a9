// Runs the halprobe program itself, as a user would, against plain sockets.

#include "tests/support/ChildProcess.h"
#include "tests/support/UdpTestSocket.h"
#include "tests/tools/halprobe/CameraBytes.h"
#include "tests/tools/halprobe/TestSessionServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>

using BriselTest::BigEndianWords;
using BriselTest::ChildProcess;
using BriselTest::Finish;
using BriselTest::ProgramOutcome;
using BriselTest::UdpTestSocket;
using testing::HasSubstr;
using namespace std::chrono_literals;

namespace
{
constexpr auto kExitTimeout = 10s;

const std::string kTranscript = "FakeLumeDevice\n"
                                "> setframe 10\nok:setframe 10\n"
                                "> syncmode master\nok:syncmode master\n";

// Serves one session: greeting, then "ok:" and each line without its line end.
ProgramOutcome Converse(TestSessionServer& device, ChildProcess& session)
{
    EXPECT_TRUE(device.Accept(5s)) << session.Error();
    device.AnswerInBackground([](const std::string& line)
                              { return "ok:" + line.substr(0, line.find_last_not_of("\r") + 1); });
    return Finish(session, kExitTimeout);
}

ProgramOutcome Halprobe(const std::vector<std::string>& arguments)
{
    return BriselTest::RunProgram(HALPROBE_PATH, arguments, kExitTimeout);
}
} // namespace

TEST(HalprobeCli, HelpListsTheCommandsAndEachCommandHasItsOwn)
{
    const ProgramOutcome help = Halprobe({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* command : {"list", "send", "session", "listen", "play"})
        EXPECT_THAT(help.output, HasSubstr("  " + std::string(command) + " "));
    const ProgramOutcome sendHelp = Halprobe({"send", "--help"});
    EXPECT_EQ(sendHelp.exitCode, 0);
    EXPECT_THAT(sendHelp.output, HasSubstr("Usage: halprobe send --hal IP --to IP COMMAND"));
    const ProgramOutcome listenHelp = Halprobe({"listen", "--help"});
    EXPECT_THAT(listenHelp.output,
                HasSubstr("Usage: halprobe listen --hal IP --port PORT [--seconds SECONDS] "
                          "[--show-frame ID|any]"));
}

TEST(HalprobeCli, SendPutsTheCommandOnTheWire)
{
    UdpTestSocket device("127.0.0.1", 8666);
    const ProgramOutcome run = Halprobe({"send", "--hal", "127.0.0.2", "--to", "127.0.0.1",
                                         "master", "0x02000006", "59.94", "--surrogate"});
    EXPECT_EQ(run.exitCode, 0) << run.error;
    EXPECT_EQ(device.Receive(2s), BigEndianWords({0x00030005, 0x02000006, 1, 59, 940, 0}));
    EXPECT_EQ(
        Halprobe({"send", "--hal", "127.0.0.2", "--to", "127.0.0.1", "reset", "all"}).exitCode, 0);
    EXPECT_EQ(device.Receive(2s), BigEndianWords({0x00020001, 0xFFFFFFFF}));
}

TEST(HalprobeCli, MistakesEndWithAMessageAndAnExitCode)
{
    UdpTestSocket taken("127.0.0.2", 5000);
    const struct
    {
        std::vector<std::string> arguments;
        int exitCode;
        const char* message;
    } cases[] = {
        {{}, 2, "no command given"},
        {{"probe"}, 2, "unknown command 'probe'"},
        {{"send", "--hal", "127.0.0.2", "--to", "127.0.0.1", "sync"}, 2, "sync takes 1 argument"},
        {{"send", "--hal", "127.0.0.2", "--to", "127.0.0.1", "preview", "0xZZ", "on"},
         2,
         "bad device ID '0xZZ'"},
        {{"send", "--hal", "127.0.0.300", "--to", "127.0.0.1", "sync", "1"},
         1,
         "'127.0.0.300' is not an IPv4 address"},
        {{"listen", "--port", "5000"}, 2, "--hal is required"},
        {{"listen", "--hal", "127.0.0.2", "--port", "5000"},
         1,
         "cannot bind 127.0.0.2:5000: Address already in use"},
        {{"session", "--device", "127.0.0.1", "--port", "9001", "status"},
         1,
         "cannot connect to 127.0.0.1:9001: Connection refused"},
        {{"list", "--hal", "127.0.0.2", "--seconds", "0"}, 1, "no device announced itself"},
        {{"listen", "--hal", "127.0.0.2", "--port", "5001", "--show-frame", "0xZZ"},
         2,
         "bad device ID '0xZZ'"},
        {{"play", "--seconds", "1"}, 2, "--hal is required"},
        {{"play", "--hal", "127.0.0.2", "--rate", "0"}, 2, "the frame rate must be above 0"},
        {{"play", "--hal", "127.0.0.2", "--master", "first"}, 2, "bad device ID 'first'"},
        {{"play", "--hal", "127.0.0.2", "--port", "5000"},
         1,
         "cannot bind 127.0.0.2:5000: Address already in use"},
        {{"play", "--hal", "127.0.0.2", "--port", "5001", "--discover", "0.2"},
         1,
         "no device announced itself to 127.0.0.2:8570 within 0.2 s"},
    };
    for (const auto& expected : cases)
    {
        const ProgramOutcome run = Halprobe(expected.arguments);
        EXPECT_EQ(run.exitCode, expected.exitCode) << expected.message;
        EXPECT_THAT(run.error, HasSubstr(expected.message));
    }
}

TEST(HalprobeCli, ListShowsEachAnnouncedDevice)
{
    ChildProcess list(HALPROBE_PATH, {"list", "--hal", "127.0.0.2", "--seconds", "0.3"});
    ASSERT_TRUE(list.WaitForOutput("listening on 127.0.0.2:8570", 5s)) << list.Error();
    UdpTestSocket device("127.0.0.1");
    device.SendTo("127.0.0.2", 8570,
                  BigEndianWords(
                      {0x00040006, 0x7F000001, 2, 0x06000008, 0x00003700, 0x00060000, 0x02000006}));
    const ProgramOutcome run = Finish(list, kExitTimeout);
    EXPECT_EQ(run.exitCode, 0) << run.error;
    EXPECT_THAT(run.output, testing::ContainsRegex(
                                "0x02000006 \\(33554438\\) +network box +6 +127\\.0\\.0\\.1"));
}

TEST(HalprobeCli, ListenPrintsEachRecordAsItArrives)
{
    ChildProcess listen(HALPROBE_PATH, {"listen", "--hal", "127.0.0.2", "--port", "5000"});
    ASSERT_TRUE(listen.WaitForOutput("listening on 127.0.0.2:5000\n", 5s)) << listen.Error();
    UdpTestSocket("127.0.0.1").SendTo("127.0.0.2", 5000, {3, 0, 24, 0, 1, 0, 7, 0, 6, 0, 0, 2,
                                                          3, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(listen.WaitForOutput("device 0x02000006 (33554438), version 1, tag 7 sync "
                                     "status: flags 0x00000003 (synchronised, master)\n",
                                     5s))
        << listen.Output();
}

TEST(HalprobeCli, SessionRunsCommandsFromItsArguments)
{
    TestSessionServer device("127.0.0.1", 9001);
    ChildProcess session(HALPROBE_PATH, {"session", "--device", "127.0.0.1", "--port", "9001",
                                         "setframe 10", "syncmode master"});
    const ProgramOutcome run = Converse(device, session);
    EXPECT_EQ(run.exitCode, 0) << run.error;
    EXPECT_EQ(run.output, kTranscript);
}

TEST(HalprobeCli, SessionReadsCommandsFromStandardInputSkippingBlankLines)
{
    TestSessionServer device("127.0.0.1", 9001);
    ChildProcess session("/bin/sh",
                         {"-c", "printf 'setframe 10\\n\\n \\r\\nsyncmode master\\r\\n' | " +
                                    std::string(HALPROBE_PATH) +
                                    " session --device 127.0.0.1 --port 9001"});
    const ProgramOutcome run = Converse(device, session);
    EXPECT_EQ(run.exitCode, 0) << run.error;
    EXPECT_EQ(run.output, kTranscript);
}

TEST(HalprobeCli, ListenCountsCameraStreamsAndShowsOneFrameInFull)
{
    using namespace CameraBytes;
    ChildProcess listen(HALPROBE_PATH,
                        {"listen", "--hal", "127.0.0.2", "--port", "5000", "--show-frame", "7"});
    ASSERT_TRUE(listen.WaitForOutput("listening for the combined stream on 127.0.0.2:10000\n", 5s))
        << listen.Error();
    UdpTestSocket camera("127.0.0.1");
    Trailer greyscale;
    greyscale.streamKind = 1;
    greyscale.deviceId = 8;
    greyscale.payloadBytes = 8;
    camera.SendTo("127.0.0.2", 6000, EdgePair(1, 2, 3));
    camera.SendTo("127.0.0.2", 6000, TrailerBytes(greyscale));
    Trailer centroids;
    centroids.payloadBytes = 32;
    camera.SendTo("127.0.0.2", 5000, Centroids(0, 2));
    camera.SendTo("127.0.0.2", 5000, TrailerBytes(centroids));
    camera.SendTo("127.0.0.2", 10000, {0x09, 0xC0});

    EXPECT_TRUE(listen.WaitForOutput(
        "camera 0x00000007 (7) centroid stream, frame 12 (previous 11): 2 centroids, 0 tracks, "
        "0 lines, 0 edge pairs in 2 datagrams\n"
        "  trailer: stream kind 0, version 2, payload 32 bytes, centroid count 0, threshold 0, "
        "flags 0x00000000\n"
        "  centroid 0: x 0.000, y 0.000, radius 1.000, quality 0.000 (raw 0 0 256 0)\n"
        "  centroid 1: x 1.000, y 2.000, radius 1.000, quality 0.004 (raw 256 512 256 1)\n",
        5s))
        << listen.Output();
    EXPECT_TRUE(listen.WaitForOutput("truncated datagram header at byte 0: 32 bytes needed, "
                                     "2 left\n",
                                     5s))
        << listen.Output();
    EXPECT_TRUE(listen.WaitForOutput("frames/s", 5s)) << listen.Output();
    listen.Signal(SIGINT);
    const ProgramOutcome run = Finish(listen, kExitTimeout);
    EXPECT_EQ(run.exitCode, 0) << run.error;
    EXPECT_THAT(run.output, HasSubstr("  camera unknown combined stream: 0 frames, 0 items, "
                                      "0 datagrams, 1 faults in all\n"
                                      "  camera 0x00000007 (7) centroid stream: 1 frames, 2 items, "
                                      "2 datagrams, 0 faults in all\n"
                                      "  camera 0x00000008 (8) greyscale stream: 1 frames, "
                                      "1 items, 2 datagrams, 0 faults in all\n"));
    EXPECT_THAT(run.output, testing::Not(HasSubstr("greyscale stream, frame")))
        << "only camera 7's frame is shown";
}

TEST(HalprobeCli, ListenLeavesOutStreamPortsItCannotHave)
{
    UdpTestSocket taken("127.0.0.2", 6000);
    const ProgramOutcome run =
        Halprobe({"listen", "--hal", "127.0.0.2", "--port", "5000", "--seconds", "0"});
    EXPECT_EQ(run.exitCode, 0) << run.error;
    EXPECT_THAT(run.output, HasSubstr("listening for the combined stream on 127.0.0.2:10000\n"));
    EXPECT_THAT(run.error, HasSubstr("halprobe: no greyscale stream: cannot bind 127.0.0.2:6000: "
                                     "Address already in use\n"));
    const ProgramOutcome high =
        Halprobe({"listen", "--hal", "127.0.0.2", "--port", "61000", "--seconds", "0"});
    EXPECT_EQ(high.exitCode, 0) << high.error;
    EXPECT_THAT(high.error,
                HasSubstr("halprobe: no combined stream: its port would lie above 65535\n"));
}

TEST(HalprobeCli, ListenSummarisesEachBoxAndShowsItsDataInFull)
{
    using namespace CameraBytes;
    ChildProcess listen(HALPROBE_PATH, {"listen", "--hal", "127.0.0.2", "--port", "5000",
                                        "--show-frame", "0x02000001"});
    ASSERT_TRUE(listen.WaitForOutput("listening for timecode on 127.0.0.2:7000\n", 5s))
        << listen.Error();
    UdpTestSocket box("127.0.0.1");
    box.SendTo("127.0.0.2", 5000, Writer().U16(1).U16(2).U16(3).U16(4).Get());
    box.SendTo("127.0.0.2", 5000,
               Writer()
                   .U16(0xC005)
                   .U16(44)
                   .U16(1)
                   .U16(0)
                   .U32(0x02000001)
                   .U32(12)
                   .U32(11)
                   .U32(4)
                   .U16(2)
                   .U16(2)
                   .U32(0x9)
                   .U32(0)
                   .U32(8)
                   .U32(0)
                   .Get());
    box.SendTo("127.0.0.2", 7000,
               Writer()
                   .U16(0xC003)
                   .U16(40)
                   .U16(2)
                   .U16(0)
                   .U32(0x02000001)
                   .U32(12)
                   .U32(11)
                   .U32(0)
                   .Raw({0x10, 0x00, 0x00, 0x03})
                   .U16(0)
                   .U16(0x1004)
                   .U32(0)
                   .U32(0)
                   .Get());
    box.SendTo("127.0.0.2", 5000,
               Writer()
                   .U16(4)
                   .U16(28)
                   .U16(1)
                   .U16(7)
                   .U32(0x02000001)
                   .U32(12)
                   .U16(0x34)
                   .U16(4)
                   .U64(0)
                   .Get());
    EXPECT_TRUE(listen.WaitForOutput("box 0x02000001 (33554433) slot 0, frame 12 (previous 11): "
                                     "2 samples x 2 channels (0 3), total 4, 8 bytes in 1 "
                                     "datagrams\n"
                                     "  channel 0: 1 3\n"
                                     "  channel 3: 2 4\n",
                                     5s))
        << listen.Output();
    EXPECT_TRUE(listen.WaitForOutput("timecode 10:00:00:03 rate code 0x1000 (30 fps), box "
                                     "0x02000001 (33554433), frame 12 (previous 11), system "
                                     "frame 0 of 4, user value 0x00000000\n",
                                     5s))
        << listen.Output();
    EXPECT_TRUE(listen.WaitForOutput("changed 0x0004 (GPI2)\n", 5s)) << listen.Output();
    EXPECT_TRUE(listen.WaitForOutput(" analogue frames/s, ", 5s)) << listen.Output();
    listen.Signal(SIGINT);
    const ProgramOutcome run = Finish(listen, kExitTimeout);
    EXPECT_EQ(run.exitCode, 0) << run.error;
    EXPECT_THAT(run.output, HasSubstr("samples/s per channel, 2 channels, 0 faults, timecode "
                                      "10:00:00:03 rate code 0x1000 (30 fps)\n"));
    EXPECT_THAT(run.output, HasSubstr("  box 0x02000001 (33554433): 1 analogue frames, 2 samples "
                                      "per channel, 0 faults in all, timecode 10:00:00:03 rate "
                                      "code 0x1000 (30 fps)\n"));
}
