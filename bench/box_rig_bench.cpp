// A rig of network boxes replaying an X1D recording: each box sends 64 enabled channels at
// 3000 Hz with a 500 Hz frame rate (6 samples per channel, 384 values a frame), the first box
// is sync master, and the HAL's side drains every box's port on a thread of its own. Printed:
// the achieved frame rate and the share of frames that ended on time (the first box's frame
// records, seen from the HAL's side), the CPU time of one box's frame (the rig's CPU less the
// draining thread's, per box and frame) and its share of one core, beside a bare send loop of
// the same two datagrams a frame measured in the same run.
//
// bench_box_rig [SECONDS] [BOXES]   (default 10 s and 8 boxes; runs in a network namespace of
// its own, as root)

#include "Framework/EventSystem/EventManagerQt.h"
#include "bench/Figure.h"
#include "bench/RigMeasures.h"
#include "bench/SecondsArgument.h"
#include "devices/FakeDeviceManager.h"
#include "devices/netbox/AnalogueStream.h"
#include "net/AsioPostalService.h"
#include "net/ByteOrder.h"
#include "params/ParamObjectTypes.h"
#include "tests/support/NetworkNamespace.h"
#include "tests/support/QtTestLoop.h"
#include "tests/support/TempDirectory.h"
#include "tools/trialtool/X1DSynthesizer.h"

#include <QCoreApplication>
#include <arpa/inet.h>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;
using namespace RigMeasures;

namespace
{
constexpr double kRate = 500.0;
constexpr std::uint32_t kChannels = 64;
constexpr std::uint32_t kSamplesPerFrame = 6; // 3000 Hz / 500 Hz
constexpr std::uint16_t kFirstDataPort = 10000;
// 135 MHz / (5 × 9000) = 3000 Hz, where all 64 channels capture.
constexpr const char* kRateCommand = "samplerate -s 0 5 9000";

bool EndsBoxFrame(const std::uint8_t* data, std::size_t size)
{
    return size == kAnalogueFrameRecordSize && ByteOrder::LoadLittleEndian16(data) == 0xC005;
}

std::vector<std::uint16_t> BoxPorts(int boxes)
{
    std::vector<std::uint16_t> ports;
    for (int i = 0; i < boxes; ++i)
        ports.push_back(static_cast<std::uint16_t>(kFirstDataPort + i));
    return ports;
}

struct RigResult
{
    double seconds;
    double frameRate;
    double onTimeShare;
    double cpuPerBoxFrame;
};

void Set(VFakeDevice& device, const char* name, bool value)
{
    SetParamValue(*device.GetParamList().FindParam(VStringStd(name)), value, false);
}

void PrepareBox(VFakeDevice& box, int index)
{
    for (const char* name : {"Connected", "Enabled", "SystemEnabled"})
        Set(box, name, true);
    SetParamValue(*box.GetParamList().FindParam(VStringStd("SystemFrameRate")), kRate, false);
    std::string reply;
    box.HandleDeviceCommand(kRateCommand, reply);
    box.OnPortSet(static_cast<std::uint16_t>(kFirstDataPort + index));
}

RigResult RunRig(const std::string& path, int boxes, std::chrono::seconds duration)
{
    VEventManagerQt events;
    NotificationSystem::VAsioPostalService postalService("AsioPostalService");
    postalService.Start(1);
    PortDrain drain(BoxPorts(boxes), EndsBoxFrame);
    VFakeDeviceManager manager(events, inet_addr("127.0.0.1"), inet_addr("127.0.0.2"),
                               *postalService.GetIoService());
    manager.LoadX1D(path);
    for (int i = 0; i < boxes; ++i)
        PrepareBox(*manager.GetDevice(i), i);
    VFakeDevice& master = *manager.GetDevice(0);
    master.SetParameter("SyncMode", 2);
    QtTest::RunLoopUntil([] { return false; }, 500ms);

    drain.StartCounting();
    const double cpuBefore = ProcessCpuSeconds() - NamedThreadsCpuSeconds(PortDrain::kThreadName);
    const Clock::time_point begin = Clock::now();
    QtTest::RunLoopUntil([] { return false; }, duration);
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    const double cpu =
        ProcessCpuSeconds() - NamedThreadsCpuSeconds(PortDrain::kThreadName) - cpuBefore;
    drain.StopCounting();
    master.SetParameter("SyncMode", 3);
    QtTest::RunLoopUntil([&] { return master.GetSyncMode() == 3; });
    const std::vector<Clock::time_point> ends = drain.FrameStarts();
    const double span =
        ends.size() < 2 ? 0.0 : std::chrono::duration<double>(ends.back() - ends[0]).count();
    const double frameRate = span > 0.0 ? double(ends.size() - 1) / span : 0.0;
    const double boxFrames = double(std::max<std::size_t>(1, ends.size())) * boxes;
    return {seconds, frameRate, OnTimeShare(ends, kRate), cpu / boxFrames};
}

// CPU seconds per box frame of a plain loop sending each frame's two datagrams (the samples
// and the record) round the boxes' ports, from one connected socket per port.
double BareSendCpuPerFrame(int boxes, long long frames)
{
    const std::vector<int> sockets = ConnectedSockets(BoxPorts(boxes));
    PortDrain drain(BoxPorts(boxes), EndsBoxFrame);
    const std::vector<std::uint8_t> samples(2 * kChannels * kSamplesPerFrame, 0x5A);
    const std::vector<std::uint8_t> record(kAnalogueFrameRecordSize, 0);
    const double before = ThreadCpuSeconds();
    for (long long i = 0; i < frames; ++i)
    {
        const int fd = sockets[std::size_t(i % boxes)];
        send(fd, samples.data(), samples.size(), 0);
        send(fd, record.data(), record.size(), 0);
    }
    const double cpu = ThreadCpuSeconds() - before;
    for (int fd : sockets)
        close(fd);
    return cpu / double(frames);
}

std::string WriteRecording(const BriselTest::TempDirectory& directory, int boxes)
{
    TrialTool::X1DSynthesisOptions options;
    options.devices = static_cast<std::uint32_t>(boxes);
    options.channels = kChannels;
    options.samples = kSamplesPerFrame;
    options.frames = 500;
    const std::string path = directory.Path("rig.x1d");
    TrialTool::X1DSynthesizer(options).Write(path);
    return path;
}

void Report(std::FILE* out, int boxes, const RigResult& rig, double bareCpu)
{
    std::fprintf(out, "%d boxes x %u channels at 3000 Hz, %.0f Hz frames, for %.1f s:\n", boxes,
                 kChannels, kRate, rig.seconds);
    std::fprintf(out, "  frames: %.2f Hz (%.3f %% of %.0f Hz), %.3f %% ended on time\n",
                 rig.frameRate, 100.0 * rig.frameRate / kRate, kRate, 100.0 * rig.onTimeShare);
    std::fprintf(out,
                 "  CPU per box frame: %.2f us (%.2fx), %.2f %% of one core per box at %.0f Hz; "
                 "bare send of the same datagrams %.2f us (%.2f %%)\n",
                 rig.cpuPerBoxFrame * 1e6, rig.cpuPerBoxFrame / bareCpu,
                 100.0 * rig.cpuPerBoxFrame * kRate, kRate, bareCpu * 1e6, 100.0 * bareCpu * kRate);
    const std::string prefix = "box_rig." + std::to_string(boxes) + "_boxes.";
    PrintFigure(out, prefix + "frame_rate", rig.frameRate, "Hz", prefix + "set_rate", kRate);
    PrintFigure(out, prefix + "on_time", 100.0 * rig.onTimeShare, "percent");
    PrintFigure(out, prefix + "cpu_per_box_frame", rig.cpuPerBoxFrame * 1e6, "us",
                prefix + "bare_send_per_box_frame", bareCpu * 1e6);
}
} // namespace

int main(int argc, char** argv)
{
    const std::string error = BriselTest::EnterFreshNetworkNamespace();
    if (!error.empty())
    {
        std::fprintf(stderr, "bench_box_rig: %s\n", error.c_str());
        return 1;
    }
    const int seconds = SecondsArgument(argc, argv);
    if (seconds == 0)
        return 1;
    const int boxes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 8;
    // The rig's own console lines are not what is measured: they go nowhere, the figures to
    // the original standard output.
    std::FILE* out = fdopen(dup(STDOUT_FILENO), "w");
    std::setvbuf(out, nullptr, _IOLBF, 0);
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    QCoreApplication application(argc, argv);
    BriselTest::TempDirectory directory;
    const RigResult rig =
        RunRig(WriteRecording(directory, boxes), boxes, std::chrono::seconds(seconds));
    Report(out, boxes, rig, BareSendCpuPerFrame(boxes, 200000));
    return 0;
}
