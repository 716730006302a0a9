#include "app/ConsoleEntry.h"

#include "Framework/EventSystem/DeferredAction.h"
#include "Framework/EventSystem/EventManagerQt.h"
#include "app/ConsoleControl.h"
#include "app/FaultOptions.h"
#include "app/TestPattern.h"
#include "devices/FakeDeviceManager.h"
#include "devices/camera/FakeDeviceCameraX2D.h"
#include "devices/netbox/FakeDeviceNetX1D.h"
#include "devices/netbox/FakeDeviceNetX2D.h"
#include "net/AsioPostalService.h"
#include "net/NetAddress.h"
#include "params/ParamObjectTypes.h"
#include "vul/vul_arg.h"

#include <QCoreApplication>
#include <cstdio>
#include <iostream>
#include <string>

namespace BriselCL
{
namespace
{
const char kUsage[] = "Usage : brisel [-localip <local_ip_address>] [-halip <hal_ip_address>] "
                      "[-x1d <trial.x1d>] [-x2d <trial.x2d>]";
const char kDefaultAddress[] = "127.0.0.1";

struct Options
{
    vul_arg<std::string> localIp{"-localip", "Local IP address", ""};
    vul_arg<std::string> halIp{"-halip", "HAL IP address", ""};
    vul_arg<std::string> x1d{"-x1d", "X1D File to run", ""};
    vul_arg<std::string> x2d{"-x2d", "X2D File to run", ""};
    vul_arg<bool> crash{"-crash", "trigger a crash", false};
    TestPatternOptions testPattern;
    FaultOptions faults;
};

// The parameter definitions each device class shares, made at start-up and released after
// the last device is gone.
class DefinitionRegistries
{
public:
    DefinitionRegistries()
    {
        VFakeDeviceCameraX2D::Definitions().Get();
        VFakeDeviceNetX1D::Definitions().Get();
        VFakeDeviceNetX2D::Definitions().Get();
    }
    ~DefinitionRegistries()
    {
        VFakeDeviceCameraX2D::Definitions().Release();
        VFakeDeviceNetX1D::Definitions().Release();
        VFakeDeviceNetX2D::Definitions().Release();
    }
};

void PrintUsage()
{
    std::printf("%s", kUsage);
}

// Not instrumented: the sanitizers would report the write themselves instead of letting
// it fault.
[[noreturn]] __attribute__((no_sanitize("undefined", "address"))) void Crash()
{
    std::printf("Crashing\n");
    std::fflush(stdout);
    // A real invalid write, so the crash handler sees the fault a bug would cause.
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
    __builtin_unreachable();
}

// Parses an address option; an empty text stands for the default address.
bool ParseAddressOption(const vul_arg<std::string>& option, const char* errorText,
                        VNetAddress& address)
{
    const std::string text = option().empty() ? kDefaultAddress : option();
    if (ParseNetAddress(text, address))
        return true;
    std::cerr << errorText << option() << std::endl;
    PrintUsage();
    return false;
}

// A file that cannot be used does not stop the program, but the user learns why it
// yields no device.
void ReportUnusableFile(const char* kind, const std::string& path,
                        const VFakeDeviceManager& manager)
{
    std::fprintf(stderr, "%s file \"%s\" cannot be used: %s\n", kind, path.c_str(),
                 manager.GetLoadError().c_str());
}

void LoadTrialFiles(const Options& options, VFakeDeviceManager& manager)
{
    if (options.x1d.set())
    {
        std::printf("X1D     : %s\n", options.x1d().c_str());
        if (!manager.LoadX1D(options.x1d()))
            ReportUnusableFile("X1D", options.x1d(), manager);
    }
    if (options.x2d.set())
    {
        std::printf("X2D     : %s\n", options.x2d().c_str());
        if (!manager.LoadX2D(options.x2d()))
            ReportUnusableFile("X2D", options.x2d(), manager);
    }
}

// The trial files' devices first (they take the lower ports), then the test pattern's.
void CreateDevices(const Options& options, TestPattern& pattern, VFakeDeviceManager& manager)
{
    LoadTrialFiles(options, manager);
    pattern.AddDevices(manager);
    pattern.StartCGClient(manager);
    if (manager.GetDeviceCount() == 0)
        std::fprintf(stderr, "No trial file gave any device: nothing is emulated.\n");
}

// Brings every device up: command-session listener, announcements, state reset. Written
// directly, as this is the main thread and the list no longer changes.
void ConnectDevices(VFakeDeviceManager& manager)
{
    for (unsigned i = 0; i < manager.GetDeviceCount(); ++i)
    {
        IParam* connected = manager.GetDevice(i)->GetParamList().FindParam(VStringStd("Connected"));
        SetParamValue(*connected, true, false);
    }
}

int Emulate(QCoreApplication& application, IEventManager& eventManager, const Options& options,
            TestPattern& pattern, const VNetAddress& local, const VNetAddress& hal)
{
    std::printf("Local IP: %s\n", ToString(local).c_str());
    std::printf("HAL   IP: %s\n", ToString(hal).c_str());
    NotificationSystem::VAsioPostalService postalService("AsioPostalService");
    postalService.Start(1);
    VFakeDeviceManager manager(eventManager, local.GetNetworkOrder(), hal.GetNetworkOrder(),
                               *postalService.GetIoService());
    // Watching for Ctrl-C before "Press Ctrl-C to quit" is printed: a stop requested
    // during loading is served as soon as the event loop runs.
    VConsoleControl consoleControl(application);
    CreateDevices(options, pattern, manager);
    FaultInjection(options.faults).Apply(manager);
    std::printf("Press Ctrl-C to quit\n\n\n");
    ConnectDevices(manager);
    const int exitCode = application.exec();
    pattern.ExportLatency();
    return exitCode;
}
} // namespace

int Run(int& argc, char** argv)
{
    QCoreApplication application(argc, argv);
    std::printf("briselCL version %s\n", BRISEL_VERSION);
    VEventManagerQt eventManager;
    DefinitionRegistries definitionRegistries;
    VDeferredActionEventHandler deferredActions(eventManager);
    Options options;
    vul_arg_parse(argc, argv);
    if (options.crash())
        Crash();
    VNetAddress local;
    VNetAddress hal;
    if (!ParseAddressOption(options.localIp, "Unknown local IP address ", local) ||
        !ParseAddressOption(options.halIp, "Unknown HAL IP address ", hal))
        return 1;
    TestPattern pattern(options.testPattern);
    std::string problem = pattern.Check();
    if (problem.empty())
        problem = FaultInjection(options.faults).Check();
    if (!problem.empty())
    {
        std::cerr << problem << std::endl;
        PrintUsage();
        return 1;
    }
    if (!options.x1d.set() && !options.x2d.set() && !pattern.IsRequested())
    {
        PrintUsage();
        return 1;
    }
    return Emulate(application, eventManager, options, pattern, local, hal);
}
} // namespace BriselCL
