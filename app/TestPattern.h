#pragma once
// The test pattern the console can emulate without any trial file, or beside one:
// synthetic cameras of one type, synthetic network boxes, and a CG client that measures
// the latency of the whole capture chain against a host's CG stream and writes its
// histogram when the program stops.
//
// Thread rules: thread-bound to the main thread.

#include "vul/vul_arg.h"

#include <memory>
#include <string>

class VFakeDeviceManager;
class VFakeLumeCGClient;

namespace BriselCL
{
struct TestPatternOptions
{
    vul_arg<int> synthCameras{"-synthcameras", "Number of synthetic cameras", 0};
    vul_arg<std::string> synthType{"-synthtype", "Camera type of the synthetic cameras", "LumeD"};
    vul_arg<int> synthBoxes{"-synthboxes", "Number of synthetic network boxes", 0};
    vul_arg<std::string> cgClient{"-cgclient", "CG stream to measure latency against (host:port)",
                                  ""};
    vul_arg<std::string> cgExport{"-cgexport", "CSV file for the CG latency histogram at exit",
                                  "latency.csv"};
};

class TestPattern
{
public:
    explicit TestPattern(const TestPatternOptions& options) : options_(options) {}

    // Empty when the options can be used; otherwise the line that says why not.
    std::string Check() const;
    // Whether the options ask for any synthetic device or CG client.
    bool IsRequested() const;
    // Creates the synthetic cameras, then the synthetic boxes, and reports them.
    void AddDevices(VFakeDeviceManager& manager) const;
    // Creates the CG client and connects it, when one is asked for.
    void StartCGClient(VFakeDeviceManager& manager);
    // Writes the CG client's latency histogram, when there is a client, and says where.
    void ExportLatency() const;

private:
    // The synthetic camera type code of the type name; negative for an unknown name.
    int CameraTypeCode() const;
    bool SplitCGAddress(std::string& host, unsigned& port) const;

    const TestPatternOptions& options_;
    std::shared_ptr<VFakeLumeCGClient> cgClient_;
};
} // namespace BriselCL
