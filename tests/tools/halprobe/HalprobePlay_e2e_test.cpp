// "halprobe play" against the real briselCL, as a new user runs it: a recorded rig of three
// cameras and a network box streams every frame at the commanded rate, also when played a
// second time; a rig that cannot stream ends with the reason on one line and exit code 1.

#include "tests/e2e/EmulatorSession.h"
#include "tests/support/TempDirectory.h"
#include "tools/trialtool/X1DSynthesizer.h"
#include "tools/trialtool/X2DSynthesizer.h"

#include <gmock/gmock.h>

#include <csignal>
#include <regex>
#include <set>

using namespace std::chrono_literals;
using BriselTest::ChildProcess;
using BriselTest::ProgramOutcome;
using testing::HasSubstr;

namespace
{
constexpr std::uint32_t kFrames = 20;
const std::set<std::string> kCameras = {"camera 0x000003E9", "camera 0x000003EA",
                                        "camera 0x000003EB"};

// Three cameras, and with `box` an X1D file whose one analogue device is loaded first.
// `tracks` tracks per camera (a replaying camera sends no tracks of its own).
std::vector<std::string> WriteRig(BriselTest::TempDirectory& directory, bool box,
                                  std::uint32_t tracks = 4)
{
    std::vector<std::string> options{"-x2d", directory.Path("rig.x2d")};
    TrialTool::X2DSynthesisOptions cameras;
    cameras.frames = kFrames;
    cameras.tracks = tracks;
    EXPECT_TRUE(TrialTool::X2DSynthesizer(cameras).Write(options.back()));
    if (!box)
        return options;
    TrialTool::X1DSynthesisOptions boxes;
    boxes.devices = 1;
    boxes.frames = kFrames;
    options.insert(options.begin(), {"-x1d", directory.Path("rig.x1d")});
    EXPECT_TRUE(TrialTool::X1DSynthesizer(boxes).Write(options[1]));
    return options;
}

ProgramOutcome Play(const std::vector<std::string>& options)
{
    std::vector<std::string> arguments{"play", "--hal", BriselTest::kHalAddress};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return BriselTest::RunProgram(HALPROBE_PATH, arguments, BriselTest::kGenerous);
}

struct TotalsRow
{
    unsigned long frames;
    unsigned long skipped;
    double framesPerSecond;
};

// The rows of the totals table, by device.
std::map<std::string, TotalsRow> TotalsRows(const std::string& output)
{
    static const std::regex row(
        R"(\n  ((?:box|camera) 0x[0-9A-F]{8}) +(\d+) +(\d+) +\d+ +\d+ +\d+ +([0-9.]+) )");
    std::map<std::string, TotalsRow> rows;
    for (auto match = std::sregex_iterator(output.begin(), output.end(), row);
         match != std::sregex_iterator(); ++match)
        rows[(*match)[1]] = {std::stoul((*match)[2]), std::stoul((*match)[3]),
                             std::stod((*match)[4])};
    return rows;
}

std::set<std::string> Names(const std::map<std::string, TotalsRow>& rows)
{
    std::set<std::string> names;
    for (const auto& [name, row] : rows)
        names.insert(name);
    return names;
}

void Stop(ChildProcess& emulator)
{
    emulator.Signal(SIGINT);
    EXPECT_EQ(BriselTest::ExitCodeOf(emulator.WaitForExit(BriselTest::kGenerous)), 0)
        << emulator.Error();
}
} // namespace

TEST(HalprobePlay, EveryDeviceOfARecordedRigStreamsAtTheRateWithoutASkippedFrame)
{
    BriselTest::TempDirectory directory;
    auto emulator = BriselTest::StartEmulator(WriteRig(directory, true));
    const ProgramOutcome run = Play({"--seconds", "2", "--rate", "100"});
    EXPECT_EQ(run.exitCode, 0) << run.output << run.error;
    EXPECT_THAT(run.output, HasSubstr("box 0x02000001 is sync master at 100 Hz"));
    EXPECT_THAT(run.output, HasSubstr("\nall 4 devices streamed, no frame skipped\n"));
    const std::map<std::string, TotalsRow> rows = TotalsRows(run.output);
    std::set<std::string> expected = kCameras;
    expected.insert("box 0x02000001");
    EXPECT_EQ(Names(rows), expected) << run.output;
    for (const auto& [name, row] : rows)
    {
        EXPECT_GT(row.frames, 0u) << name;
        EXPECT_EQ(row.skipped, 0u) << name;
        // Coarse: a loaded machine may start the clock late, never run it at another rate.
        EXPECT_GT(row.framesPerSecond, 25.0) << name;
        EXPECT_LT(row.framesPerSecond, 200.0) << name;
        EXPECT_THAT(run.output, testing::ContainsRegex("s  " + name + " +[0-9.]+ frames/s"));
    }

    // The sessions of the first run are spent; a second run resets the devices for new ones.
    const ProgramOutcome again = Play({"--seconds", "1", "--master", "0x000003EA"});
    EXPECT_EQ(again.exitCode, 0) << again.output << again.error;
    EXPECT_THAT(again.output, HasSubstr("camera 0x000003EA is sync master at 100 Hz"));
    EXPECT_THAT(again.output, HasSubstr("\nall 4 devices streamed"));
    Stop(*emulator);
}

TEST(HalprobePlay, ASilentDeviceOrAnAbsentMasterEndsTheRunWithItsReason)
{
    BriselTest::TempDirectory directory;
    std::vector<std::string> options = WriteRig(directory, false);
    options.insert(options.end(), {"-fault", "silence 3600000", "-faultports", "2"});
    auto emulator = BriselTest::StartEmulator(options);
    const ProgramOutcome silent = Play({"--seconds", "1"});
    EXPECT_EQ(silent.exitCode, 1) << silent.output << silent.error;
    EXPECT_THAT(silent.error,
                HasSubstr("halprobe: 1 of 3 devices sent no frame: camera 0x000003EA, no frame "
                          "skipped\n"));
    EXPECT_EQ(TotalsRows(silent.output).at("camera 0x000003EA").frames, 0u);

    const ProgramOutcome absent = Play({"--seconds", "1", "--master", "0x02000001"});
    EXPECT_EQ(absent.exitCode, 1) << absent.output << absent.error;
    EXPECT_THAT(absent.error,
                HasSubstr("device 0x02000001 (33554433) is not among the 3 devices found"));
    Stop(*emulator);
}

TEST(HalprobePlay, DroppedDataShowsAsSkippedFramesAndARefusedSessionFails)
{
    BriselTest::TempDirectory directory;
    std::vector<std::string> options = WriteRig(directory, false);
    options.insert(options.end(), {"-fault", "drop 0.3 seed 7", "-faultports", "3"});
    auto dropping = BriselTest::StartEmulator(options);
    const ProgramOutcome run = Play({"--seconds", "1"});
    EXPECT_EQ(run.exitCode, 0) << run.output << run.error;
    EXPECT_THAT(run.output, testing::ContainsRegex("\nall 3 devices streamed, [0-9]+ frames "
                                                   "skipped, [0-9]+ stream faults\n"));
    EXPECT_GT(TotalsRows(run.output).at("camera 0x000003EB").skipped, 0u);
    EXPECT_EQ(TotalsRows(run.output).at("camera 0x000003E9").skipped, 0u);
    Stop(*dropping);

    // Long enough to outlast the session's timeout; briselCL quits only once it is over.
    options = WriteRig(directory, false);
    options.insert(options.end(), {"-fault", "refuse 15000", "-faultports", "1"});
    auto refusing = BriselTest::StartEmulator(options);
    const ProgramOutcome refused = Play({"--seconds", "1"});
    EXPECT_EQ(refused.exitCode, 1) << refused.output << refused.error;
    EXPECT_THAT(refused.error,
                HasSubstr("halprobe: the session with camera 0x000003E9 at 127.0.0.1:9001 "
                          "failed: "));
    Stop(*refusing);
}

// The round trip: what play records of a replay compares identical with the replayed files,
// the box set to the recording's rate (10 samples a channel at 100 Hz: 135 MHz / (10 × 13500))
// and to its four channels.
TEST(HalprobePlay, RecordingsOfAReplayCompareIdenticalWithTheReplayedFiles)
{
    BriselTest::TempDirectory directory;
    auto emulator = BriselTest::StartEmulator(WriteRig(directory, true, 0));
    const std::string x2d = directory.Path("played.x2d"), x1d = directory.Path("played.x1d");
    const ProgramOutcome run =
        Play({"--seconds", "1", "--box-command", "samplerate -s 0 10 13500", "--box-command",
              "anactl -r 4 63 off", "--record-x2d", x2d, "--record-x1d", x1d});
    EXPECT_EQ(run.exitCode, 0) << run.output << run.error;
    EXPECT_THAT(run.output, HasSubstr("frames of 3 cameras into '" + x2d));
    EXPECT_THAT(run.output, HasSubstr("frames of 1 boxes into '" + x1d));
    Stop(*emulator);

    const std::pair<std::string, std::string> comparisons[] = {
        {directory.Path("rig.x2d"), x2d}, {directory.Path("rig.x1d"), x1d}};
    for (const auto& [replayed, recorded] : comparisons)
    {
        // Positions reach the HAL in 1/256 pixel; samples as they are stored.
        const ProgramOutcome comparison = BriselTest::RunProgram(
            TRIALTOOL_PATH, {"compare", replayed, recorded, "--replay", "--tolerance", "0.004"},
            BriselTest::kGenerous);
        EXPECT_EQ(comparison.exitCode, 0) << comparison.output << comparison.error;
        EXPECT_THAT(comparison.output, testing::StartsWith("identical: ")) << comparison.output;
    }
}
