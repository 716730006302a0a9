// A rig of protocol-2 cameras replaying a recording of 200 centroids per camera and frame at
// 300 Hz, with the HAL's side draining every camera's port on a thread of its own. Printed:
// the achieved frame rate and the share of frames that started on time (less than one
// period after their due time, seen from the HAL's side), datagrams per second, and the
// rig's CPU time per datagram (process CPU minus the draining thread's) beside a bare send
// loop of datagrams of the same size measured in the same run; and how the rig's CPU splits
// into reading the file (the read-ahead thread), sending (the bare loop's cost per datagram)
// and the rest (packing, the frame clock and the per-frame fan-out).
//
// bench_camera_rig [SECONDS] [CAMERAS...]   (default 10 s and 100 cameras; several camera
// counts measure capacity; runs in a network namespace of its own, as root)

#include "Framework/EventSystem/EventManagerQt.h"
#include "bench/Figure.h"
#include "bench/RigMeasures.h"
#include "bench/SecondsArgument.h"
#include "devices/FakeDeviceManager.h"
#include "devices/camera/FakeDeviceCameraX2D.h"
#include "net/AsioPostalService.h"
#include "net/ByteOrder.h"
#include "params/ParamObjectTypes.h"
#include "tests/support/NetworkNamespace.h"
#include "tests/support/QtTestLoop.h"
#include "tests/support/TempDirectory.h"
#include "tools/trialtool/X2DSynthesizer.h"

#include <QCoreApplication>
#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;
using namespace RigMeasures;

namespace
{
constexpr double kRate = 300.0;
constexpr std::uint16_t kFirstDataPort = 10000;
constexpr std::uint16_t kCombinedOffset = 5000;
constexpr int kCentroids = 200;

// A combined-stream datagram whose packet index is 0 begins a camera frame.
bool BeginsCameraFrame(const std::uint8_t* data, std::size_t size)
{
    return size >= 32 && ByteOrder::LoadLittleEndian16(data + 2) == 0;
}

std::vector<std::uint16_t> CombinedPorts(int cameras)
{
    std::vector<std::uint16_t> ports;
    for (int i = 0; i < cameras; ++i)
        ports.push_back(static_cast<std::uint16_t>(kFirstDataPort + kCombinedOffset + i));
    return ports;
}

struct RigResult
{
    double seconds;
    double frameRate;
    double onTimeShare;
    long long datagrams;
    double rigCpu;
    double readCpu;
};

void Set(VFakeDevice& device, const char* name, bool value)
{
    SetParamValue(*device.GetParamList().FindParam(VStringStd(name)), value, false);
}

RigResult RunRig(const std::string& path, int cameras, std::chrono::seconds duration)
{
    VEventManagerQt events;
    NotificationSystem::VAsioPostalService postalService("AsioPostalService");
    postalService.Start(1);
    PortDrain drain(CombinedPorts(cameras), BeginsCameraFrame);
    VFakeDeviceManager manager(events, inet_addr("127.0.0.1"), inet_addr("127.0.0.2"),
                               *postalService.GetIoService());
    manager.LoadX2D(path);
    for (int i = 0; i < cameras; ++i)
    {
        VFakeDevice& camera = *manager.GetDevice(i);
        for (const char* name : {"Connected", "Enabled", "SystemEnabled"})
            Set(camera, name, true);
        camera.OnPortSet(static_cast<std::uint16_t>(kFirstDataPort + i));
    }
    VFakeDevice& master = *manager.GetDevice(0);
    master.SetParameter("SyncMode", 2);
    QtTest::RunLoopUntil([] { return false; }, 500ms);

    drain.StartCounting();
    const double cpuBefore = ProcessCpuSeconds() - NamedThreadsCpuSeconds(PortDrain::kThreadName);
    const double readBefore = NamedThreadsCpuSeconds("X2DRead");
    const Clock::time_point begin = Clock::now();
    QtTest::RunLoopUntil([] { return false; }, duration);
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    const double cpu =
        ProcessCpuSeconds() - NamedThreadsCpuSeconds(PortDrain::kThreadName) - cpuBefore;
    const double read = NamedThreadsCpuSeconds("X2DRead") - readBefore;
    drain.StopCounting();
    master.SetParameter("SyncMode", 3);
    QtTest::RunLoopUntil([&] { return master.GetSyncMode() == 3; });
    const std::vector<Clock::time_point> starts = drain.FrameStarts();
    const double span =
        starts.size() < 2 ? 0.0 : std::chrono::duration<double>(starts.back() - starts[0]).count();
    const double frameRate = span > 0.0 ? double(starts.size() - 1) / span : 0.0;
    return {seconds, frameRate, OnTimeShare(starts, kRate), drain.Datagrams(), cpu, read};
}
} // namespace

namespace
{
// CPU seconds per datagram of a plain loop sending `count` datagrams of `size` bytes round
// the cameras' ports, from one connected socket per port as the sources have.
double BareSendCpuPerDatagram(int cameras, std::size_t size, long long count)
{
    const std::vector<int> sockets = ConnectedSockets(CombinedPorts(cameras));
    PortDrain drain(CombinedPorts(cameras), BeginsCameraFrame);
    const std::vector<std::uint8_t> datagram(size, 0x5A);
    const double before = ThreadCpuSeconds();
    for (long long i = 0; i < count; ++i)
        send(sockets[i % cameras], datagram.data(), datagram.size(), 0);
    const double cpu = ThreadCpuSeconds() - before;
    for (int fd : sockets)
        close(fd);
    return cpu / double(count);
}

std::string WriteRecording(const BriselTest::TempDirectory& directory, int cameras)
{
    TrialTool::X2DSynthesisOptions options;
    options.cameras = static_cast<std::uint32_t>(cameras);
    options.frames = 300;
    options.rate = kRate;
    options.centroids = kCentroids;
    options.tracks = 0;
    options.blobs = 0;
    options.edges = 0;
    options.typeName = "SorrelMV";
    options.sensorWidth = 3328;
    options.sensorHeight = 2424;
    const std::string path = directory.Path("rig.x2d");
    TrialTool::X2DSynthesizer(options).Write(path);
    return path;
}

void Report(std::FILE* out, int cameras, const RigResult& rig, double bareCpu)
{
    const double frameRate = rig.frameRate;
    const double cpuPerDatagram = rig.rigCpu / double(std::max(1LL, rig.datagrams));
    const double sendShare = bareCpu * double(rig.datagrams) / rig.rigCpu;
    std::fprintf(out, "%d cameras x %d centroids at %.0f Hz for %.1f s:\n", cameras, kCentroids,
                 kRate, rig.seconds);
    std::fprintf(out, "  frames: %.2f Hz (%.3f %% of %.0f Hz), %.3f %% started on time\n",
                 frameRate, 100.0 * frameRate / kRate, kRate, 100.0 * rig.onTimeShare);
    std::fprintf(out, "  datagrams: %.0f per second; rig CPU %.2f s per second of run\n",
                 rig.datagrams / rig.seconds, rig.rigCpu / rig.seconds);
    const double framePathPerDatagram =
        (rig.rigCpu - rig.readCpu) / double(std::max(1LL, rig.datagrams));
    std::fprintf(out,
                 "  CPU per datagram: rig %.2f us (%.2fx), of which the frame path %.2f us "
                 "(%.2fx); bare send of the same datagrams %.2f us\n",
                 cpuPerDatagram * 1e6, cpuPerDatagram / bareCpu, framePathPerDatagram * 1e6,
                 framePathPerDatagram / bareCpu, bareCpu * 1e6);
    std::fprintf(out,
                 "  rig CPU shares: reading the file %.1f %%, sending %.1f %%, packing, clock "
                 "and fan-out %.1f %%\n",
                 100.0 * rig.readCpu / rig.rigCpu, 100.0 * sendShare,
                 100.0 * (1.0 - sendShare - rig.readCpu / rig.rigCpu));
    const std::string prefix = "camera_rig." + std::to_string(cameras) + "_cameras.";
    PrintFigure(out, prefix + "frame_rate", frameRate, "Hz", prefix + "set_rate", kRate);
    PrintFigure(out, prefix + "on_time", 100.0 * rig.onTimeShare, "percent");
    PrintFigure(out, prefix + "cpu_per_datagram", cpuPerDatagram * 1e6, "us",
                prefix + "bare_send_per_datagram", bareCpu * 1e6);
}
} // namespace

int main(int argc, char** argv)
{
    const std::string error = BriselTest::EnterFreshNetworkNamespace();
    if (!error.empty())
    {
        std::fprintf(stderr, "bench_camera_rig: %s\n", error.c_str());
        return 1;
    }
    const int seconds = SecondsArgument(argc, argv);
    if (seconds == 0)
        return 1;
    std::vector<int> rigs;
    for (int i = 2; i < argc; ++i)
        rigs.push_back(std::atoi(argv[i]));
    if (rigs.empty())
        rigs.push_back(100);
    // The rig's own console lines are not what is measured: they go nowhere, the figures to
    // the original standard output.
    std::FILE* out = fdopen(dup(STDOUT_FILENO), "w");
    std::setvbuf(out, nullptr, _IOLBF, 0);
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    QCoreApplication application(argc, argv);
    for (const int cameras : rigs)
    {
        BriselTest::TempDirectory directory;
        const std::string path = WriteRecording(directory, cameras);
        const RigResult rig = RunRig(path, cameras, std::chrono::seconds(seconds));
        const double bare = BareSendCpuPerDatagram(cameras, 32 + 16 + 16 * kCentroids,
                                                   std::max(10000LL, rig.datagrams / 4));
        Report(out, cameras, rig, bare);
    }
    return 0;
}
