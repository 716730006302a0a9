// The per-frame cost of one synthetic protocol-2 camera (SorrelMV, 4096-byte datagrams)
// drawing a 40 x 30 grid with a greyscale disc of radius 9 for every centroid ("GreyMode"
// all): build the grid, place and sort the discs' lines, pack and send them; beside a bare
// send() loop of the same datagrams in the same run, and the drawing alone (grid and discs,
// no packing or sending). Prints CPU time per frame of each and the frame's size.
//
// bench_synth_camera [SECONDS]   (default 10; runs in a network namespace of its own, as root)

#include "Framework/EventSystem/EventManagerQt.h"
#include "bench/Figure.h"
#include "bench/RigMeasures.h"
#include "bench/SecondsArgument.h"
#include "devices/FakeDeviceManager.h"
#include "devices/camera/FakeDeviceCamera.h"
#include "devices/camera/FakeSourceSynth.h"
#include "devices/camera/GreyscaleDiscs.h"
#include "devices/camera/SynthGrid.h"
#include "net/AsioPostalService.h"
#include "tests/support/NetworkNamespace.h"
#include "tests/support/QtTestLoop.h"

#include <QCoreApplication>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace RigMeasures;

namespace
{
constexpr int kSorrelMV = 20;
constexpr std::size_t kPacketSize = 4096;
constexpr long long kFramesPerRound = 200;
constexpr std::uint16_t kHalPort = 11000;
const char* const kLocal = "127.0.0.1";
const char* const kHal = "127.0.0.2";

using Datagram = std::vector<std::uint8_t>;

// Every datagram waiting at the HAL's port `socket`.
std::vector<Datagram> Drain(int socket)
{
    std::vector<Datagram> datagrams;
    Datagram buffer(65536);
    for (;;)
    {
        const ssize_t size = ::recv(socket, buffer.data(), buffer.size(), 0);
        if (size < 0)
            return datagrams;
        datagrams.emplace_back(buffer.begin(), buffer.begin() + size);
    }
}

double BareSend(int socket, const std::vector<Datagram>& frame, long long frames)
{
    const double before = ThreadCpuSeconds();
    for (long long i = 0; i < frames; ++i)
        for (const Datagram& datagram : frame)
            ::send(socket, datagram.data(), datagram.size(), 0);
    return ThreadCpuSeconds() - before;
}

struct Costs
{
    double camera = 0.0; // CPU seconds
    double drawing = 0.0;
    double bare = 0.0;
    long long frames = 0;
    std::vector<Datagram> frame;
};

// Rounds of the three loops in turn until `seconds` have passed, so that the machine's load
// falls on all of them alike.
Costs Measure(VFakeDeviceCamera& camera, boost::asio::io_context& io, int seconds)
{
    // The HAL's port holds one whole frame for the first look, then drops what it cannot
    // hold, so the senders never wait.
    const int hal = BoundSocket(kHalPort);
    const int bare = ConnectedSockets({kHalPort}).front();
    VFakeSourceCombined source(camera, io, kHalPort, kPacketSize);
    std::uint32_t bytesSent = 0;
    Costs costs;
    source.Produce(1, 0, bytesSent);
    costs.frame = Drain(hal);
    const VCameraSettings settings = *camera.GetSettings();
    std::vector<X2DIO::Centroid> grid;
    VGreyscaleDiscs discs;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    std::uint32_t frame = 2;
    while (std::chrono::steady_clock::now() < end)
    {
        costs.camera += CpuOf(kFramesPerRound, frame,
                              [&](std::uint32_t f) { source.Produce(f, f - 1, bytesSent); });
        costs.drawing += CpuOf(kFramesPerRound, frame,
                               [&](std::uint32_t f)
                               {
                                   SynthGrid::Build(settings, f, grid);
                                   discs.Draw(grid, 0, kPacketSize - 40);
                               });
        costs.bare += BareSend(bare, costs.frame, kFramesPerRound);
        costs.frames += kFramesPerRound;
        frame += std::uint32_t(kFramesPerRound);
    }
    ::close(bare);
    ::close(hal);
    return costs;
}

void Report(std::FILE* out, const Costs& costs)
{
    std::size_t bytes = 0;
    for (const Datagram& datagram : costs.frame)
        bytes += datagram.size();
    const double frames = double(costs.frames);
    const double camera = costs.camera / frames, bare = costs.bare / frames;
    std::fprintf(out,
                 "synthetic SorrelMV, 40 x 30 grid, discs of radius 9 (GreyMode all): %zu "
                 "datagrams, %zu bytes per frame, %lld frames per loop\n",
                 costs.frame.size(), bytes, costs.frames);
    std::fprintf(out,
                 "  CPU per frame: camera %.1f us (%.2fx the bare send), of which drawing "
                 "%.1f us; bare send of the same datagrams %.1f us\n",
                 camera * 1e6, camera / bare, costs.drawing / frames * 1e6, bare * 1e6);
    std::fprintf(out, "  at 300 Hz: %.1f %% of one core (bare send: %.1f %%)\n", camera * 300 * 100,
                 bare * 300 * 100);
    PrintFigure(out, "synth_camera.cpu_per_frame", camera * 1e6, "us", "synth_camera.bare_send",
                bare * 1e6);
}
} // namespace

int main(int argc, char** argv)
{
    const std::string error = BriselTest::EnterFreshNetworkNamespace();
    if (!error.empty())
    {
        std::fprintf(stderr, "bench_synth_camera: %s\n", error.c_str());
        return 1;
    }
    const int seconds = SecondsArgument(argc, argv);
    if (seconds == 0)
        return 1;
    // The emulator's console lines go nowhere, the figures to the original standard output.
    std::FILE* out = fdopen(dup(STDOUT_FILENO), "w");
    if (!out || !std::freopen("/dev/null", "w", stdout))
        return 1;
    QCoreApplication application(argc, argv);
    VEventManagerQt events;
    NotificationSystem::VAsioPostalService postalService("AsioPostalService");
    postalService.Start(1);
    VFakeDeviceManager manager(events, ::inet_addr(kLocal), ::inet_addr(kHal),
                               *postalService.GetIoService());
    manager.AddSynthCamera(kSorrelMV);
    auto& camera = static_cast<VFakeDeviceCamera&>(*manager.GetDevice(0));
    camera.SetParameter("CentroidsX", 40);
    camera.SetParameter("CentroidsY", 30);
    camera.SetParameter("Threshold", 0); // every row
    if (!QtTest::RunLoopUntil([&] { return camera.GetSettings()->threshold == 0; }))
        return 1;
    const Costs costs = Measure(camera, *postalService.GetIoService(), seconds);
    Report(out, costs);
    std::fclose(out);
    return 0;
}
