#include "app/TestPattern.h"

#include "cgstream/FakeLumeCGClient.h"
#include "devices/FakeDeviceManager.h"
#include "devices/camera/CameraTypes.h"
#include "params/ParamObjectTypes.h"

#include <cstdio>

namespace BriselCL
{
namespace
{
// Codes of the synthetic camera types run from 0 to this one.
constexpr int kLastCameraTypeCode = 21;

template <class T> void SetClientParameter(VFakeLumeCGClient& client, const char* name, T value)
{
    if (IParam* param = client.GetParamList().FindParam(VStringStd(name)))
        SetParamValue(*param, value, false);
}
} // namespace

int TestPattern::CameraTypeCode() const
{
    for (int code = 0; code <= kLastCameraTypeCode; ++code)
        if (CameraTypes::SyntheticTypeName(code) == options_.synthType())
            return code;
    return -1;
}

// "host:port" with a port from 1 to 65535; the host is everything before the last colon.
bool TestPattern::SplitCGAddress(std::string& host, unsigned& port) const
{
    const std::string& text = options_.cgClient();
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size())
        return false;
    host = text.substr(0, colon);
    const std::string digits = text.substr(colon + 1);
    if (digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    port = static_cast<unsigned>(std::stoul(digits));
    return port >= 1 && port <= 65535;
}

std::string TestPattern::Check() const
{
    const int limit = static_cast<int>(VFakeDeviceManager::kMaxDevices);
    if (options_.synthCameras() < 0 || options_.synthBoxes() < 0 ||
        options_.synthCameras() + options_.synthBoxes() > limit)
        return "Synthetic device counts must lie between 0 and " + std::to_string(limit) +
               " in all";
    if (options_.synthCameras() > 0 && CameraTypeCode() < 0)
        return "Unknown synthetic camera type " + options_.synthType();
    std::string host;
    unsigned port = 0;
    if (options_.cgClient.set() && !SplitCGAddress(host, port))
        return "CG client address must be host:port, not " + options_.cgClient();
    return "";
}

bool TestPattern::IsRequested() const
{
    return options_.synthCameras() > 0 || options_.synthBoxes() > 0 || options_.cgClient.set();
}

void TestPattern::AddDevices(VFakeDeviceManager& manager) const
{
    if (options_.synthCameras() > 0)
        std::printf("Synth   : %d %s cameras\n", options_.synthCameras(),
                    options_.synthType().c_str());
    for (int i = 0; i < options_.synthCameras(); ++i)
        manager.AddSynthCamera(CameraTypeCode());
    if (options_.synthBoxes() > 0)
        std::printf("Synth   : %d network boxes\n", options_.synthBoxes());
    for (int i = 0; i < options_.synthBoxes(); ++i)
        manager.AddSynthNetworkBox();
}

void TestPattern::StartCGClient(VFakeDeviceManager& manager)
{
    std::string host;
    unsigned port = 0;
    if (!options_.cgClient.set() || !SplitCGAddress(host, port))
        return;
    std::printf("CG      : %s port %u\n", host.c_str(), port);
    cgClient_ = manager.AddCGClient();
    SetClientParameter(*cgClient_, "Host", VStringStd(host));
    SetClientParameter(*cgClient_, "Port", port);
    SetClientParameter(*cgClient_, "Connected", true);
}

// Written straight from the client's histogram, whose export tells whether the file could be
// written (the "Export" parameter would only fall back to false either way).
void TestPattern::ExportLatency() const
{
    if (!cgClient_)
        return;
    const std::string& path = options_.cgExport();
    if (!cgClient_->GetLatency().Export(path))
    {
        std::fprintf(stderr, "CG latency histogram could not be written to %s\n", path.c_str());
        return;
    }
    std::printf("CG latency histogram written to %s\n", path.c_str());
}
} // namespace BriselCL
