// Runs the trialtool program itself, as a user would.

#include "FileIO/X2DIO/X2DImport.h"
#include "FileIO/X2DIO/X2DWholeFrame.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDirectory.h"
#include "tools/trialtool/X2DSynthesizer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

using BriselTest::ProgramOutcome;
using testing::HasSubstr;
using testing::Not;
using namespace std::chrono_literals;

namespace
{
ProgramOutcome Trialtool(const std::vector<std::string>& arguments)
{
    return BriselTest::RunProgram(TRIALTOOL_PATH, arguments, 30s);
}

class TrialToolCli : public testing::Test
{
protected:
    std::string Path(const std::string& name) const { return dir_.Path(name); }

    // Runs a make command that must succeed and gives the file it wrote.
    std::string Make(const std::string& name, std::vector<std::string> options)
    {
        const std::string kind = name.substr(name.size() - 3);
        options.insert(options.begin(), {"make-" + kind, Path(name)});
        const ProgramOutcome made = Trialtool(options);
        EXPECT_EQ(made.exitCode, 0) << made.error;
        return Path(name);
    }

    std::string Truncated(const std::string& path, std::uintmax_t size, const std::string& name)
    {
        std::filesystem::copy_file(path, Path(name));
        std::filesystem::resize_file(Path(name), size);
        return Path(name);
    }

    BriselTest::TempDirectory dir_;
};

std::string LittleEndianHex(std::int16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02x %02x", value & 0xFF, (value >> 8) & 0xFF);
    return text;
}

std::size_t Occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}
} // namespace

TEST_F(TrialToolCli, HelpNamesEveryCommandAndEachCommandHasItsOwn)
{
    const ProgramOutcome help = Trialtool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* command : {"info", "dump", "make-x2d", "make-x1d"})
    {
        EXPECT_THAT(help.output, HasSubstr("  " + std::string(command) + " "));
        const ProgramOutcome own = Trialtool({command, "--help"});
        EXPECT_EQ(own.exitCode, 0);
        EXPECT_THAT(own.output, HasSubstr("Usage: trialtool " + std::string(command)));
    }
    EXPECT_THAT(Trialtool({"make-x2d", "--help"}).output, HasSubstr("--timecode"));
}

TEST_F(TrialToolCli, MistakesEndWithOneLineAndExitCode2)
{
    const std::string out = Path("out.x1d");
    const struct
    {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{}, "no command given"},
        {{"probe"}, "unknown command 'probe'"},
        {{"info"}, "missing file name"},
        {{"info", "a.x2d", "b.x2d"}, "unexpected argument 'b.x2d'"},
        {{"dump", "a.x2d"}, "--frame is required"},
        {{"dump", "a.x2d", "--frame", "two"}, "bad value 'two' for --frame"},
        {{"make-x1d", out, "--bogus", "1"}, "unknown option --bogus"},
        {{"make-x1d", out, "--frames"}, "--frames needs a value"},
        {{"make-x1d", out, "--channels", "0"}, "bad value '0' for --channels"},
        {{"make-x1d", out, "--samples", "12k"}, "bad value '12k' for --samples"},
        {{"make-x1d", out, "--version", "3"}, "bad value '3' for --version"},
        {{"make-x2d", out, "--rate", "-5"}, "bad value '-5' for --rate"},
        {{"make-x2d", out, "--sensor", "640"}, "bad value '640' for --sensor"},
        {{"make-x2d", out, "--sensor", "640x0"}, "for --sensor height"},
        {{"make-x2d", out, "--timecode", "10 0 0"}, "--timecode needs eight numbers"},
        {{"make-x2d", out, "--cameras", "1", "--cameras", "2"}, "--cameras given twice"},
    };
    for (const auto& mistake : cases)
    {
        const ProgramOutcome run = Trialtool(mistake.arguments);
        const std::string command = mistake.arguments.empty() ? "" : mistake.arguments[0];
        EXPECT_EQ(run.exitCode, 2) << command << ": " << run.error;
        EXPECT_THAT(run.error, HasSubstr(mistake.message));
        EXPECT_EQ(Occurrences(run.error, "\n"), 1u) << run.error;
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(TrialToolCli, InfoDescribesTheAnalogueDevices)
{
    const std::string file = Make(
        "analogue.x1d", {"--devices", "3", "--channels", "2", "--frames", "7", "--version", "1"});
    const ProgramOutcome info = Trialtool({"info", file});
    EXPECT_EQ(info.exitCode, 0) << info.error;
    EXPECT_THAT(info.output, HasSubstr("kind: X1D\nversion: 1\ndevices: 3\n"));
    EXPECT_THAT(info.output, HasSubstr("device 2: source set 33554435, names \"Analogue 3\" / "
                                       "\"sine\", 2 channels, sources 1 2\n"));
    EXPECT_THAT(info.output, HasSubstr("frames: 7\nframe range: 1 to 7\n"));
    EXPECT_THAT(info.output, HasSubstr("reader errors: none"));
    EXPECT_EQ(info.error, "");
}

TEST_F(TrialToolCli, DumpShowsTheSineSamplesChannelByChannel)
{
    const std::string file =
        Make("sine.x1d", {"--devices", "1", "--channels", "2", "--samples", "4"});
    const ProgramOutcome dump = Trialtool({"dump", file, "--frame", "3"});
    EXPECT_EQ(dump.exitCode, 0) << dump.error;
    // Frame 3 holds samples 8 to 11; channel c completes c + 1 cycles in 400 samples.
    std::string expected;
    for (int channel = 0; channel < 2; ++channel)
        for (int sample = 8; sample < 12; ++sample)
        {
            const double phase = 2.0 * M_PI * (channel + 1) * sample / 400.0;
            const auto value = std::int16_t(std::lround(10000.0 * std::sin(phase)));
            expected += (expected.empty() ? "" : " ") + LittleEndianHex(value);
        }
    EXPECT_THAT(dump.output, HasSubstr("frame 3: 1 devices\n"));
    EXPECT_THAT(dump.output, HasSubstr("device 0 \"Analogue 1\", blocks: 1\n  block 0: 16 bytes: " +
                                       expected + "\n"));
}

TEST_F(TrialToolCli, InfoDescribesTheCamerasRateAndTimecode)
{
    // 30 frames/s timecode at 120 Hz: four camera frames to a timecode frame.
    const std::string file =
        Make("cameras.x2d", {"--cameras", "2", "--type", "PELLAR_MOCAP_VGA", "--sensor", "640x480",
                             "--rate", "120", "--frames", "12", "--timecode", "10 0 0 0 0 0 1 1"});
    const ProgramOutcome info = Trialtool({"info", file});
    EXPECT_EQ(info.exitCode, 0) << info.error;
    EXPECT_THAT(info.output, HasSubstr("kind: X2D\nversion: 3\ncameras: 2\n"));
    EXPECT_THAT(info.output, HasSubstr("camera 1: identifier 1002, name lume:1002, type "
                                       "PELLAR_MOCAP_VGA, sensor 640x480\n"));
    EXPECT_THAT(info.output, HasSubstr("frames: 12\nframe range: 1 to 12\n"));
    EXPECT_THAT(info.output, HasSubstr("frame period: 1125000 ticks of 135 MHz\n"));
    EXPECT_THAT(info.output, HasSubstr("frame rate: 120.000 Hz\n"));
    EXPECT_THAT(info.output, HasSubstr("start timecode: 10:00:00:00, 30 frames/s"));
    EXPECT_THAT(info.output, HasSubstr("start timecode valid: yes\n"));
}

TEST_F(TrialToolCli, AStartTimecodeThatCannotBeIsStoredWithAWarning)
{
    const std::string out = Path("late.x2d");
    const ProgramOutcome made = Trialtool(
        {"make-x2d", out, "--frames", "2", "--version", "2", "--timecode", "25 0 0 0 0 0 0 1"});
    EXPECT_EQ(made.exitCode, 0) << made.error;
    EXPECT_THAT(made.error, HasSubstr("warning: the start timecode \"25 0 0 0 0 0 0 1\""));
    const ProgramOutcome info = Trialtool({"info", out});
    EXPECT_THAT(info.output, HasSubstr("version: 2\n"));
    EXPECT_THAT(info.output, HasSubstr("start timecode valid: no\n"));
    const ProgramOutcome none = Trialtool({"info", Make("plain.x2d", {"--frames", "2"})});
    EXPECT_THAT(none.output, HasSubstr("start timecode valid: no\n"));
}

TEST_F(TrialToolCli, DumpShowsEveryCamerasItems)
{
    const std::string file = Make("items.x2d", {"--cameras", "2", "--centroids", "5", "--tracks",
                                                "3", "--blobs", "2", "--edges", "1"});
    const ProgramOutcome first = Trialtool({"dump", file, "--frame", "1"});
    const ProgramOutcome later = Trialtool({"dump", file, "--frame", "40"});
    EXPECT_EQ(later.exitCode, 0) << later.error;
    EXPECT_THAT(later.output, HasSubstr("frame 40: 2 cameras\ncamera 0 lume:1001\n"));
    EXPECT_THAT(later.output, HasSubstr("camera 1 lume:1002\n"));
    EXPECT_EQ(Occurrences(later.output, "  centroids: 5\n"), 2u);
    EXPECT_EQ(Occurrences(later.output, "  tracks: 3\n"), 2u);
    EXPECT_EQ(Occurrences(later.output, "  blobs: 2, frame flags 0\n"), 2u);
    EXPECT_EQ(Occurrences(later.output, "  edge pairs: 1\n"), 2u);
    EXPECT_EQ(Occurrences(later.output, "      line x "), 2u * 2 * 3);
    EXPECT_THAT(later.output, HasSubstr("    id 3 value 2 weight 1.000\n"));
    EXPECT_THAT(first.output, HasSubstr("    id 3 value 2 weight 1.000\n"));
    const std::string firstCentroid = first.output.substr(first.output.find("    x "), 40);
    EXPECT_THAT(later.output, Not(HasSubstr(firstCentroid)));
}

TEST_F(TrialToolCli, ATruncatedFileIsReportedNotFatal)
{
    const std::string cameras = Make("whole.x2d", {"--frames", "3"});
    const std::string analogue = Make("whole.x1d", {"--frames", "3"});
    for (const std::string& file :
         {Truncated(cameras, 30, "cut.x2d"), Truncated(analogue, 30, "cut.x1d")})
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"info", file}, {"dump", file, "--frame", "1"}})
        {
            const ProgramOutcome run = Trialtool(command);
            EXPECT_EQ(run.exitCode, 1) << file;
            EXPECT_THAT(run.error, HasSubstr("cannot open '" + file + "' as X"));
            EXPECT_THAT(run.error, HasSubstr("\n  Corrupt file"));
        }
    const ProgramOutcome neither = Trialtool({"info", Truncated(cameras, 30, "cut.bin")});
    EXPECT_EQ(neither.exitCode, 1);
    EXPECT_THAT(neither.error, HasSubstr("as X2D"));
    EXPECT_THAT(neither.error, HasSubstr("as X1D"));
}

TEST_F(TrialToolCli, AFrameTheFileDoesNotHoldIsReportedWithTheReason)
{
    for (const std::string& file : {Make("short.x1d", {"--frames", "3"}),
                                    Make("short.x2d", {"--frames", "3", "--cameras", "1"})})
    {
        const ProgramOutcome run = Trialtool({"dump", file, "--frame", "4"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.error, "trialtool: cannot read frame 4 of '" + file +
                                 "': the file has no frame numbered 4 (frames 1 to 3)\n");
    }
}

TEST_F(TrialToolCli, DumpSaysWhyAFileWithoutFrameInformationCannotBeRead)
{
    const std::string file = Path("no-frame-info.x2d");
    X2DIO::VX2DExportOptions options;
    options.writeFrameInfo = false;
    TrialTool::X2DSynthesisOptions synthesis;
    synthesis.frames = 2;
    ASSERT_TRUE(TrialTool::X2DSynthesizer(synthesis).Write(file, options));
    const ProgramOutcome run = Trialtool({"dump", file, "--frame", "1"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.error, HasSubstr("cannot read frame 1 of '" + file +
                                     "': the file has no frame information section"));
}

TEST_F(TrialToolCli, MakingAFileOverOneThatIsBeingReadLeavesTheReaderItsFile)
{
    const std::string file = Make("played.x2d", {"--cameras", "2", "--frames", "200"});
    X2DIO::VX2DImport player;
    ASSERT_TRUE(player.Open(file, true));
    Make("played.x2d", {"--cameras", "1", "--frames", "2"});
    X2DIO::VX2DWholeFrame frame;
    ASSERT_TRUE(frame.Read(player, 199)) << "the frames the player had are still there";
    EXPECT_EQ(frame.centroidSets.size(), 2u);
    const ProgramOutcome info = Trialtool({"info", file});
    EXPECT_THAT(info.output, HasSubstr("cameras: 1\n"));
    const auto files = std::distance(std::filesystem::directory_iterator(dir_.Path()),
                                     std::filesystem::directory_iterator());
    EXPECT_EQ(files, 1) << "no partial file is left";
}

TEST_F(TrialToolCli, ANameWithoutAKnownExtensionIsReadAsTheKindThatFits)
{
    // Both readers open both kinds (one container, overlapping versions); only the right one
    // finds every camera or device described.
    const struct
    {
        std::string made;
        const char* kind;
    } files[] = {{Make("plain.x1d", {"--frames", "2"}), "kind: X1D\n"},
                 {Make("old.x2d", {"--frames", "2", "--version", "2"}), "kind: X2D\n"}};
    for (const auto& file : files)
    {
        std::filesystem::copy_file(file.made, Path("recording.dat"),
                                   std::filesystem::copy_options::overwrite_existing);
        const ProgramOutcome info = Trialtool({"info", Path("recording.dat")});
        EXPECT_EQ(info.exitCode, 0) << info.error;
        EXPECT_THAT(info.output, HasSubstr(file.kind));
        EXPECT_EQ(info.error, "");
    }
}
